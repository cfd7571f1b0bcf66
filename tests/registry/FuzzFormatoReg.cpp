// libFuzzer target for the .reg hive parser: any input either is refused or
// reads as a hive that, written back as REGEDIT4, reads again as the same
// hive and writes again as the same text.
#include "registry/FormatoReg.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    using namespace vesmadur;
    const std::string_view texto(reinterpret_cast<const char*>(datos), tamano);
    auto leida = LeerFormatoReg(texto);
    if (!leida)
        return 0;
    const auto escrita = EscribirFormatoReg(*leida);
    auto releida = LeerFormatoReg(escrita);
    if (!releida)
        std::abort();
    if (EscribirFormatoReg(*releida) != escrita)
        std::abort();
    AsegurarClavesBase(*leida);
    AsegurarClavesBase(*releida);
    if (!(*leida == *releida))
        std::abort();
    return 0;
}
