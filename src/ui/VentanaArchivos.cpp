#include "ui/VentanaArchivos.h"

#include "app/TextosVesmadur.h"
#include "ui/Fuente.h"
#include "ui/Teclas.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace vesmadur::ui {

namespace {

QPushButton* Boton(QWidget* padre, std::string_view caption, QRect lugar, const QFont& fuente) {
    auto* boton =
        new QPushButton(QString::fromUtf8(caption.data(), qsizetype(caption.size())), padre);
    boton->setGeometry(lugar);
    boton->setFont(fuente);
    return boton;
}

} // namespace

VentanaArchivos::VentanaArchivos(QWidget* padre, Twips twips) : QDialog(padre), twips_(twips) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(twips_.X(7905), twips_.Y(4575));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    Frame1_ = new QGroupBox(this);
    Frame1_->setGeometry(twips_.Rect(4440, 100, 3345, 3765));
    Frame1_->setFont(SansSerif(8.25, 400));

    etqInfo_ = new QLabel(Frame1_);
    etqInfo_->setGeometry(twips_.Rect(240, 240, 2895, 3375));
    etqInfo_->setFont(SansSerif(9.75, 400));
    etqInfo_->setTextFormat(Qt::PlainText);
    etqInfo_->setWordWrap(true);
    etqInfo_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    etqInfo_->setForegroundRole(QPalette::ButtonText);

    const QFont normal = SansSerif(8.25, 400);
    btnBorrar_ = Boton(this, textos::CaptionBorrar, twips_.Rect(90, 3400, 4200, 450), normal);
    btnCancelar_ = Boton(this, textos::CaptionCancelar, twips_.Rect(6300, 4080, 1480, 400), normal);
    btnAceptar_ = Boton(this, textos::CaptionSeleccionar, twips_.Rect(4785, 4080, 1480, 400),
                        SansSerif(8.25, 700));
    // Enter presses "Seleccionar" unless another button has the focus.
    btnAceptar_->setDefault(true);
    IgnorarRepeticiones(this);

    List1_ = new QListWidget(this);
    List1_->setGeometry(twips_.Rect(90, 180, 4200, 3180));
    List1_->setFont(Fuente("Verdana", QFont::SansSerif, 9.75, 400));

    // The frame and its label take no focus; the rest in the designed order.
    setTabOrder(List1_, btnBorrar_);
    setTabOrder(btnBorrar_, btnAceptar_);
    setTabOrder(btnAceptar_, btnCancelar_);
    List1_->setFocus();

    // The current row changes by the operator's mouse or keys; the logic's
    // own selections are set with this signal blocked.
    connect(List1_, &QListWidget::currentRowChanged, this, [this](int fila) {
        if (formulario_)
            formulario_->List1Click(fila);
    });
    connect(btnBorrar_, &QPushButton::clicked, this, [this] {
        if (formulario_)
            formulario_->btnBorrarPulsado();
    });
    connect(btnAceptar_, &QPushButton::clicked, this, [this] {
        if (formulario_)
            formulario_->btnAceptarPulsado();
    });
    connect(btnCancelar_, &QPushButton::clicked, this, [this] {
        if (formulario_)
            formulario_->btnCancelarPulsado();
    });
}

void VentanaArchivos::closeEvent(QCloseEvent* evento) {
    // Only the operator's close box (or system menu, or close keystroke) may
    // be refused: the logic answers it as "Cancelar" and has hidden the
    // dialog already. Any other close hides it as it is.
    OrigenCierre origen = OrigenCierre::Otro;
    if (qGuiApp->isSavingSession())
        origen = OrigenCierre::Sesion;
    else if (evento->spontaneous())
        origen = OrigenCierre::ControlVentana;
    if (formulario_ && formulario_->AlPedirCierre(origen)) {
        evento->ignore();
        return;
    }
    evento->accept();
}

void VentanaArchivos::keyPressEvent(QKeyEvent* evento) {
    // Never QDialog's own reject or default handling: the keys press the
    // buttons, and the logic decides.
    switch (evento->key()) {
    case Qt::Key_Escape: // "Cancelar" is the cancel button
        btnCancelar_->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* boton = qobject_cast<QPushButton*>(focusWidget()))
            boton->click();
        else
            btnAceptar_->click();
        return;
    default:
        break;
    }
    QDialog::keyPressEvent(evento);
}

void VentanaArchivos::paintEvent(QPaintEvent* evento) {
    QDialog::paintEvent(evento);
    // From the left edge of the list to the right edge of "Cancelar".
    DibujarSurco(*this, twips_, List1_->x(), btnCancelar_->x() + btnCancelar_->width(),
                 btnCancelar_->y());
}

} // namespace vesmadur::ui
