#pragma once

#include <QRect>

class QWidget;

namespace vesmadur::ui {

// The layout is designed in twips (1440 to the inch). Converts to pixels at
// the screen's resolution, horizontally and vertically. How fractions round,
// everywhere: each of a control's left, top, width and height goes to the
// nearest pixel on its own, halves up, as the window system places
// controls; a line drawn up to a position leaves that pixel out, as the
// platform's line operation does.
struct Twips {
    double PuntosPorPulgadaX = 96;
    double PuntosPorPulgadaY = 96;

    // Twips per pixel, as the drawing code multiplies them.
    double TPPX() const { return 1440.0 / PuntosPorPulgadaX; }
    double TPPY() const { return 1440.0 / PuntosPorPulgadaY; }

    int X(int twips) const { return static_cast<int>(twips / TPPX() + 0.5); }
    int Y(int twips) const { return static_cast<int>(twips / TPPY() + 0.5); }
    QRect Rect(int izquierda, int arriba, int ancho, int alto) const {
        return {X(izquierda), Y(arriba), X(ancho), Y(alto)};
    }

    // The resolution of the primary screen (96 when there is none).
    static Twips DePantalla();
};

// Lays the windows out in the screen's own pixels: called before the
// application object exists, it turns Qt's scaling of high-resolution screens
// off. Scaled, a 144-dpi screen reports 96 and Qt stretches every pixel by
// one and a half, so the windows' 1-pixel lines and the groove's 8 and 7
// pixels above the buttons would come out 1.5 pixels wide and out of place;
// unscaled, the screen reports its 144 and twips convert at that resolution.
void UsarPixelesDeLaPantalla();

// The etched groove both windows draw above their buttons on every repaint:
// a line in the button-shadow colour from `izquierda` up to `derecha`
// (pixels; `derecha` itself left out, so a button's right edge ends it), 8
// pixels above `arriba`, and one in the button-highlight colour a pixel
// lower. Positions go through twips as the window system draws them, so the
// groove keeps its pixel geometry at any resolution.
void DibujarSurco(QWidget& ventana, const Twips& twips, int izquierda, int derecha, int arriba);

} // namespace vesmadur::ui
