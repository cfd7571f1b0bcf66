#include "ui/VentanaVesmadur.h"

#include "app/basPrincipal.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace vesmadur::ui {
namespace {

DatosInstalacion Instalado() {
    return {1, "/opt/orvanto/", "/opt/orvanto/config/tablas.orv", ""};
}

// The real main window started by the real entry procedure, with detection
// and the count injected.
struct VentanaReal {
    explicit VentanaReal(DatosInstalacion datos, std::int32_t cuenta, TareasVesmadur tareas = {}) {
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

// Presses "Ajustar" and answers Yes in the confirmation box.
void PulsarAjustarYConfirmar(VentanaReal& v) {
    QTimer::singleShot(0, [] {
        if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            caja->button(QMessageBox::Yes)->click();
    });
    v.ventana->btnAjustar()->click();
}

// What the window system sends when the operator uses the close box.
void CajaDeCierre(QWidget* ventana) {
    QCloseEvent cierre;
    QSpontaneKeyEvent::setSpontaneous(&cierre);
    QApplication::sendEvent(ventana->windowHandle(), &cierre);
}

TEST(VentanaVesmadur, DisposicionEnPixelesA96Ppp) {
    VentanaVesmadur ventana(Twips{96, 96});
    EXPECT_EQ(ventana.size(), QSize(647, 359));
    EXPECT_EQ(ventana.btnAjustar()->geometry(), QRect(146, 323, 100, 30));
    EXPECT_EQ(ventana.btnRestaurar()->geometry(), QRect(250, 323, 100, 30));
    EXPECT_EQ(ventana.btnCerrar()->geometry(), QRect(539, 324, 97, 29));
    EXPECT_EQ(ventana.etqOrvanto()->geometry(), QRect(148, 16, 484, 25));
    EXPECT_EQ(ventana.etqInfo()->geometry(), QRect(148, 47, 484, 267));
    EXPECT_EQ(ventana.shape1()->geometry(), QRect(148, 283, 484, 15));
    EXPECT_EQ(ventana.image1()->geometry(), QRect(7, 8, 135, 345));
    EXPECT_EQ(ventana.btnAjustar()->text(), "Ajustar");
    EXPECT_EQ(ventana.btnRestaurar()->text(), "Restaurar");
    EXPECT_EQ(ventana.btnCerrar()->text(), "Cerrar");
    EXPECT_TRUE(ventana.etqInfo()->wordWrap());
}

// How many pixels of a widget's picture are close to a colour.
int PixelesDeColor(QWidget* w, QColor color) {
    const QImage imagen = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < imagen.height(); ++y)
        for (int x = 0; x < imagen.width(); ++x) {
            const QColor c = imagen.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                    std::abs(c.blue() - color.blue()) <
                40)
                ++n;
        }
    return n;
}

TEST(VentanaVesmadur, LineaDeEdicionEnAzul) {
    VentanaVesmadur ventana(Twips{96, 96});
    ventana.etqOrvanto()->setText("Orvanto detectado: <Ninguno>");
    EXPECT_GT(PixelesDeColor(ventana.etqOrvanto(), QColor(0, 0, 255)), 50);
}

TEST(VentanaVesmadur, BarraDeProgresoSeLlenaHastaElFinal) {
    VentanaVesmadur ventana(Twips{96, 96});
    auto* barra = ventana.shape1();
    barra->show();
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
    const QColor hecho = barra->palette().color(QPalette::Highlight);
    barra->PonerFraccion(0);
    EXPECT_EQ(PixelesDeColor(barra, hecho), 0);
    // Many reports in a burst: few repaints, but the last state shows.
    const int antes = barra->Repintados();
    for (int i = 1; i <= 1000; ++i) {
        barra->PonerFraccion(static_cast<float>(i) / 1000);
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);
    QCoreApplication::processEvents();
    // At most one repaint per frame, yet more than none.
    EXPECT_GT(barra->Repintados() - antes, 0);
    EXPECT_LT(barra->Repintados() - antes, 100);
    const int lleno = PixelesDeColor(barra, hecho);
    // Full: from one pixel inside the left and top edges to two inside the
    // right and bottom ones, both ends included.
    EXPECT_EQ(lleno, (barra->width() - 2) * (barra->height() - 2));
}

// The longest panels the window shows fit the status panel without being cut:
// the report after a run and the load text, at the designed size and font
// (Courier New, or a metric twin of it).
TEST(VentanaVesmadur, LosPanelesCabenEnEtqInfo) {
    VentanaVesmadur ventana(Twips{96, 96});
    auto* info = ventana.etqInfo();
    const QString carpeta = "/opt/orvanto/instalaciones/ofimbra-plus/";
    const QString trasCorrida =
        "Directorio: \n    " + carpeta +
        "\n\nMarcaciones detectadas a procesar: 1234567\n\n"
        "Respaldando configuracion...\nAbriendo configuracion...\n"
        "Leyendo marcaciones...\nMarcaciones ajustadas: 1234567 de 9999999\n"
        "Configuracion cerrada.\nProceso de ajuste finalizado.\n\n"
        "Presiona el boton <Cerrar> para terminar.";
    const QString alCargar =
        "Directorio: \n    " + carpeta +
        "\n\nMarcaciones detectadas a procesar: 1234567\n\n\n"
        "NO se puede realizar ninguna tarea, no fue detectado ninguna instalación de ORVANTO.\n\n\n"
        "Presiona el boton <Cerrar> para terminar.";
    for (const auto& texto : {trasCorrida, alCargar}) {
        info->setText(texto);
        EXPECT_LE(info->heightForWidth(info->width()), info->height()) << texto.toStdString();
    }
}

TEST(VentanaVesmadur, DisposicionSigueLaResolucion) {
    VentanaVesmadur ventana(Twips{144, 144});
    EXPECT_EQ(ventana.size(), QSize(971, 539));
    EXPECT_EQ(ventana.btnCerrar()->geometry(), QRect(809, 487, 145, 43));
}

TEST(VentanaVesmadur, CargaMuestraTextosYEstados) {
    VentanaReal v(Instalado(), 12);
    EXPECT_EQ(v.ventana->windowTitle(), "Orvanto - Nueva Marcacion Cofetel 2019");
    EXPECT_EQ(v.ventana->etqOrvanto()->text(), "Orvanto detectado: Ofimbra");
    EXPECT_TRUE(v.ventana->etqInfo()->text().startsWith(
        "Directorio: \n    /opt/orvanto/\n\nMarcaciones detectadas a procesar: 12\n"));
    EXPECT_TRUE(v.ventana->btnAjustar()->isEnabled());
    EXPECT_FALSE(v.ventana->btnRestaurar()->isEnabled());
    EXPECT_TRUE(v.ventana->btnCerrar()->isEnabled());
    EXPECT_FALSE(v.ventana->shape1()->isVisible());

    VentanaReal sin({}, 0);
    EXPECT_EQ(sin.ventana->etqOrvanto()->text(), "Orvanto detectado: <Ninguno>");
    EXPECT_FALSE(sin.ventana->btnAjustar()->isEnabled());
    EXPECT_FALSE(sin.ventana->btnRestaurar()->isEnabled());
    EXPECT_TRUE(
        sin.ventana->etqInfo()->text().endsWith("Presiona el boton <Cerrar> para terminar."));
}

TEST(VentanaVesmadur, EscPulsaCerrar) {
    VentanaReal v({}, 0);
    QTest::keyClick(v.ventana, Qt::Key_Escape);
    EXPECT_TRUE(v.Cerrada());
    ASSERT_TRUE(v.ventana); // deleted only once Qt is back in its loop
    EXPECT_FALSE(v.ventana->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(v.ventana);
}

TEST(VentanaVesmadur, ConfirmacionEsAvisoSiNoConSiPorDefecto) {
    int corridas = 0;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur&) { ++corridas; };
    VentanaReal v(Instalado(), 3, tareas);

    QString titulo, texto;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QMessageBox::StandardButtons botones;
    QAbstractButton* porDefecto = nullptr;
    QAbstractButton* si = nullptr;
    QTimer::singleShot(0, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(caja, nullptr);
        titulo = caja->windowTitle();
        texto = caja->text();
        icono = caja->icon();
        botones = caja->standardButtons();
        porDefecto = caja->defaultButton();
        si = caja->button(QMessageBox::Yes);
        caja->button(QMessageBox::No)->click();
    });
    v.ventana->btnAjustar()->click();

