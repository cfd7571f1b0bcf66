// Wires the real components together and starts the entry procedure.
#include "app/InstanciaUnica.h"
#include "app/TareasSistema.h"
#include "app/basPrincipal.h"
#include "registry/RegistroArchivo.h"
#include "ui/CajasMensaje.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>

int main(int argc, char** argv) {
    using namespace vesmadur;
    // The command line as the program received it, before Qt takes its own
    // options out of it.
    const std::string lineaComandos = TextoLineaComandos(argc, argv);

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
