#pragma once

#include "detect/Deteccion.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace vesmadur::cli {

// The exit codes of vesmadur-cli.
enum Salida : int {
    kExito = 0,          // done: the state told, the review made, the run or the restore done
    kNadaQueHacer = 1,   // no old-style entry; or the operator answered no
    kSinInstalacion = 2, // no Orvanto installation was found
    kRechazado = 3,      // the database is held, the backup was refused, another copy runs
    kFallo = 4,          // anything else that failed: said on standard error
    kUsoIncorrecto = 64, // the command line itself is wrong
};

// What the commands take from outside: `main` fills it with the real
// components, tests run the built program on generated installations.
struct PlataformaCli {
    // Detection's registry, folders and clock; the command line's text is
    // set here from --carpeta.
    std::function<EntornoDeteccion(const std::string& lineaComandos)> Entorno;
    // Takes the single-instance lock shared with the window; false when
    // another copy holds it. Only the commands that write take it.
    std::function<bool()> SerUnicaCopia;
    std::ostream& Salida;
    std::ostream& Errores;
    std::istream& Entrada;
    // Whether standard error is a terminal (the progress bar is drawn there).
    bool ErroresEnTerminal = false;
};

// Runs the command line `argumentos` (without the program's name) and gives
// the exit code.
int Ejecutar(const std::vector<std::string>& argumentos, PlataformaCli& plataforma);

} // namespace vesmadur::cli
