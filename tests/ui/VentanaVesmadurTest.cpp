#include "ui/Fuente.h"
#include "ui/VentanaVesmadur.h"

#include "AyudasQt.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QTest>

namespace vesmadur::ui {
namespace {

// How many pixels of a widget's picture are close to a colour.
int PixelesDeColor(QWidget* w, QColor color) {
    const QImage imagen = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < imagen.height(); ++y)
        for (int x = 0; x < imagen.width(); ++x) {
            const QColor c = imagen.pixelColor(x, y);
            const int d = std::abs(c.red() - color.red()) + std::abs(c.green() - color.green());
            n += d + std::abs(c.blue() - color.blue()) < 40;
        }
    return n;
}

TEST(VentanaVesmadur, BarraDeProgresoSeLlenaHastaElFinal) {
    VentanaVesmadur ventana(Twips{96, 96});
    auto* barra = ventana.shape1();
    barra->show();
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
    const QColor hecho = ColorBarraDeTituloActiva(barra->palette());
    // Nothing while the bar would be no wider than a pixel.
    barra->PonerFraccion(3.5f / static_cast<float>(barra->width()));
    EXPECT_EQ(PixelesDeColor(barra, hecho), 0);
    // A burst of reports: at most one repaint per frame, yet the last state shows.
    const int antes = barra->Repintados();
    for (int i = 1; i <= 1000; ++i) {
        barra->PonerFraccion(static_cast<float>(i) / 1000);
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);
    QCoreApplication::processEvents();
    EXPECT_GT(barra->Repintados() - antes, 0);
    EXPECT_LT(barra->Repintados() - antes, 100);
    // Full: from one pixel inside the left and top edges to two inside the others.
    EXPECT_EQ(PixelesDeColor(barra, hecho), (barra->width() - 2) * (barra->height() - 2));
}

// Positions follow the resolution; captions, focus, a blue edition line, and the
// longest panels fit in Courier New (or a metric twin) at the designed size.
TEST(VentanaVesmadur, AspectoYDisposicionSegunLaResolucion) {
    VentanaVesmadur grande(Twips{144, 144});
    EXPECT_EQ(grande.size(), QSize(971, 539));
    EXPECT_EQ(grande.btnCerrar()->geometry(), QRect(809, 487, 145, 43));
    VentanaVesmadur ventana(Twips{96, 96});
    // The side picture as built, unstretched inside its 2-pixel frame, at
    // either resolution; the window's icon in its three sizes.
    const QImage lateral = QImage(":/arte/lateral.png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(lateral.size(), QSize(131, 341));
    for (auto* v : {&ventana, &grande}) {
        const QImage imagen = v->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint dentro = v->image1()->pos() + QPoint(2, 2);
        EXPECT_EQ(imagen.copy(QRect(dentro, lateral.size())), lateral);
    }
    EXPECT_EQ(ventana.windowIcon().availableSizes(),
              (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
    // A face the machine lacks is drawn in its metric substitute.
    for (const auto& [cara, sustituta] : {std::pair{"Courier New", "Liberation Mono"},
                                          {"MS Sans Serif", "Liberation Sans"},
                                          {"Verdana", "DejaVu Sans"}})
        if (!QFontDatabase::hasFamily(QString::fromLatin1(cara))) {
            EXPECT_EQ(QFontInfo(Fuente(cara, QFont::AnyStyle, 10, 400)).family(), sustituta);
        }
    EXPECT_EQ(ventana.btnAjustar()->text(), "Ajustar");
    EXPECT_EQ(ventana.btnRestaurar()->text(), "Restaurar");
    EXPECT_EQ(ventana.btnCerrar()->text(), "Cerrar");
    EXPECT_EQ(ventana.focusWidget(), ventana.btnAjustar());
    ventana.etqOrvanto()->setText("Orvanto detectado: <Ninguno>");
    EXPECT_GT(PixelesDeColor(ventana.etqOrvanto(), QColor(0, 0, 255)), 50);
    auto* info = ventana.etqInfo();
    EXPECT_TRUE(info->wordWrap());
    const QString inicio = "Directorio: \n    /opt/orvanto/instalaciones/ofimbra-plus/\n\n"
                           "Marcaciones detectadas a procesar: 1234567\n\n";
    const QString trasCorrida =
        inicio + "Respaldando configuracion...\nAbriendo configuracion...\n"
                 "Leyendo marcaciones...\nMarcaciones ajustadas: 1234567 de 9999999\n"
                 "Configuracion cerrada.\nProceso de ajuste finalizado.\n\n"
                 "Presiona el boton <Cerrar> para terminar.";
    const QString alCargar =
        inicio + "\nNO se puede realizar ninguna tarea, no fue detectado ninguna instalación de "
                 "ORVANTO.\n\n\nPresiona el boton <Cerrar> para terminar.";
    for (const auto& texto : {trasCorrida, alCargar}) {
        info->setText(texto);
        EXPECT_LE(info->heightForWidth(info->width()), info->height()) << texto.toStdString();
    }
}

// The confirmation: a warning, Yes by default, No runs nothing. While busy the bar
// shows, the pointer waits, the close box and "Cerrar" are refused; then not.
TEST(VentanaVesmadur, ConfirmacionYOcupadoLaCajaDeCierreNoCierraYLuegoSi) {
    int corridas = 0;
    VentanaReal* real = nullptr;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
        ++corridas;
        EXPECT_TRUE(real->ventana->shape1()->isVisible());
        EXPECT_EQ(real->ventana->cursor().shape(), Qt::WaitCursor);
        // The close box and "Cerrar", let through by the events the run processes.
        CajaDeCierre(real->ventana);
        f.Vista().ProcesarEventos();
        EXPECT_TRUE(real->ventana->isVisible());
        real->ventana->btnCerrar()->click();
        EXPECT_TRUE(real->ventana->isVisible());
    };
    VentanaReal v(tareas);
    real = &v;
    Responder(QMessageBox::No, [](QMessageBox* caja) {
        EXPECT_EQ(caja->windowTitle(), "Orvanto - Nueva Marcacion Cofetel 2019");
        EXPECT_EQ(caja->text(), "Le recomendamos cerrar el programa ORVANTO antes de iniciar.\n\n"
                                "¿Desea iniciar el proceso de ajuste de marcaciones?");
        EXPECT_EQ(caja->icon(), QMessageBox::Warning);
        EXPECT_EQ(caja->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(caja->defaultButton(), caja->button(QMessageBox::Yes));
        // In Spanish on an English machine.
        EXPECT_EQ(caja->button(QMessageBox::Yes)->text().remove('&'), "Sí");
        EXPECT_EQ(caja->button(QMessageBox::No)->text().remove('&'), "No");
    });
    v.ventana->btnAjustar()->click();
    EXPECT_EQ(corridas, 0);
    EXPECT_TRUE(v.ventana->btnAjustar()->isEnabled());
    Responder(QMessageBox::Yes);
    v.ventana->btnAjustar()->click();
    EXPECT_EQ(corridas, 1);
    EXPECT_FALSE(v.Cerrada());
    EXPECT_FALSE(v.ventana->shape1()->isVisible());
    EXPECT_FALSE(v.ventana->btnAjustar()->isEnabled());
    EXPECT_FALSE(v.ventana->btnRestaurar()->isEnabled());
    // The logic's texts, the panel's CR LF as line breaks.
    EXPECT_EQ(v.ventana->etqOrvanto()->text(), "Orvanto detectado: Ofimbra");
    EXPECT_TRUE(v.ventana->etqInfo()->text().startsWith(
        "Directorio: \n    /opt/orvanto/\n\nMarcaciones detectadas a procesar: 3\n"));
    CajaDeCierre(v.ventana);
    EXPECT_TRUE(v.Cerrada());
    EXPECT_FALSE(v.ventana->isVisible());
}

// Esc presses "Cerrar", Enter the focused button; another's close is never refused
// (nothing runs after it). The logic goes when the action ends, the widgets later.
TEST(VentanaVesmadur, TeclasYCierreAjenoCierranLaVentana) {
    enum Modo { Esc, Intro, IntroNumerico, AjenoEnCorrida, AjenoEnConfirmacion };
    for (Modo modo : {Esc, Intro, IntroNumerico, AjenoEnCorrida, AjenoEnConfirmacion}) {
        SCOPED_TRACE(modo);
        int corridas = 0;
        VentanaReal* real = nullptr;
        TareasVesmadur tareas;
        tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
            ++corridas;
            real->ventana->close();
            f.Vista().ProcesarEventos();
            f.AgregarLinea("Proceso de ajuste finalizado.");
            f.Vista().DibujarProgreso(1.0f);
            EXPECT_FALSE(real->ventana->isVisible());
            EXPECT_FALSE(real->Cerrada()) << "released while still running";
        };
        VentanaReal v(tareas);
        real = &v;
        if (modo <= IntroNumerico) {
            (modo == Esc ? v.ventana->btnAjustar() : v.ventana->btnCerrar())->setFocus();
            const Qt::Key teclas[] = {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter};
            TeclaRepetida(v.ventana, teclas[modo]);
            EXPECT_FALSE(v.Cerrada());
            QTest::keyClick(v.ventana, teclas[modo]);
        } else {
            Responder(QMessageBox::Yes, [&](QMessageBox*) {
                if (modo == AjenoEnConfirmacion)
                    v.ventana->close();
            });
            v.ventana->btnAjustar()->click();
        }
        EXPECT_EQ(corridas, modo == AjenoEnCorrida ? 1 : 0);
        EXPECT_TRUE(v.Cerrada());
        ASSERT_TRUE(v.ventana);
        EXPECT_FALSE(v.ventana->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(v.ventana);
    }
}

} // namespace
} // namespace vesmadur::ui
