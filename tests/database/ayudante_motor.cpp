// A second program for the tests, using the engine as the real program does:
//   ayudante_motor RUTA [SENTENCIA]
// opens RUTA, runs the statement if one is given, prints "listo" and holds
// the database until its input closes, then closes it; prints "fallo" and
// ends with 1 when the open or the statement fails.

#include "database/Configuracion.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    std::unique_ptr<vesmadur::Database> base;
    if (argc > 1)
        vesmadur::AbrirConfiguracion(base, argv[1]);
    try {
        if (base && argc > 2)
            base->Execute(argv[2]);
    } catch (const vesmadur::ErrorMotor&) {
        base.reset();
    }
    std::puts(base ? "listo" : "fallo");
    std::fflush(stdout);
    if (!base)
        return 1;
    for (char c; ::read(0, &c, 1) > 0;) {
    }
    vesmadur::CerrarConfiguracion(base);
    return 0;
}
