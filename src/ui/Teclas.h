#pragma once

#include <QKeyEvent>
#include <QObject>
#include <QPushButton>
#include <QWidget>

namespace vesmadur::ui {

// A held key's repeats press no button: only the press itself does. (A held
// Enter that answered a question would otherwise press the button focused
// after it.) True, with the event taken, for a repeat of Enter or Esc.
inline bool RepeticionIgnorada(QKeyEvent* evento) {
    const int tecla = evento->key();
    if (!evento->isAutoRepeat() ||
        (tecla != Qt::Key_Return && tecla != Qt::Key_Enter && tecla != Qt::Key_Escape))
        return false;
    evento->accept();
    return true;
}

// The same for the buttons of `ventana`, which take Enter themselves in a
// dialog: their key presses pass through RepeticionIgnorada first.
inline void IgnorarRepeticiones(QWidget* ventana) {
    struct Filtro : QObject {
        using QObject::QObject;
        bool eventFilter(QObject*, QEvent* evento) override {
            return evento->type() == QEvent::KeyPress &&
                   RepeticionIgnorada(static_cast<QKeyEvent*>(evento));
        }
    };
    auto* filtro = new Filtro(ventana);
    for (auto* boton : ventana->findChildren<QPushButton*>())
        boton->installEventFilter(filtro);
}

} // namespace vesmadur::ui
