// A second program for the tests, using the engine as the real program does.
//   ayudante_motor retener RUTA            opens RUTA, prints "listo", holds it
//                                          until its input closes, then closes it
//   ayudante_motor ejecutar RUTA SENTENCIA opens RUTA, runs the statement, prints
//                                          "hecho" and waits (to be killed)
// Prints "fallo" and ends with 1 when the open or the statement fails.

#include "database/Configuracion.h"

#include <cstdio>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    std::unique_ptr<vesmadur::Database> base;
    vesmadur::AbrirConfiguracion(base, argv[2]);
    if (!base) {
        std::puts("fallo");
        return 1;
    }
    const bool ejecutar = std::string(argv[1]) == "ejecutar" && argc >= 4;
    try {
        if (ejecutar)
            base->Execute(argv[3]);
        std::puts(ejecutar ? "hecho" : "listo");
    } catch (const vesmadur::ErrorMotor& e) {
        std::printf("fallo %s\n", e.what());
        return 1;
    }
    std::fflush(stdout);
    for (char c; ::read(0, &c, 1) > 0;) {
    }
    vesmadur::CerrarConfiguracion(base);
    return 0;
}
