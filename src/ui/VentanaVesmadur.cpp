#include "ui/VentanaVesmadur.h"

#include "app/TextosVesmadur.h"
#include "ui/Fuente.h"
#include "ui/Teclas.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPixmap>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace vesmadur::ui {

namespace {

QPushButton* Boton(QWidget* padre, std::string_view caption, QRect lugar) {
    auto* boton =
        new QPushButton(QString::fromUtf8(caption.data(), qsizetype(caption.size())), padre);
    boton->setGeometry(lugar);
    boton->setFont(SansSerif(9.75, 400));
    boton->setAutoDefault(false);
    return boton;
}

} // namespace

namespace {
constexpr int kMilisegundosPorCuadro = 16;
}

Shape1::Shape1(QWidget* padre) : QWidget(padre) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    pendiente_.setSingleShot(true);
    pendiente_.setInterval(kMilisegundosPorCuadro);
    connect(&pendiente_, &QTimer::timeout, this, [this] {
        ultimoRepintado_.start();
        update();
    });
}

QColor ColorBarraDeTituloActiva(const QPalette& paleta) {
    return paleta.color(QPalette::Active, QPalette::Highlight);
}

void Shape1::PonerFraccion(float fraccion) {
    fraccion_ = fraccion;
    if (!ultimoRepintado_.isValid() || ultimoRepintado_.elapsed() >= kMilisegundosPorCuadro) {
        pendiente_.stop();
        ultimoRepintado_.start();
        update();
    } else if (!pendiente_.isActive()) {
        pendiente_.start();
    }
}

void Shape1::paintEvent(QPaintEvent*) {
    ++repintados_;
    QPainter pintor(this);
    pintor.setPen(QPen(palette().color(QPalette::WindowText), 1));
    pintor.drawRect(rect().adjusted(0, 0, -1, -1));

    // One pixel inside the left and top edges, two inside the right and
    // bottom ones; nothing while the bar would be no wider than a pixel.
    const int ancho = width(), alto = height();
    const int barra = static_cast<int>(static_cast<float>(ancho) * fraccion_) - 2;
    if (barra <= 1)
        return;
    pintor.fillRect(QRect(QPoint(barra, 1), QPoint(ancho - 2, alto - 2)),
                    palette().color(QPalette::Button));
    pintor.fillRect(QRect(QPoint(1, 1), QPoint(barra, alto - 2)),
                    ColorBarraDeTituloActiva(palette()));
}

VentanaVesmadur::VentanaVesmadur(Twips twips) : QWidget(nullptr), twips_(twips) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(twips_.X(9705), twips_.Y(5385));
    QIcon icono;
    for (const char* tamano : {"16", "32", "48"})
        icono.addFile(QStringLiteral(":/arte/icono%1.png").arg(QLatin1String(tamano)));
    setWindowIcon(icono);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    // Created from back to front, as the controls overlap.
    btnRestaurar_ = Boton(this, textos::CaptionRestaurar, twips_.Rect(3750, 4845, 1500, 450));
    btnAjustar_ = Boton(this, textos::CaptionAjustar, twips_.Rect(2190, 4845, 1500, 450));
    btnCerrar_ = Boton(this, textos::CaptionCerrar, twips_.Rect(8085, 4865, 1450, 430));

    etqOrvanto_ = new QLabel(this);
    etqOrvanto_->setGeometry(twips_.Rect(2220, 240, 7260, 375));
    etqOrvanto_->setFont(Fuente("Courier New", QFont::TypeWriter, 14.25, 700));
    etqOrvanto_->setTextFormat(Qt::PlainText);
    etqOrvanto_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette azul = etqOrvanto_->palette();
    azul.setColor(QPalette::WindowText, QColor(0, 0, 255));
    etqOrvanto_->setPalette(azul);
    // On the button-face background a label would otherwise take the
    // button-text role for its text.
    etqOrvanto_->setForegroundRole(QPalette::WindowText);

    shape1_ = new Shape1(this);
    shape1_->setGeometry(twips_.Rect(2220, 4245, 7260, 225));
    shape1_->hide();

    image1_ = new QLabel(this);
    image1_->setGeometry(twips_.Rect(105, 120, 2025, 5175));
    image1_->setFrameStyle(QFrame::Box | QFrame::Plain);
    image1_->setLineWidth(2);
    image1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The side picture as drawn, inside the frame, never stretched.
    image1_->setPixmap(QPixmap(QStringLiteral(":/arte/lateral.png")));

    etqInfo_ = new QLabel(this);
    etqInfo_->setGeometry(twips_.Rect(2220, 700, 7260, 4000));
    etqInfo_->setFont(Fuente("Courier New", QFont::TypeWriter, 12, 400));
    etqInfo_->setTextFormat(Qt::PlainText);
    etqInfo_->setWordWrap(true);
    etqInfo_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    etqInfo_->setAttribute(Qt::WA_TransparentForMouseEvents);
    etqInfo_->setForegroundRole(QPalette::ButtonText);

    setTabOrder(btnAjustar_, btnRestaurar_);
    setTabOrder(btnRestaurar_, btnCerrar_);
    btnAjustar_->setFocus();
    IgnorarRepeticiones(this);

    connect(btnAjustar_, &QPushButton::clicked, this, [this] {
        if (formulario_)
            formulario_->btnAjustarPulsado();
    });
    connect(btnRestaurar_, &QPushButton::clicked, this, [this] {
        if (formulario_)
            formulario_->btnRestaurarPulsado();
    });
    connect(btnCerrar_, &QPushButton::clicked, this, [this] {
        if (formulario_)
            formulario_->btnCerrarPulsado();
    });
}

void VentanaVesmadur::CerrarPorPrograma() {
    cierrePorPrograma_ = true;
    close();
}

void VentanaVesmadur::closeEvent(QCloseEvent* evento) {
    if (!formulario_) {
        evento->accept();
        return;
    }
    // A close the window system delivers on its own is the operator's close
    // box, system menu or close keystroke, unless the session is ending.
    OrigenCierre origen = OrigenCierre::Otro;
    if (cierrePorPrograma_)
        origen = OrigenCierre::Programa;
    else if (qGuiApp->isSavingSession())
        origen = OrigenCierre::Sesion;
    else if (evento->spontaneous())
        origen = OrigenCierre::ControlVentana;

    if (formulario_->AlPedirCierre(origen)) {
        evento->ignore();
        return;
    }
    evento->accept();
    // The unload releases the window logic, which lets go of this widget.
    formulario_->AlDescargar();
}

void VentanaVesmadur::keyPressEvent(QKeyEvent* evento) {
    switch (evento->key()) {
    case Qt::Key_Escape: // "Cerrar" is the cancel button
        btnCerrar_->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: // no default button: Enter presses the focused one
        if (auto* boton = qobject_cast<QPushButton*>(focusWidget())) {
            boton->click();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(evento);
}

void VentanaVesmadur::paintEvent(QPaintEvent* evento) {
    QWidget::paintEvent(evento);
    // From 5 pixels right of the picture to the right edge of "Cerrar".
    DibujarSurco(*this, twips_, image1_->x() + image1_->width() + 5,
                 btnCerrar_->x() + btnCerrar_->width(), btnCerrar_->y());
}

} // namespace vesmadur::ui
