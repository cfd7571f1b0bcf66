#pragma once

#include <string_view>

// Character classes, keywords and quoted runs of SQL text, read in ASCII
// whatever the process locale: a statement reads the same under every
// locale, and each test is a compare rather than a library call (statements
// are read one per entry in a run).
namespace vesmadur::letras {

constexpr bool EsBlanco(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool EsCifra(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool EsLetra(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr char Mayuscula(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// `texto` is `palabra` (given in capitals) in any letter case.
constexpr bool EsPalabra(std::string_view texto, std::string_view palabra) {
    if (texto.size() != palabra.size())
        return false;
    for (std::size_t i = 0; i < texto.size(); ++i)
        if (Mayuscula(texto[i]) != palabra[i])
            return false;
    return true;
}

// Where the quoted run that opens at `i` ends: one past its closing `cierre`
// (a doubled closing quote stands for itself; a ']' is never doubled), or
// npos when the run stays open.
constexpr std::size_t FinCitado(std::string_view texto, std::size_t i, char cierre) {
    for (std::size_t j = i + 1; j < texto.size(); ++j) {
        if (texto[j] != cierre)
            continue;
        if (cierre != ']' && j + 1 < texto.size() && texto[j + 1] == cierre) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return std::string_view::npos;
}

} // namespace vesmadur::letras
