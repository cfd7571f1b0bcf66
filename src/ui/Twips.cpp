#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

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

} // namespace vesmadur::ui
