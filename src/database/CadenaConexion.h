#pragma once

#include <optional>
#include <string>

namespace vesmadur {

// The options of a connect string such as ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=xxxx".
// The locale options are checked for form and otherwise only kept: the file
// stores UTF-8 text whatever they say.
struct OpcionesConexion {
    std::string Clave;
    std::optional<unsigned> Idioma;
    std::optional<unsigned> PaginaCodigos;
    std::optional<unsigned> Pais;
};

// Reads a connect string: options separated by ';', each NAME=value with the
// name in any case (LANGID, CP, COUNTRY, PWD); empty segments are ignored and
// a leading "MS Access" type is allowed. An unknown or repeated option, a
// segment without '=' or a malformed number gives no result.
std::optional<OpcionesConexion> InterpretarConexion(const std::string& texto);

} // namespace vesmadur
