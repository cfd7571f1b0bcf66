#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vesmadur::cli {

// What the command line asks for.
struct Opciones {
    // estado, revisar, ajustar, respaldos, restaurar or borrar; the backup
    // named after the last two.
    std::string Orden;
    std::string Argumento;
    std::string Carpeta;
    std::string Registro;
    bool Json = false;
    bool Si = false;
};

// Reads the command line (without the program's name) with Qt Core's parser.
// Nothing when it is wrong, or asks for --help or --version: what is wrong
// or what was asked is then printed, and `codigo` is the exit code.
std::optional<Opciones> LeerArgumentos(const std::vector<std::string>& argumentos,
                                       std::ostream& salida, std::ostream& errores, int& codigo);

} // namespace vesmadur::cli
