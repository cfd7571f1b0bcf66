// Wires the real components together and runs one command of vesmadur-cli.
#include "app/InstanciaUnica.h"
#include "cli/OrdenesCli.h"
#include "registry/RegistroArchivo.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace vesmadur;
    InstanciaUnica instancia(InstanciaUnica::RutaPredeterminada());
    RegistroArchivo registro(RegistroArchivo::RutaPredeterminada());
    RelojSistema reloj;
    cli::PlataformaCli plataforma{
        [&](const std::string& lineaComandos) {
            return EntornoDeteccion{registro, CarpetaEspecial, lineaComandos, reloj};
        },
        [&] { return instancia.Adquirir() != InstanciaUnica::Resultado::OtraCopia; },
        std::cout,
        std::cerr,
        std::cin,
        ::isatty(STDERR_FILENO) == 1,
    };
    return cli::Ejecutar(std::vector<std::string>(argv + 1, argv + argc), plataforma);
}
