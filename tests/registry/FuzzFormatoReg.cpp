// libFuzzer target for the .reg parser: any input is refused or survives the
// round trip: written back as REGEDIT4 it reads again as the same hive and
// writes again as the same text.
#include "registry/FormatoReg.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    using namespace vesmadur;
    auto leida = LeerFormatoReg({reinterpret_cast<const char*>(datos), tamano});
    if (!leida)
        return 0;
    const auto escrita = EscribirFormatoReg(*leida);
    auto releida = LeerFormatoReg(escrita);
    if (!releida || EscribirFormatoReg(*releida) != escrita)
        std::abort();
    AsegurarClavesBase(*leida);
    AsegurarClavesBase(*releida);
    if (!(*leida == *releida))
        std::abort();
    return 0;
}
