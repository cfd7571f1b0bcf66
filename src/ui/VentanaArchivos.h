#pragma once

#include "app/frmArchivos.h"
#include "ui/Twips.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vesmadur::ui {

// The backup chooser's widgets, a modal dialog over the main window. Every
// decision is frmArchivos's: this class lays the controls out, shows what it
// is told and passes the operator's actions on.
class VentanaArchivos final : public QDialog {
    Q_OBJECT
public:
    explicit VentanaArchivos(QWidget* padre, Twips twips = Twips::DePantalla());

    // The logic that receives the operator's actions; null once it is gone,
    // after which the dialog passes nothing on.
    void Conectar(frmArchivos* formulario) { formulario_ = formulario; }

    QGroupBox* Frame1() const { return Frame1_; }
    QLabel* etqInfo() const { return etqInfo_; }
    QPushButton* btnBorrar() const { return btnBorrar_; }
    QPushButton* btnCancelar() const { return btnCancelar_; }
    QPushButton* btnAceptar() const { return btnAceptar_; }
    QListWidget* List1() const { return List1_; }
    const Twips& Escala() const { return twips_; }

protected:
    void closeEvent(QCloseEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;

private:
    Twips twips_;
    frmArchivos* formulario_ = nullptr;

    QGroupBox* Frame1_;
    QLabel* etqInfo_;
    QPushButton* btnBorrar_;
    QPushButton* btnCancelar_;
    QPushButton* btnAceptar_;
    QListWidget* List1_;
};

} // namespace vesmadur::ui
