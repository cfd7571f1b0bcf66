#include "app/TareasSistema.h"

#include "app/TextosVesmadur.h"
#include "backup/RespaldoEnReposo.h"
#include "backup/Restauracion.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"

namespace vesmadur {

namespace {

// The adjustment run's report, written into the main window.
class InformeVentana final : public InformeAjuste {
public:
    explicit InformeVentana(frmVesmadur& ventana) : ventana_(ventana) {}
    void Reemplazar(std::string_view texto) override { ventana_.ReemplazarInfo(texto); }
    void Agregar(std::string_view texto) override { ventana_.AgregarInfo(texto); }
    void DibujarProgreso(float fraccion) override { ventana_.Vista().DibujarProgreso(fraccion); }
    void ProcesarEventos() override { ventana_.Vista().ProcesarEventos(); }
    std::string CaptionCerrar() const override { return std::string(textos::CaptionCerrar); }

private:
    frmVesmadur& ventana_;
};

} // namespace

TareasVesmadur TareasDelSistema(const EntornoDeteccion& entorno) {
    // The window's database handle, held by its tasks: empty whenever no
    // operation is running, and never open between two operator actions.
    auto base = std::make_shared<std::unique_ptr<Database>>();
    TareasVesmadur tareas;
    tareas.DetectarInstalacion = [&entorno] { return DetectarInstalacion(entorno); };
    tareas.ContarMarcaciones = [base](frmVesmadur& ventana) {
        return ContarMarcaciones(*base, ventana.Instalacion().RutaConfig);
    };
    tareas.AjustarMarcaciones = [base, &entorno](frmVesmadur& ventana) {
        DatosAjuste datos;
        datos.DirInstalacion = ventana.Instalacion().DirInstalacion;
        datos.RutaConfig = ventana.Instalacion().RutaConfig;
        datos.MarcacionesDetectadas = ventana.MarcacionesDetectadas();
        datos.Respaldar = [&ventana, &entorno] {
            auto& instalacion = ventana.Instalacion();
            return RespaldarBaseEnReposo(instalacion.RutaConfig, instalacion.DirInstalacion,
                                         instalacion.RutaRespaldo, entorno.Tiempo);
        };
        InformeVentana informe(ventana);
        AjustarMarcaciones(*base, datos, informe);
    };
    // The chooser's own handle on the backup it counts (BaseRespaldo): the
    // same engine, options and key as the live configuration, held only
    // while one backup is counted.
    auto BaseRespaldo = std::make_shared<std::unique_ptr<Database>>();
    tareas.Archivos.ContarMarcacionesRespaldo = [BaseRespaldo](const std::string& ArchivoSel) {
        return ContarMarcaciones(*BaseRespaldo, ArchivoSel);
    };
    tareas.RestaurarRespaldo = [](const std::string& respaldo, const std::string& destino) {
        return ReemplazarConfiguracion(respaldo, destino);
    };
    return tareas;
}

} // namespace vesmadur
