// libFuzzer target for the .reg parser: any input is refused or survives the
// round trip of IdaYVuelta.h.
#include "IdaYVuelta.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    if (vesmadur::prueba::IdaYVuelta({reinterpret_cast<const char*>(datos), tamano}) == false)
        std::abort();
    return 0;
}
