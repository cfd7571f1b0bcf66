#include "app/TareasSistema.h"

#include "app/TextosVesmadur.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"
#include "backup/RespaldoEnReposo.h"

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
    TareasVesmadur tareas;
    tareas.DetectarInstalacion = [&entorno] { return DetectarInstalacion(entorno); };
    tareas.ContarMarcaciones = [](frmVesmadur& ventana) {
        return ContarMarcaciones(ventana.BaseConfiguracion, ventana.Instalacion().RutaConfig);
    };
    tareas.AjustarMarcaciones = [&entorno](frmVesmadur& ventana) {
        DatosAjuste datos;
        datos.DirInstalacion = ventana.Instalacion().DirInstalacion;
        datos.RutaConfig = ventana.Instalacion().RutaConfig;
        datos.MarcacionesDetectadas = ventana.MarcacionesDetectadas();
        datos.Respaldar = [&ventana, &entorno] {
            return RespaldarBaseEnReposo(ventana.Instalacion(), entorno.Tiempo);
        };
        InformeVentana informe(ventana);
        AjustarMarcaciones(ventana.BaseConfiguracion, datos, informe);
    };
    return tareas;
}

} // namespace vesmadur
