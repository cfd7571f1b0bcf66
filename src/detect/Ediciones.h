#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vesmadur {

// One edition of the product: the executable registered under "app paths",
// its edition code and the name the main window shows for it.
struct Edicion {
    std::string_view Ejecutable;
    std::int16_t Codigo;
    std::string_view Nombre;
};

// The editions in the order detection tries them. The codes do not follow
// that order.
inline constexpr std::array<Edicion, 7> Ediciones{{
    {"orvantoo.exe", 1, "Ofimbra"},
    {"orvantod.exe", 2, "Ofimbra DEMO"},
    {"orvantop.exe", 3, "Ofimbra PLUS"},
    {"orvantoofvrx.exe", 6, "Ofimbra VRX"},
    {"orvantor.exe", 7, "Redal"},
    {"orvantok.exe", 5, "Kiosar"},
    {"orvantoe.exe", 4, "Estalia"},
}};

inline constexpr std::int16_t EdicionNinguna = 0;
inline constexpr std::int16_t EdicionPrueba = 8;

// The display name of an edition code: "<Ninguno>" for 0, "<Prueba>" for the
// command-line test folder, the edition's name for 1 to 7, and "<Ninguno>"
// for any other code.
constexpr std::string_view NombreEdicion(std::int16_t codigo) {
    if (codigo == EdicionPrueba) return "<Prueba>";
    for (const auto& e : Ediciones)
        if (e.Codigo == codigo) return e.Nombre;
    return "<Ninguno>";
}

} // namespace vesmadur
