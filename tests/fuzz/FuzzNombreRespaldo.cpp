// The backup-name pattern: a name it admits is exactly the path its stamp
// rebuilds, and nothing else is admitted.
#include "backup/CatalogoRespaldos.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    using namespace vesmadur;
    const std::string nombre(reinterpret_cast<const char*>(datos), tamano);
    if (!EsNombreRespaldo(nombre))
        return 0;
    const std::string sello = SelloDeRespaldo(nombre);
    if (sello.size() != 15 || RutaDeRespaldo("", sello) != nombre)
        std::abort();
    return 0;
}
