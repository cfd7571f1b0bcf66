#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vesmadur::utf8 {

// Decodes the UTF-8 sequence at `i` and moves past it; an invalid sequence
// yields nothing and leaves `i` where it was.
inline std::optional<char32_t> Decodificar(std::string_view t, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(t[i]);
    const int largo = b0 < 0x80           ? 1
                      : (b0 >> 5) == 0x6  ? 2
                      : (b0 >> 4) == 0xE  ? 3
                      : (b0 >> 3) == 0x1E ? 4
                                          : 0;
    if (largo == 0 || i + static_cast<std::size_t>(largo) > t.size())
        return std::nullopt;
    char32_t c = largo == 1 ? b0 : b0 & (0x7Fu >> largo);
    for (int k = 1; k < largo; ++k) {
        const auto b = static_cast<unsigned char>(t[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (b & 0x3Fu);
    }
    static constexpr std::array<char32_t, 5> minimo{0, 0, 0x80, 0x800, 0x10000};
    if (c < minimo[static_cast<std::size_t>(largo)] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    i += static_cast<std::size_t>(largo);
    return c;
}

inline void Codificar(char32_t c, std::string& s) {
    const auto byte = [&s](char32_t b) { s += static_cast<char>(b); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

inline bool EsValido(std::string_view t) {
    for (std::size_t i = 0; i < t.size();)
        if (!Decodificar(t, i))
            return false;
    return true;
}

} // namespace vesmadur::utf8
