#pragma once

// The round trip every readable .reg text survives (checked by the tests and
// the fuzz target): written back as REGEDIT4 it reads again as the same hive
// and writes again as the same text. Empty when the text is refused.
#include "registry/FormatoReg.h"

namespace vesmadur::prueba {

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
