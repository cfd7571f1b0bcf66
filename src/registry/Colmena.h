#pragma once

#include "common/Variante.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesmadur {

// One value of a key: its name as created, its type code and its bytes.
struct ValorRegistro {
    std::string Nombre;
    std::uint32_t Tipo = 0;
    Bytes Datos;

    bool operator==(const ValorRegistro&) const = default;
};

// One key of the hive. Names compare as the Windows registry compares them
// (case-insensitively, see MismoNombre) and keep the case they were created
// with. Subkeys are kept sorted in that order; values in creation order.
struct NodoClave {
    std::string Nombre;
    std::vector<NodoClave> Subclaves;
    std::vector<ValorRegistro> Valores;

    NodoClave* Subclave(std::string_view nombre);
    const NodoClave* Subclave(std::string_view nombre) const;
    // The subkey of that name, created when missing.
    NodoClave& CrearSubclave(std::string_view nombre);
    bool QuitarSubclave(std::string_view nombre);

    ValorRegistro* Valor(std::string_view nombre);
    const ValorRegistro* Valor(std::string_view nombre) const;
    // Replaces the data of an existing value in place, or appends a new one.
    void PonerValor(std::string_view nombre, std::uint32_t tipo, Bytes datos);
    bool QuitarValor(std::string_view nombre);

    // The key at that path below this one, or null.
    NodoClave* Buscar(const std::vector<std::string>& ruta);
    const NodoClave* Buscar(const std::vector<std::string>& ruta) const;

    bool operator==(const NodoClave&) const = default;
};

// The whole hive: a nameless node whose subkeys are the root keys under their
// full names ("HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", ...).
using Colmena = NodoClave;

// A name folded to upper case the way the registry compares names: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic letters; other characters and
// bytes that are not UTF-8 stay as they are.
std::string PlegarNombre(std::string_view nombre);
bool MismoNombre(std::string_view a, std::string_view b);
// The order of subkeys: by folded name.
bool NombreAntes(std::string_view a, std::string_view b);

// The registry's limits on names, in UTF-16 units.
inline constexpr std::size_t MaxNombreClave = 255;
inline constexpr std::size_t MaxNombreValor = 16383;
// How many levels of keys may lie below a root key. Deeper paths are refused
// on every side: the tree's code walks it recursively, so an unbounded depth
// in a damaged or hand-made file would exhaust the stack.
inline constexpr std::size_t MaxProfundidadClave = 512;

// The length of a name in UTF-16 units, the unit of the registry's limits.
std::size_t LongitudUtf16(std::string_view nombre);

// The path from the top of the hive to the key a predefined root handle
// names; HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Empty for
// anything else.
std::optional<std::vector<std::string>> RutaDeRaiz(std::int32_t raiz);
// The same for a root key's name as a .reg file writes it.
std::optional<std::vector<std::string>> RutaDeNombreRaiz(std::string_view nombre);

// Adds the keys that always exist: the root keys and
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, the base of HKEY_CLASSES_ROOT.
void AsegurarClavesBase(Colmena& colmena);

} // namespace vesmadur
