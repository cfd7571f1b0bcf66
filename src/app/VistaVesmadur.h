#pragma once

#include <memory>
#include <string>

namespace vesmadur {

class VistaArchivos;

// Answers a message box can give.
enum class Respuesta { Aceptar, Si, No };

// Mouse pointers the window uses, with the codes the operator's platform gave them.
enum class Puntero { Predeterminado = 0, Espera = 11 };

// Where a request to close the main window comes from. Only the operator's own
// close control (close box, system menu, close keystroke) may be refused.
enum class OrigenCierre { ControlVentana, Programa, Sesion, Otro };

// What the main window's logic needs from its widgets. The widgets make no
// decisions: they show what they are told and pass the operator's actions on.
class VistaVesmadur {
public:
    virtual ~VistaVesmadur() = default;

    virtual void PonerTitulo(const std::string& titulo) = 0;
    virtual void PonerEdicion(const std::string& texto) = 0; // etqOrvanto
    virtual void PonerInfo(const std::string& texto) = 0;    // etqInfo; lines end in CR LF
    virtual void HabilitarAjustar(bool habilitado) = 0;
    virtual void HabilitarRestaurar(bool habilitado) = 0;
    virtual void HabilitarCerrar(bool habilitado) = 0;
    virtual void MostrarProgreso(bool visible) = 0; // Shape1
    virtual void PonerPuntero(Puntero puntero) = 0;

    // A modal Yes/No box with the warning icon, Yes the default.
    virtual Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) = 0;
    // A modal box with OK only and the warning icon.
    virtual void Avisar(const std::string& texto, const std::string& titulo) = 0;

    // The progress bar inside Shape1 at a fraction (0 to 1) of the run.
    virtual void DibujarProgreso(float fraccion) = 0;
    // Lets the window handle the events that are waiting (repaints, clicks).
    virtual void ProcesarEventos() = 0;

    // The widgets of a new backup chooser, owned by this window (modal over it).
    virtual std::unique_ptr<VistaArchivos> CrearVistaArchivos() = 0;

    // Shows the window modeless.
    virtual void Mostrar() = 0;
    // Closes the window on the program's own behalf. The window's close
    // handling then runs as for any other close request.
    virtual void CerrarVentana() = 0;
};

} // namespace vesmadur
