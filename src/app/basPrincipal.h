#pragma once

#include "app/frmVesmadur.h"

#include <functional>
#include <memory>
#include <string>

namespace vesmadur {

// The program's entry: refuses a second copy, creates the one main window and
// holds the only program-wide reference to it.
class basPrincipal {
public:
    // Builds the main window (logic and widgets); it is handed the way out,
    // `CerrarPrograma`, to call from "Cerrar" and from its unload.
    using FabricaVentana =
        std::function<std::unique_ptr<frmVesmadur>(std::function<void()> cerrarPrograma)>;

    struct Plataforma {
        // True when another copy of the program is already running.
        std::function<bool()> OtraCopiaEnEjecucion;
        // A modal box with OK only and the warning icon.
        std::function<void(const std::string& texto, const std::string& titulo)> Avisar;
        FabricaVentana CrearVentana;
    };

    explicit basPrincipal(Plataforma plataforma);
    ~basPrincipal();
    basPrincipal(const basPrincipal&) = delete;
    basPrincipal& operator=(const basPrincipal&) = delete;

    // The entry procedure. True when the main window is up and the program
    // goes on with its events; false when this copy ends at once.
    bool Main();

    // Closes the main window and releases the reference. Safe to enter again
    // while the window is closing, and with no window at all.
    void CerrarPrograma();

    frmVesmadur* Ventana() const { return Ventana_.get(); }

private:
    Plataforma plataforma_;
    std::unique_ptr<frmVesmadur> Ventana_;
};

} // namespace vesmadur