    EXPECT_FALSE(v.Cerrada());
    EXPECT_EQ(titulo, "Orvanto - Nueva Marcacion Cofetel 2019");
    EXPECT_EQ(texto, "Le recomendamos cerrar el programa ORVANTO antes de iniciar.\n\n"
                     "¿Desea iniciar el proceso de ajuste de marcaciones?");
    EXPECT_EQ(icono, QMessageBox::Warning);
    EXPECT_EQ(botones, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(porDefecto, si);
    EXPECT_EQ(corridas, 0);
    EXPECT_TRUE(v.ventana->btnAjustar()->isEnabled());
}

TEST(VentanaVesmadur, OcupadoLaCajaDeCierreNoCierraYLuegoSi) {
    bool visibleTrasCaja = false, visibleTrasCerrar = false, progresoVisible = false;
    Qt::CursorShape puntero = Qt::ArrowCursor;
    VentanaReal* real = nullptr;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
        progresoVisible = real->ventana->shape1()->isVisible();
        puntero = real->ventana->cursor().shape();
        // The operator's close box and "Cerrar", let through by the events
        // the run processes.
        CajaDeCierre(real->ventana);
        f.Vista().ProcesarEventos();
        visibleTrasCaja = real->ventana->isVisible();
        real->ventana->btnCerrar()->click();
        visibleTrasCerrar = real->ventana->isVisible();
    };
    VentanaReal v(Instalado(), 3, tareas);
    real = &v;
    PulsarAjustarYConfirmar(v);

