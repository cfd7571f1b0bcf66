#pragma once

#include "app/VistaVesmadur.h"
#include "app/frmArchivos.h"
#include "backup/Restauracion.h"
#include "detect/DatosInstalacion.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vesmadur {

class frmVesmadur;

// The work behind the main window, supplied by whoever builds it. Each one
// that is left empty is simply not available: detection then finds nothing,
// the count is 0, and the action buttons do nothing at all.
struct TareasVesmadur {
    // Creation handling: which edition is installed, and where.
    std::function<DatosInstalacion()> DetectarInstalacion;
    // Load handling: how many old-style dialing entries the database holds
    // (0 when it cannot be opened).
    std::function<std::int32_t(frmVesmadur&)> ContarMarcaciones;
    // The confirmed "Ajustar": the adjustment run, which reports in the panel.
    std::function<void(frmVesmadur&)> AjustarMarcaciones;
    // "Restaurar": the chooser's work, and putting the chosen backup (first
    // argument) in place of the configuration database (second argument).
    // Without the latter the button does nothing.
    TareasArchivos Archivos;
    std::function<ResultadoRestauracion(const std::string&, const std::string&)> RestaurarRespaldo;
};

// The main window's state and behaviour, apart from its widgets: the
// installation record, the count taken at load, the busy flag, the status
// panel, the button states and the close rules.
class frmVesmadur {
public:
    // `cerrarPrograma` is the program's way out (it unloads this window and
    // releases it); the window calls it from "Cerrar" and from its unload.
    frmVesmadur(std::unique_ptr<VistaVesmadur> vista, TareasVesmadur tareas,
                std::function<void()> cerrarPrograma);
    ~frmVesmadur();
    frmVesmadur(const frmVesmadur&) = delete;
    frmVesmadur& operator=(const frmVesmadur&) = delete;

    // Creation handling: runs detection and keeps its record.
    void AlCrear();
    // Load handling: title, edition line, count, panel and buttons.
    void AlCargar();
    // Shows the window; the call returns at once.
    void Mostrar();

    void btnAjustarPulsado();
    void btnRestaurarPulsado();
    void btnCerrarPulsado();

    // The restore run: puts the backup at `rutaRespaldo` in place of the
    // configuration database and reports in the panel.
    void RestaurarConfiguracion(const std::string& rutaRespaldo);

    // Close request: true when the request is refused and the window stays.
    bool AlPedirCierre(OrigenCierre origen);
    // Unload handling: the window is going away; the program ends with it.
    void AlDescargar();
    // Unloads the window on the program's behalf; does nothing once unloaded.
    void Descargar();

    void MarcarOcupado();
    void MarcarLibre();

    // The status panel: replace its whole text, or append to it.
    void ReemplazarInfo(std::string_view texto);
    void AgregarInfo(std::string_view texto);
    // Appends a message followed by CR LF (an empty message: a blank line).
    void AgregarLinea(std::string_view mensaje = {});
    // Replaces the panel with "Directorio: ", CR LF, four blanks, the folder, CR LF.
    void EscribirEncabezado();

    // Disables a button for the rest of the program's life (after a run).
    void DeshabilitarAjustar();
    void DeshabilitarRestaurar();

    const DatosInstalacion& Instalacion() const { return DatosInstalacion_; }
    DatosInstalacion& Instalacion() { return DatosInstalacion_; }
    std::int32_t MarcacionesDetectadas() const { return MarcacionesDetectadas_; }
    bool Ocupado() const { return Ocupado_; }
    const std::string& Info() const { return info_; }
    const std::string& Titulo() const { return titulo_; }
    bool AjustarHabilitado() const { return ajustarHabilitado_; }
    bool RestaurarHabilitado() const { return restaurarHabilitado_; }
    bool Descargada() const { return descargada_; }
    // True while an operator action (a run, a question) is in progress: the
    // window may then be unloaded, but not yet released.
    bool EnAccion() const { return manejadores_ > 0; }
    VistaVesmadur& Vista() { return *vista_; }

private:
    void EmpezarManejador();
    // Ends an operator action; releases the window when it was unloaded
    // meanwhile. Must be the last thing its caller does.
    void TerminarManejador();
    void PonerTitulo(std::string_view titulo);
    void HabilitarAjustar(bool habilitado);
    void HabilitarRestaurar(bool habilitado);

    std::unique_ptr<VistaVesmadur> vista_;
    TareasVesmadur tareas_;
    std::function<void()> cerrarPrograma_;

    DatosInstalacion DatosInstalacion_;
    std::int32_t MarcacionesDetectadas_ = 0;
    bool Ocupado_ = false;

    std::string info_;
    std::string titulo_;
    bool ajustarHabilitado_ = true;
    bool restaurarHabilitado_ = true;
    bool descargada_ = false;
    int manejadores_ = 0;
    bool liberacionPendiente_ = false;
};

} // namespace vesmadur
