#pragma once

// The widget tests' real main window, the close box, and the operator in modal windows.

#include "app/basPrincipal.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace vesmadur::ui {

// The real main window started by the real entry procedure on an installation
// with `cuenta` old-style entries (detection and count injected).
struct VentanaReal {
    explicit VentanaReal(TareasVesmadur tareas = {}, std::int32_t cuenta = 3,
                         DatosInstalacion datos = {1, "/opt/orvanto/",
                                                   "/opt/orvanto/config/tablas.orv", ""}) {
        tareas.DetectarInstalacion = [datos] { return datos; };
        tareas.ContarMarcaciones = [cuenta](frmVesmadur&) { return cuenta; };
        basPrincipal::Plataforma plataforma;
        plataforma.CrearVentana = [this, tareas](std::function<void()> cerrar) {
            auto form = CrearVentanaVesmadur(tareas, std::move(cerrar));
            ventana = static_cast<VistaQtVesmadur&>(form->Vista()).Ventana();
            return form;
        };
        principal = std::make_unique<basPrincipal>(std::move(plataforma));
        principal->Main();
    }
    bool Cerrada() const { return principal->Ventana() == nullptr; }
    std::unique_ptr<basPrincipal> principal;
    QPointer<VentanaVesmadur> ventana;
};

// What the window system sends when the operator uses the close box.
inline void CajaDeCierre(QWidget* ventana) {
    QCloseEvent cierre;
    QSpontaneKeyEvent::setSpontaneous(&cierre);
    QApplication::sendEvent(ventana->windowHandle(), &cierre);
}

// Once a modal window of type T is up, `accion` runs on it from that window's own loop.
template <class T> void CuandoAparezca(std::function<void(T*)> accion, int intentos = 1000) {
    QTimer::singleShot(0, [=] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible())
            accion(w);
        else if (intentos > 0)
            CuandoAparezca<T>(accion, intentos - 1);
        else
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className();
    });
}

// Gives `respuesta` in the next message box, after `mientras` ran with it open.
inline void Responder(QMessageBox::StandardButton respuesta,
                      std::function<void(QMessageBox*)> mientras = {}) {
    CuandoAparezca<QMessageBox>([=](QMessageBox* caja) {
        if (mientras) {
            mientras(caja);
            QCoreApplication::processEvents();
        }
        caja->button(respuesta)->click();
    });
}

// The repeats that a held key sends, to `destino`: it must press nothing. One
// is marked as a repeat; the other is the release and press of one time stamp
// that X11 sends for a repeat, unmarked, as Qt passes it on when the press
// was not yet queued.
inline void TeclaRepetida(QWidget* destino, Qt::Key tecla) {
    QKeyEvent repetida(QEvent::KeyPress, tecla, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(destino, &repetida);
    for (auto tipo : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent mitad(tipo, tecla, Qt::NoModifier);
        mitad.setTimestamp(4'000'000'000ULL);
        QApplication::sendEvent(destino, &mitad);
    }
}

} // namespace vesmadur::ui