    EXPECT_TRUE(progresoVisible);
    EXPECT_EQ(puntero, Qt::WaitCursor);
    EXPECT_TRUE(visibleTrasCaja);
    EXPECT_TRUE(visibleTrasCerrar);
    EXPECT_FALSE(v.Cerrada());
    EXPECT_FALSE(v.ventana->shape1()->isVisible());
    EXPECT_FALSE(v.ventana->btnAjustar()->isEnabled());
    EXPECT_FALSE(v.ventana->btnRestaurar()->isEnabled());

    // No longer busy: the close box closes.
    CajaDeCierre(v.ventana);
    EXPECT_TRUE(v.Cerrada());
    EXPECT_FALSE(v.ventana->isVisible());
}

// A close that is not the operator's is never refused, even in the middle of
// a run or of the confirmation: the window goes at once, its logic when the
// action below it ends (the sanitizer build catches any use after release).
TEST(VentanaVesmadur, CierreAjenoDuranteLaCorridaLiberaAlTerminar) {
    VentanaReal* real = nullptr;
    bool visibleDurante = true;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
        real->ventana->close();
        f.Vista().ProcesarEventos();
        f.AgregarLinea("Proceso de ajuste finalizado.");
        f.Vista().DibujarProgreso(1.0f);
        visibleDurante = real->ventana->isVisible();
    };
    VentanaReal v(Instalado(), 3, tareas);
    real = &v;
    PulsarAjustarYConfirmar(v);
    EXPECT_FALSE(visibleDurante);
    EXPECT_TRUE(v.Cerrada());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(v.ventana);
}

TEST(VentanaVesmadur, CierreAjenoDuranteLaConfirmacionNoCorreNada) {
    int corridas = 0;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur&) { ++corridas; };
    VentanaReal v(Instalado(), 3, tareas);
    QTimer::singleShot(0, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(caja, nullptr);
        v.ventana->close();
        QCoreApplication::processEvents();
        caja->button(QMessageBox::Yes)->click();
    });
    v.ventana->btnAjustar()->click();
    EXPECT_EQ(corridas, 0);
    EXPECT_TRUE(v.Cerrada());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(v.ventana);
}

} // namespace
} // namespace vesmadur::ui
