#pragma once

#include <QKeyEvent>
#include <QObject>
#include <QPushButton>
#include <QWidget>

namespace vesmadur::ui {

// A held key's repeats press no button of `ventana`: only the press itself
// does. A held Enter that answered a question would otherwise go on to the
// button focused after it: the question's box closes on the press, and its
// repeats reach the main window while the run goes; the first that Qt takes
// for a new press after the run would press "Cerrar". The repeats of Enter and
// Esc are taken before the window or its buttons see them; the buttons count,
// as in a dialog they take Enter themselves.
//
// X11 sends a repeat as a release and a press with the same time stamp. Qt
// marks the pair as a repeat only when the press is already queued when it
// reads the release; otherwise the press comes as a new one. So a press with
// the time stamp of the last release of its key is a repeat too: no hand lets
// go of a key and presses it again within the same millisecond.
inline void IgnorarRepeticiones(QWidget* ventana) {
    struct Filtro : QObject {
        using QObject::QObject;
        bool eventFilter(QObject*, QEvent* evento) override {
            const auto tipo = evento->type();
            if (tipo != QEvent::KeyPress && tipo != QEvent::KeyRelease)
                return false;
            const auto* tecla = static_cast<QKeyEvent*>(evento);
            if (tecla->key() != Qt::Key_Return && tecla->key() != Qt::Key_Enter &&
                tecla->key() != Qt::Key_Escape)
                return false;
            if (tipo == QEvent::KeyRelease) {
                soltada_ = tecla->key();
                momento_ = tecla->timestamp();
                return false;
            }
            return tecla->isAutoRepeat() ||
                   (tecla->key() == soltada_ && tecla->timestamp() == momento_ && momento_ != 0);
        }
        int soltada_ = 0;
        quint64 momento_ = 0;
    };
    auto* filtro = new Filtro(ventana);
    ventana->installEventFilter(filtro);
    for (auto* boton : ventana->findChildren<QPushButton*>())
        boton->installEventFilter(filtro);
}

} // namespace vesmadur::ui
