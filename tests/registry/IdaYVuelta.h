#pragma once

// The round trip every readable .reg text must survive: written back as
// REGEDIT4 it reads again as the same hive and writes again as the same text.
// Shared by the fuzz target and the test of the corpus of seeds.
#include "registry/FormatoReg.h"

#include <optional>
#include <string_view>

namespace vesmadur::prueba {

// Empty when the text is refused; else whether it survives the round trip.
inline std::optional<bool> IdaYVuelta(std::string_view texto) {
    auto leida = LeerFormatoReg(texto);
    if (!leida)
        return std::nullopt;
    const auto escrita = EscribirFormatoReg(*leida);
    auto releida = LeerFormatoReg(escrita);
    if (!releida || EscribirFormatoReg(*releida) != escrita)
        return false;
    AsegurarClavesBase(*leida);
    AsegurarClavesBase(*releida);
    return *leida == *releida;
}

} // namespace vesmadur::prueba
