// The command line of vesmadur-cli: the input is split into arguments at each
// NUL byte. Whatever it holds, it is refused with a usage code or read into a
// known command.
#include "cli/Argumentos.h"
#include "cli/OrdenesCli.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    using namespace vesmadur::cli;
    std::vector<std::string> argumentos(1);
    for (std::size_t i = 0; i < tamano && argumentos.size() <= 32; ++i) {
        if (datos[i] == 0)
            argumentos.emplace_back();
        else
            argumentos.back() += static_cast<char>(datos[i]);
    }
    std::ostringstream salida, errores;
    int codigo = -1;
    const auto opciones = LeerArgumentos(argumentos, salida, errores, codigo);
    if (!opciones) {
        if (codigo != kExito && codigo != kUsoIncorrecto)
            std::abort();
        if (codigo == kUsoIncorrecto && errores.str().empty())
            std::abort();
        return 0;
    }
    static const char* const ordenes[] = {"estado",    "revisar",   "ajustar",
                                          "respaldos", "restaurar", "borrar"};
    bool conocida = false;
    for (const char* o : ordenes)
        conocida = conocida || opciones->Orden == o;
    if (!conocida)
        std::abort();
    return 0;
}
