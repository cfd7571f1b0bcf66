// A stand-in program for the single-instance tests: runs the entry procedure
// with the real lock file given as its argument. Prints "VENTANA" when it got
// its window and then waits to be killed, or "AVISO <title>|<text>" when it
// was refused and ends.
#include "app/InstanciaUnica.h"
#include "app/VistaMuda.h"
#include "app/basPrincipal.h"

#include <cstdio>
#include <unistd.h>

using namespace vesmadur;

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    InstanciaUnica instancia(argv[1]);
    basPrincipal::Plataforma plataforma;
    plataforma.OtraCopiaEnEjecucion = [&] {
        return instancia.Adquirir() == InstanciaUnica::Resultado::OtraCopia;
    };
    plataforma.Avisar = [](const std::string& texto, const std::string& titulo) {
        std::printf("AVISO %s|%s\n", titulo.c_str(), texto.c_str());
    };
    plataforma.CrearVentana = [](std::function<void()> cerrar) {
        return std::make_unique<frmVesmadur>(std::make_unique<VistaMuda>(), TareasVesmadur{},
                                             std::move(cerrar));
    };
    basPrincipal principal(std::move(plataforma));
    if (!principal.Main())
        return 0;
    std::printf("VENTANA\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
