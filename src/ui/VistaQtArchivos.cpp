#include "ui/VistaQtArchivos.h"

#include "ui/CajasMensaje.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace vesmadur::ui {

VistaQtArchivos::VistaQtArchivos(VentanaArchivos* ventana) : ventana_(ventana) {}

VistaQtArchivos::~VistaQtArchivos() {
    if (ventana_) {
        ventana_->Conectar(nullptr);
        ventana_->hide();
        ventana_->deleteLater();
    }
}

void VistaQtArchivos::Conectar(frmArchivos* formulario) {
    if (ventana_)
        ventana_->Conectar(formulario);
}

void VistaQtArchivos::PonerTitulo(const std::string& titulo) {
    if (ventana_)
        ventana_->setWindowTitle(TextoQt(titulo));
}

// The logic keeps the list's selection itself: what it sets here is never
// reported back as the operator's click.
void VistaQtArchivos::PonerLista(const std::vector<std::string>& entradas) {
    if (!ventana_)
        return;
    QListWidget* lista = ventana_->List1();
    const QSignalBlocker bloqueo(lista);
    lista->clear();
    for (const auto& entrada : entradas)
        lista->addItem(TextoQt(entrada));
}

void VistaQtArchivos::SeleccionarEntrada(int indice) {
    if (!ventana_)
        return;
    QListWidget* lista = ventana_->List1();
    const QSignalBlocker bloqueo(lista);
    lista->setCurrentRow(indice);
    if (indice < 0)
        lista->clearSelection();
}

void VistaQtArchivos::PonerInfo(const std::string& texto) {
    if (ventana_)
        ventana_->etqInfo()->setText(TextoQt(texto));
}

void VistaQtArchivos::HabilitarAceptar(bool habilitado) {
    if (ventana_)
        ventana_->btnAceptar()->setEnabled(habilitado);
}

void VistaQtArchivos::HabilitarBorrar(bool habilitado) {
    if (ventana_)
        ventana_->btnBorrar()->setEnabled(habilitado);
}

Respuesta VistaQtArchivos::PreguntarSiNo(const std::string& texto, const std::string& titulo) {
    return ui::PreguntarSiNo(ventana_, texto, titulo);
}

void VistaQtArchivos::MostrarModal() {
    if (ventana_)
        ventana_->exec();
}

void VistaQtArchivos::Ocultar() {
    if (ventana_)
        ventana_->hide();
}

} // namespace vesmadur::ui
