// Wires the real components together and starts the entry procedure.
#include "app/InstanciaUnica.h"
#include "app/TareasSistema.h"
#include "app/basPrincipal.h"
#include "registry/RegistroArchivo.h"
#include "ui/CajasMensaje.h"
#include "ui/Twips.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>
#include <cstdio>
#include <string_view>

namespace {

const char* const kAyuda =
    "Uso: vesmadur [CARPETA]\n"
    "     vesmadur --help | --version\n"
    "\n"
    "Ajusta las marcaciones de la configuracion de Orvanto a la marcacion de 2019\n"
    "(quita los prefijos 01, 044 y 045), respaldando antes la configuracion, o\n"
    "restaura un respaldo anterior. Encuentra solo la instalacion de Orvanto;\n"
    "CARPETA, si se da, hace las veces de una instalacion cuando no hay ninguna.\n";

} // namespace

int main(int argc, char** argv) {
    using namespace vesmadur;
    // Answered on the terminal, before any window or display is needed.
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::fputs(kAyuda, stdout);
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::puts("vesmadur " VESMADUR_VERSION);
        return 0;
    }
    // The command line as the program received it, before Qt takes its own
    // options out of it.
    const std::string lineaComandos = TextoLineaComandos(argc, argv);

    ui::UsarPixelesDeLaPantalla();
    QApplication aplicacion(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesmadur"));
    ui::UsarTextosQtEnEspanol();

    InstanciaUnica instancia(InstanciaUnica::RutaPredeterminada());
    RegistroArchivo registro(RegistroArchivo::RutaPredeterminada());
    RelojSistema reloj;
    const EntornoDeteccion entorno{registro, CarpetaEspecial, lineaComandos, reloj};

    basPrincipal::Plataforma plataforma;
    plataforma.OtraCopiaEnEjecucion = [&] {
        return instancia.Adquirir() == InstanciaUnica::Resultado::OtraCopia;
    };
    plataforma.Avisar = [](const std::string& texto, const std::string& titulo) {
        ui::Avisar(nullptr, texto, titulo);
    };
    plataforma.CrearVentana = [&](std::function<void()> cerrarPrograma) {
        return ui::CrearVentanaVesmadur(TareasDelSistema(entorno), std::move(cerrarPrograma));
    };

    basPrincipal principal(std::move(plataforma));
    if (!principal.Main())
        return 0;
    const int resultado = QApplication::exec();
    principal.CerrarPrograma();
    return resultado;
}
