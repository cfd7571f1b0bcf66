#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace vesmadur::prueba {

// A fresh folder for one test's hive file, removed afterwards.
class CarpetaTemporal {
public:
    CarpetaTemporal() {
        std::random_device azar;
        ruta_ = std::filesystem::temp_directory_path() /
                ("vesmadur-registro-" + std::to_string(azar()) + std::to_string(azar()));
        std::filesystem::create_directories(ruta_);
    }
    ~CarpetaTemporal() {
        std::error_code error;
        std::filesystem::remove_all(ruta_, error);
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& Ruta() const { return ruta_; }
    std::filesystem::path Hive() const { return ruta_ / "registro.reg"; }

private:
    std::filesystem::path ruta_;
};

inline std::string LeerBytes(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void EscribirBytes(const std::filesystem::path& ruta, const std::string& bytes) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << bytes;
}

} // namespace vesmadur::prueba

#include "registry/ConstantesRegistro.h"
#include "registry/OperacionesRegistro.h"
#include "registry/Variante.h"

namespace vesmadur::prueba {

// Stores a value with exactly these bytes, creating its key.
inline void PonerCrudo(OperacionesRegistro& ops, std::int32_t raiz, const std::string& seccion,
                       const std::string& nombre, std::uint32_t tipo, const Bytes& datos) {
    ManejadorClave clave = 0;
    ASSERT_EQ(ops.CrearClave(raiz, seccion, 0, KEY_DERECHOS_ESCRITURA, clave, nullptr), 0);
    EXPECT_EQ(
        ops.PonerValor(clave, nombre, tipo, datos.data(), static_cast<std::uint32_t>(datos.size())),
        0);
    ops.CerrarClave(clave);
}

struct Crudo {
    std::int32_t Resultado = 0;
    std::uint32_t Tipo = 0;
    Bytes Datos;
};

// The type and bytes of a value as stored.
inline Crudo LeerCrudo(OperacionesRegistro& ops, std::int32_t raiz, const std::string& seccion,
                       const std::string& nombre) {
    Crudo c;
    ManejadorClave clave = 0;
    if ((c.Resultado = ops.AbrirClave(raiz, seccion, 0, KEY_QUERY_VALUE, clave)) != 0)
        return c;
    std::uint32_t tamano = 0;
    c.Resultado = ops.ConsultarValor(clave, nombre, &c.Tipo, nullptr, &tamano);
    if (c.Resultado == 0) {
        c.Datos.resize(tamano);
        c.Resultado = ops.ConsultarValor(clave, nombre, nullptr, c.Datos.data(), &tamano);
    }
    ops.CerrarClave(clave);
    return c;
}

inline Bytes B(std::initializer_list<int> octetos) {
    Bytes b;
    for (int o : octetos)
        b.push_back(static_cast<std::uint8_t>(o));
    return b;
}

inline Bytes B(std::string_view texto) {
    return Bytes(texto.begin(), texto.end());
}

} // namespace vesmadur::prueba
