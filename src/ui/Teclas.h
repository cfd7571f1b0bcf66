#pragma once

#include <QKeyEvent>
#include <QObject>
#include <QPushButton>
#include <QWidget>

namespace vesmadur::ui {

// A held key's repeats press no button of `ventana`: only the press itself
// does. (A held Enter that answered a question would otherwise press the
// button focused after it.) The repeats of Enter and Esc are taken before
// the window or its buttons see them; the buttons count, as in a dialog they
// take Enter themselves.
inline void IgnorarRepeticiones(QWidget* ventana) {
    struct Filtro : QObject {
        using QObject::QObject;
        bool eventFilter(QObject*, QEvent* evento) override {
            if (evento->type() != QEvent::KeyPress)
                return false;
            const auto* tecla = static_cast<QKeyEvent*>(evento);
            return tecla->isAutoRepeat() &&
                   (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter ||
                    tecla->key() == Qt::Key_Escape);
        }
    };
    auto* filtro = new Filtro(ventana);
    ventana->installEventFilter(filtro);
    for (auto* boton : ventana->findChildren<QPushButton*>())
        boton->installEventFilter(filtro);
}

} // namespace vesmadur::ui
