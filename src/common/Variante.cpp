#include "common/Variante.h"

#include <charconv>

namespace vesmadur {

std::optional<std::int64_t> Variante::Entero() const {
    if (const auto* n = std::get_if<std::int16_t>(&valor_))
        return *n;
    if (const auto* n = std::get_if<std::int32_t>(&valor_))
        return *n;
    if (const auto* n = std::get_if<std::int64_t>(&valor_))
        return *n;
    return std::nullopt;
}

std::optional<double> Variante::Numero() const {
    if (auto n = Entero())
        return static_cast<double>(*n);
    if (const auto* d = std::get_if<double>(&valor_))
        return *d;
    return std::nullopt;
}

std::string Variante::ComoTexto() const {
    if (const auto* t = Texto())
        return *t;
    if (auto n = Entero())
        return std::to_string(*n);
    if (const auto* d = std::get_if<double>(&valor_)) {
        char buf[64];
        auto [fin, error] = std::to_chars(buf, buf + sizeof buf, *d);
        return error == std::errc{} ? std::string(buf, fin) : std::string{};
    }
    if (const auto* b = Octetos())
        return std::string(b->begin(), b->end());
    return {};
}

} // namespace vesmadur
