#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vesmadur {

// The Null of a variant value: "no value", distinct from an empty text.
struct Nulo {
    bool operator==(const Nulo&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

// A tagged value shared by the registry (values) and the database (fields):
// Null, text (UTF-8), an integer of 16, 32 or 64 bits, a double, or bytes.
class Variante {
public:
    using Contenido =
        std::variant<Nulo, std::string, std::int16_t, std::int32_t, std::int64_t, double, Bytes>;

    Variante() = default;
    Variante(Nulo) {}
    Variante(std::string texto) : valor_(std::move(texto)) {}
    Variante(const char* texto) : valor_(std::string(texto)) {}
    Variante(std::int16_t n) : valor_(n) {}
    Variante(std::int32_t n) : valor_(n) {}
    Variante(std::int64_t n) : valor_(n) {}
    Variante(double n) : valor_(n) {}
    Variante(Bytes bytes) : valor_(std::move(bytes)) {}

    // Makes the value this text, in the storage of a text it held.
    void PonerTexto(std::string_view texto) {
        if (auto* actual = std::get_if<std::string>(&valor_))
            actual->assign(texto);
        else
            valor_.emplace<std::string>(texto);
    }

    bool EsNulo() const { return std::holds_alternative<Nulo>(valor_); }
    bool EsTexto() const { return std::holds_alternative<std::string>(valor_); }
    bool EsBytes() const { return std::holds_alternative<Bytes>(valor_); }
    bool EsEntero() const {
        return std::holds_alternative<std::int16_t>(valor_) ||
               std::holds_alternative<std::int32_t>(valor_) ||
               std::holds_alternative<std::int64_t>(valor_);
    }
    bool EsNumero() const { return EsEntero() || std::holds_alternative<double>(valor_); }

    // The text, or nullptr when the value is not text.
    const std::string* Texto() const { return std::get_if<std::string>(&valor_); }
    // The bytes, or nullptr when the value is not a byte array.
    const Bytes* Octetos() const { return std::get_if<Bytes>(&valor_); }
    // Any integer kind widened to 64 bits; empty for every other kind.
    std::optional<std::int64_t> Entero() const;
    // Any number as a double; empty for every other kind.
    std::optional<double> Numero() const;

    // The value as text: text as it is, integers in decimal without blanks or
    // leading zeros, doubles in their shortest exact decimal form, bytes taken
    // one character each, and Null as the empty text.
    std::string ComoTexto() const;

    const Contenido& Valor() const { return valor_; }
    bool operator==(const Variante&) const = default;

private:
    Contenido valor_;
};

} // namespace vesmadur
