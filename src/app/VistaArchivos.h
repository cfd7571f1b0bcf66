#pragma once

#include "app/VistaVesmadur.h"

#include <string>
#include <vector>

namespace vesmadur {

class frmArchivos;

// What the backup chooser's logic needs from its widgets. As for the main
// window, the widgets make no decisions.
class VistaArchivos {
public:
    virtual ~VistaArchivos() = default;

    // The logic that receives the operator's actions (a click on an entry,
    // the buttons, the close box); null once the logic is gone.
    virtual void Conectar(frmArchivos* formulario) = 0;

    virtual void PonerTitulo(const std::string& titulo) = 0;
    // Replaces every entry of List1.
    virtual void PonerLista(const std::vector<std::string>& entradas) = 0;
    // Selects entry `indice` of List1 (-1: none). Only shows it: the logic
    // runs its own selection handling, so this is never reported back.
    virtual void SeleccionarEntrada(int indice) = 0;
    virtual void PonerInfo(const std::string& texto) = 0; // etqInfo; lines end in CR LF
    virtual void HabilitarAceptar(bool habilitado) = 0;   // "Seleccionar"
    virtual void HabilitarBorrar(bool habilitado) = 0;

    // A modal Yes/No box with the warning icon, Yes the default.
    virtual Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) = 0;

    // Shows the window modally, owned by the main window; returns once it
    // is hidden.
    virtual void MostrarModal() = 0;
    virtual void Ocultar() = 0;
};

} // namespace vesmadur
