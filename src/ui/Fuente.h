#pragma once

#include <QFont>

namespace vesmadur::ui {

// A font as the layout names it: the family, the kind of face that stands in
// for it where it is not installed, the size in points and the weight (700
// and above is bold).
inline QFont Fuente(const char* familia, QFont::StyleHint parecida, double puntos, int peso) {
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
