#pragma once

#include "app/VistaVesmadur.h"
#include "ui/VentanaVesmadur.h"

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

namespace vesmadur::ui {

// The main window logic's view over the Qt widgets. Owned by the logic; when
// it goes, the widgets are let go of and deleted once Qt is back in its loop
// (never from inside one of their own event handlers).
class VistaQtVesmadur final : public VistaVesmadur {
public:
    explicit VistaQtVesmadur(VentanaVesmadur* ventana);
    ~VistaQtVesmadur() override;

    void PonerTitulo(const std::string& titulo) override;
    void PonerEdicion(const std::string& texto) override;
    void PonerInfo(const std::string& texto) override;
    void HabilitarAjustar(bool habilitado) override;
    void HabilitarRestaurar(bool habilitado) override;
    void HabilitarCerrar(bool habilitado) override;
    void MostrarProgreso(bool visible) override;
    void PonerPuntero(Puntero puntero) override;
    Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) override;
    void Avisar(const std::string& texto, const std::string& titulo) override;
    void DibujarProgreso(float fraccion) override;
    void ProcesarEventos() override;
    std::unique_ptr<VistaArchivos> CrearVistaArchivos() override;
    void Mostrar() override;
    void CerrarVentana() override;

    VentanaVesmadur* Ventana() const { return ventana_; }

private:
    QPointer<VentanaVesmadur> ventana_;
    QElapsedTimer ultimoProceso_;
};

// The main window as the program runs it: the logic over the Qt widgets.
std::unique_ptr<frmVesmadur> CrearVentanaVesmadur(TareasVesmadur tareas,
                                                  std::function<void()> cerrarPrograma);

} // namespace vesmadur::ui
