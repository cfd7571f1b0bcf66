#pragma once

#include "app/frmVesmadur.h"
#include "ui/Twips.h"

#include <QColor>
#include <QElapsedTimer>
#include <QPalette>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace vesmadur::ui {

// The active title bar's colour, which fills the done part of the progress
// bar. Qt has no palette role for it. The nearest it offers is the
// palette's highlight: the accent colour desktop themes give active title
// bars and selections alike (in Windows' classic scheme both are the same
// navy). The style's own drawing of a title bar is no nearer: Fusion paints
// it light grey, which would not show against the button face.
QColor ColorBarraDeTituloActiva(const QPalette& paleta);

// The rectangle in which the progress of a run is drawn: a one-pixel outline
// in the window-text colour and, inside it, the bar: the part done in the
// active title bar's colour, the rest in the button face's.
class Shape1 final : public QWidget {
    Q_OBJECT
public:
    explicit Shape1(QWidget* padre);

    // A run reports progress far more often than a screen shows frames:
    // the bar is repainted at most once per frame, and the last state is
    // always painted.
    void PonerFraccion(float fraccion);
    float Fraccion() const { return fraccion_; }
    int Repintados() const { return repintados_; }

protected:
    void paintEvent(QPaintEvent* evento) override;

private:
    float fraccion_ = 0;
    QElapsedTimer ultimoRepintado_;
    QTimer pendiente_;
    int repintados_ = 0;
};

// The main window's widgets. Every decision is frmVesmadur's: this class lays
// the controls out, shows what it is told and passes the operator's actions on.
class VentanaVesmadur final : public QWidget {
    Q_OBJECT
public:
    explicit VentanaVesmadur(Twips twips = Twips::DePantalla());

    // The window logic that receives the operator's actions; null once it is
    // gone, after which the window only closes.
    void Conectar(frmVesmadur* formulario) { formulario_ = formulario; }

    // Closes the window on the program's behalf (never refused).
    void CerrarPorPrograma();

    QLabel* etqOrvanto() const { return etqOrvanto_; }
    QLabel* etqInfo() const { return etqInfo_; }
    QPushButton* btnAjustar() const { return btnAjustar_; }
    QPushButton* btnRestaurar() const { return btnRestaurar_; }
    QPushButton* btnCerrar() const { return btnCerrar_; }
    Shape1* shape1() const { return shape1_; }
    QLabel* image1() const { return image1_; }
    const Twips& Escala() const { return twips_; }

protected:
    void closeEvent(QCloseEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;

private:
    Twips twips_;
    frmVesmadur* formulario_ = nullptr;
    bool cierrePorPrograma_ = false;

    QLabel* image1_;
    QLabel* etqOrvanto_;
    QLabel* etqInfo_;
    Shape1* shape1_;
    QPushButton* btnAjustar_;
    QPushButton* btnRestaurar_;
    QPushButton* btnCerrar_;
};

} // namespace vesmadur::ui
