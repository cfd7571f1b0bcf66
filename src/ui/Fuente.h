#pragma once

#include <QFont>

namespace vesmadur::ui {

// The layout's faces that a Linux machine lacks, each with the installed face
// of the closest metrics (the set-up installs fonts-liberation2 and
// fonts-dejavu-core): Liberation Mono has Courier New's widths exactly;
// Liberation Sans has Arial's, the outline face nearest to the bitmap MS Sans
// Serif; DejaVu Sans keeps Verdana's wide, open design. A machine that has the
// named face uses it.
inline void SustituirFuentes() {
    static const bool hecho = [] {
        QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
        return true;
    }();
    (void)hecho;
}

// A font as the layout names it: the family, the kind of face that stands in
// for it where neither it nor its substitute is installed, the size in points
// and the weight (700 and above is bold).
inline QFont Fuente(const char* familia, QFont::StyleHint parecida, double puntos, int peso) {
    SustituirFuentes();
    QFont fuente(QString::fromLatin1(familia));
    fuente.setStyleHint(parecida);
    fuente.setPointSizeF(puntos);
    fuente.setWeight(peso >= 700 ? QFont::Bold : QFont::Normal);
    return fuente;
}

inline QFont SansSerif(double puntos, int peso) {
    return Fuente("MS Sans Serif", QFont::SansSerif, puntos, peso);
}

} // namespace vesmadur::ui
