// libFuzzer target for the .reg hive parser: any input either is refused or
// survives the round trip of IdaYVuelta.h.
#include "IdaYVuelta.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), tamano);
    if (vesmadur::prueba::IdaYVuelta(texto) == false)
        std::abort();
    return 0;
}
