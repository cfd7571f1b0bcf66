// Wires the real components together and starts the entry procedure.
#include "app/InstanciaUnica.h"
#include "app/basPrincipal.h"
#include "ui/CajasMensaje.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>

int main(int argc, char** argv) {
    using namespace vesmadur;
    QApplication aplicacion(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesmadur"));

    InstanciaUnica instancia(InstanciaUnica::RutaPredeterminada());

    TareasVesmadur tareas;

    basPrincipal::Plataforma plataforma;
    plataforma.OtraCopiaEnEjecucion = [&] {
        return instancia.Adquirir() == InstanciaUnica::Resultado::OtraCopia;
    };
    plataforma.Avisar = [](const std::string& texto, const std::string& titulo) {
        ui::Avisar(nullptr, texto, titulo);
    };
    plataforma.CrearVentana = [&](std::function<void()> cerrarPrograma) {
        return ui::CrearVentanaVesmadur(tareas, std::move(cerrarPrograma));
    };

    basPrincipal principal(std::move(plataforma));
    if (!principal.Main()) return 0;
    const int resultado = QApplication::exec();
    principal.CerrarPrograma();
    return resultado;
}
