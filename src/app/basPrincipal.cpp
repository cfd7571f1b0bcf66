#include "app/basPrincipal.h"

#include "app/TextosVesmadur.h"

namespace vesmadur {

basPrincipal::basPrincipal(Plataforma plataforma) : plataforma_(std::move(plataforma)) {}

basPrincipal::~basPrincipal() {
    CerrarPrograma();
}

bool basPrincipal::Main() {
    // On this platform the program is always started as a program of its
    // own, never as a component of another, so there is no such case to skip.
    if (plataforma_.OtraCopiaEnEjecucion && plataforma_.OtraCopiaEnEjecucion()) {
        if (plataforma_.Avisar)
            plataforma_.Avisar(std::string(textos::ProgramaYaCargado),
                               std::string(textos::TituloAplicacion));
        return false;
    }
    if (!plataforma_.CrearVentana)
        return false;

    Ventana_ = plataforma_.CrearVentana([this] { CerrarPrograma(); });
    if (!Ventana_)
        return false;
    Ventana_->AlCrear();
    Ventana_->AlCargar();
    Ventana_->Mostrar();
    return true;
}

void basPrincipal::CerrarPrograma() {
    if (!Ventana_)
        return;
    // An operator action of the window is still running: the window unloads
    // now, and it calls back here to be released when that action ends.
    if (Ventana_->EnAccion()) {
        Ventana_->Descargar();
        return;
    }
    // The reference is emptied before the window unloads: its unload handling
    // enters here again and must find nothing left to close.
    std::unique_ptr<frmVesmadur> ventana = std::move(Ventana_);
    ventana->Descargar();
}

} // namespace vesmadur
