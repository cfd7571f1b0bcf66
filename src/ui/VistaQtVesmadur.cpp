#include "ui/VistaQtVesmadur.h"

#include "ui/CajasMensaje.h"
#include "ui/VistaQtArchivos.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

namespace vesmadur::ui {

VistaQtVesmadur::VistaQtVesmadur(VentanaVesmadur* ventana) : ventana_(ventana) {}

VistaQtVesmadur::~VistaQtVesmadur() {
    if (ventana_) {
        ventana_->Conectar(nullptr);
        ventana_->deleteLater();
    }
}

// The chooser's dialog belongs to this window, at its resolution.
std::unique_ptr<VistaArchivos> VistaQtVesmadur::CrearVistaArchivos() {
    const Twips escala = ventana_ ? ventana_->Escala() : Twips::DePantalla();
    return std::make_unique<VistaQtArchivos>(new VentanaArchivos(ventana_, escala));
}

void VistaQtVesmadur::PonerTitulo(const std::string& titulo) {
    if (ventana_)
        ventana_->setWindowTitle(TextoQt(titulo));
}

void VistaQtVesmadur::PonerEdicion(const std::string& texto) {
    if (ventana_)
        ventana_->etqOrvanto()->setText(TextoQt(texto));
}

void VistaQtVesmadur::PonerInfo(const std::string& texto) {
    if (ventana_)
        ventana_->etqInfo()->setText(TextoQt(texto));
}

void VistaQtVesmadur::HabilitarAjustar(bool habilitado) {
    if (ventana_)
        ventana_->btnAjustar()->setEnabled(habilitado);
}

void VistaQtVesmadur::HabilitarRestaurar(bool habilitado) {
    if (ventana_)
        ventana_->btnRestaurar()->setEnabled(habilitado);
}

void VistaQtVesmadur::HabilitarCerrar(bool habilitado) {
    if (ventana_)
        ventana_->btnCerrar()->setEnabled(habilitado);
}

void VistaQtVesmadur::MostrarProgreso(bool visible) {
    // The first ask after the progress display comes or goes is passed on
    // at once (the logic asks at the end of a run for what is pending).
    ultimoProceso_.invalidate();
    if (!ventana_)
        return;
    if (visible)
        ventana_->shape1()->PonerFraccion(0);
    ventana_->shape1()->setVisible(visible);
}

void VistaQtVesmadur::DibujarProgreso(float fraccion) {
    if (ventana_)
        ventana_->shape1()->PonerFraccion(fraccion);
}

void VistaQtVesmadur::PonerPuntero(Puntero puntero) {
    if (!ventana_)
        return;
    if (puntero == Puntero::Espera)
        ventana_->setCursor(Qt::WaitCursor);
    else
        ventana_->unsetCursor();
}

Respuesta VistaQtVesmadur::PreguntarSiNo(const std::string& texto, const std::string& titulo) {
    return ui::PreguntarSiNo(ventana_, texto, titulo);
}

void VistaQtVesmadur::Avisar(const std::string& texto, const std::string& titulo) {
    ui::Avisar(ventana_, texto, titulo);
}

void VistaQtVesmadur::ProcesarEventos() {
    // A run asks every few rows. Asking the window system at most every
    // 10 ms keeps the window just as lively, and spares a long run a
    // system call per ask.
    if (ultimoProceso_.isValid() && !ultimoProceso_.hasExpired(10))
        return;
    ultimoProceso_.start();
    QCoreApplication::processEvents();
}

void VistaQtVesmadur::Mostrar() {
    if (ventana_)
        ventana_->show();
}

void VistaQtVesmadur::CerrarVentana() {
    if (ventana_)
        ventana_->CerrarPorPrograma();
}

std::unique_ptr<frmVesmadur> CrearVentanaVesmadur(TareasVesmadur tareas,
                                                  std::function<void()> cerrarPrograma) {
    auto* ventana = new VentanaVesmadur();
    auto formulario = std::make_unique<frmVesmadur>(std::make_unique<VistaQtVesmadur>(ventana),
                                                    std::move(tareas), std::move(cerrarPrograma));
    ventana->Conectar(formulario.get());
    return formulario;
}

} // namespace vesmadur::ui
