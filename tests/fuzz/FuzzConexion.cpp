// The connect string: any text is refused or read; what is read reads again
// the same when written back in the canonical form.
#include "database/CadenaConexion.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    using namespace vesmadur;
    const auto leidas = InterpretarConexion({reinterpret_cast<const char*>(datos), tamano});
    if (!leidas || leidas->Clave.find(';') != std::string::npos)
        return 0;
    std::string canonica = ";pwd=" + leidas->Clave;
    if (leidas->Idioma)
        canonica += ";LANGID=" + std::to_string(*leidas->Idioma);
    if (leidas->PaginaCodigos)
        canonica += ";CP=" + std::to_string(*leidas->PaginaCodigos);
    if (leidas->Pais)
        canonica += ";COUNTRY=" + std::to_string(*leidas->Pais);
    const auto otra = InterpretarConexion(canonica);
    if (!otra || otra->Clave != leidas->Clave || otra->Idioma != leidas->Idioma ||
        otra->PaginaCodigos != leidas->PaginaCodigos || otra->Pais != leidas->Pais)
        std::abort();
    return 0;
}
