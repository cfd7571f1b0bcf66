#include "ui/Twips.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace vesmadur::ui {

Twips Twips::DePantalla() {
    Twips t;
    if (const QScreen* pantalla = QGuiApplication::primaryScreen()) {
        if (pantalla->logicalDotsPerInchX() > 0)
            t.PuntosPorPulgadaX = pantalla->logicalDotsPerInchX();
        if (pantalla->logicalDotsPerInchY() > 0)
            t.PuntosPorPulgadaY = pantalla->logicalDotsPerInchY();
    }
    return t;
}

void UsarPixelesDeLaPantalla() {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

void DibujarSurco(QWidget& ventana, const Twips& twips, int izquierda, int derecha, int arriba) {
    const double tppx = twips.TPPX(), tppy = twips.TPPY();
    const double x1 = izquierda * tppx, x2 = derecha * tppx, yArriba = arriba * tppy;
    QPainter pintor(&ventana);
    const auto linea = [&](QPalette::ColorRole rol, double yTwips) {
        pintor.setPen(QPen(ventana.palette().color(rol), 1));
        const int y = static_cast<int>(yTwips / tppy + 0.5);
        // The platform's line operation leaves out its end point: the
        // groove stops on the last column before `derecha`.
        pintor.drawLine(static_cast<int>(x1 / tppx + 0.5), y, static_cast<int>(x2 / tppx + 0.5) - 1,
                        y);
    };
    linea(QPalette::Dark, yArriba - 8 * tppy);
    linea(QPalette::Light, yArriba - 7 * tppy);
}

} // namespace vesmadur::ui
