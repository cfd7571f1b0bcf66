#include "ui/VentanaArchivos.h"
#include "ui/VentanaVesmadur.h"

#include "AyudasQt.h"
#include "ayudas/Archivos.h"
#include "backup/CatalogoRespaldos.h"
#include "ui/VistaQtArchivos.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstdlib>

namespace vesmadur::ui {
namespace {

TEST(VentanaArchivos, DisposicionTextosYFuentesA96Ppp) {
    VentanaArchivos v(nullptr, Twips{96, 96});
    // Each control: its place, text, font family, size in points and weight.
    const std::tuple<QWidget*, QRect, const char*, const char*, double, bool> filas[] = {
        {v.Frame1(), {296, 7, 223, 251}, "", "MS Sans Serif", 8.25, false},
        {v.etqInfo(), {16, 16, 193, 225}, "", "MS Sans Serif", 9.75, false},
        {v.btnBorrar(), {6, 227, 280, 30}, "Borrar", "MS Sans Serif", 8.25, false},
        {v.btnCancelar(), {420, 272, 99, 27}, "Cancelar", "MS Sans Serif", 8.25, false},
        {v.btnAceptar(), {319, 272, 99, 27}, "Seleccionar", "MS Sans Serif", 8.25, true},
        {v.List1(), {6, 12, 280, 212}, "", "Verdana", 9.75, false},
    };
    for (const auto& [control, lugar, texto, familia, puntos, negrita] : filas) {
        SCOPED_TRACE(lugar.x());
        EXPECT_EQ(control->geometry(), lugar);
        const char* propiedad = qobject_cast<QGroupBox*>(control) ? "title" : "text";
        EXPECT_EQ(control->property(propiedad).toString(), texto);
        EXPECT_EQ(control->font().family(), familia);
        EXPECT_EQ(control->font().pointSizeF(), puntos);
        EXPECT_EQ(control->font().bold(), negrita);
    }
    EXPECT_EQ(v.etqInfo()->parentWidget(), v.Frame1());
    EXPECT_TRUE(v.etqInfo()->wordWrap());
    EXPECT_EQ(v.minimumSize(), QSize(527, 305));
    EXPECT_EQ(v.maximumSize(), QSize(527, 305));
    // The list first, then Tab through the buttons in the designed order.
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&v));
    EXPECT_EQ(QApplication::focusWidget(), v.List1());
    EXPECT_TRUE(v.btnAceptar()->isDefault());
    for (QWidget* siguiente : std::initializer_list<QWidget*>{v.btnBorrar(), v.btnAceptar(),
                                                              v.btnCancelar(), v.List1()}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), siguiente);
    }
}

// Enter presses "Seleccionar" or the focused button, Esc and the close box "Cancelar"
// (not QDialog's reject); another's close keeps the choice. The dialog hides, and stays.
TEST(VentanaArchivos, TeclasYCierresPulsanLosBotones) {
    enum Modo { Intro, IntroNumerico, Esc, IntroEnCancelar, Caja, Ajeno };
    for (Modo modo : {Intro, IntroNumerico, Esc, IntroEnCancelar, Caja, Ajeno}) {
        SCOPED_TRACE(modo);
        prueba::CarpetaTemporal carpeta;
        prueba::EscribirArchivo(carpeta / "tablas20190803-142507.resp", "");
        QPointer<VentanaArchivos> ventana = new VentanaArchivos(nullptr, Twips{96, 96});
        frmArchivos form(std::make_unique<VistaQtArchivos>(ventana), {});
        form.Directorio(carpeta.Ruta());
        ventana->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(ventana));
        if (modo == IntroEnCancelar)
            ventana->btnCancelar()->setFocus();
        const Qt::Key teclas[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Return};
        if (modo == Caja)
            CajaDeCierre(ventana);
        else if (modo == Ajeno)
            ventana->close();
        else {
            TeclaRepetida(QApplication::focusWidget(), teclas[modo]);
            EXPECT_TRUE(ventana->isVisible());
            QTest::keyClick(QApplication::focusWidget(), teclas[modo]);
        }
        EXPECT_FALSE(ventana->isVisible());
        EXPECT_EQ(form.Aceptar(), modo == Intro || modo == IntroNumerico || modo == Ajeno);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(ventana);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The etched groove of each window at 96 and 144 dpi: a shadow line and a
// highlight line a row below it, from its left end to the last column of the
// button at the right, on the button face; drawn again when uncovered. At
// the resolution the screen reports (QT_FONT_DPI, run at 96 and at 144), the
// window takes it from the screen and is drawn in its pixels, unstretched.
struct Surco {
    double Ppp;
    bool Principal;
    int Fila, Desde, Hasta; // the shadow's row, first and last column
};
class SurcoPintado : public testing::TestWithParam<Surco> {};

TEST_P(SurcoPintado, SombraYLuzHastaElUltimoPixelDelBoton) {
    const auto [ppp, principal, fila, desde, hasta] = GetParam();
    const char* pantalla = std::getenv("QT_FONT_DPI");
    const Twips real = Twips::DePantalla();
    ASSERT_EQ(real.PuntosPorPulgadaY, pantalla ? std::atof(pantalla) : 96);
    const Twips twips = real.PuntosPorPulgadaY == ppp ? real : Twips{ppp, ppp};
    std::unique_ptr<QWidget> v;
    if (principal)
        v = std::make_unique<VentanaVesmadur>(twips);
    else
        v = std::make_unique<VentanaArchivos>(nullptr, twips);
    EXPECT_EQ(v->grab().size(), v->size());
    QPalette paleta = v->palette(); // the window's colour apart from the button face's
    paleta.setColor(QPalette::Window, Qt::red);
    v->setPalette(paleta);
    const QColor sombra = paleta.color(QPalette::Dark), luz = paleta.color(QPalette::Light);
    const QColor fondo = paleta.color(QPalette::Button);
    ASSERT_NE(luz.name(), fondo.name());
    for (int vez = 0; vez < 2; ++vez) {
        const QImage imagen = v->grab().toImage();
        const QColor filas[] = {fondo, sombra, luz, fondo};
        for (int y = fila - 1; y <= fila + 2; ++y)
            for (int x : {desde - 1, desde, hasta, hasta + 1})
                EXPECT_EQ(imagen.pixelColor(x, y).name(),
                          (x < desde || x > hasta ? fondo : filas[y - fila + 1]).name())
                    << x << "," << y;
        v->update(); // covered and uncovered: painted again from nothing
    }
}

INSTANTIATE_TEST_SUITE_P(Ventanas, SurcoPintado,
                         testing::Values(Surco{96, true, 316, 147, 635}, Surco{144, true, 479, 219, 953},
                                         Surco{96, false, 264, 6, 518}, Surco{144, false, 400, 9, 777}));

// "Restaurar" on the real main window: the warning and the chooser over it, its
// clicks and Borrar reaching the logic; the choice is restored, the dialog deleted.
TEST(VentanaArchivos, RestaurarDesdeLaVentanaPrincipal) {
    prueba::CarpetaTemporal carpeta;
    const std::string config = carpeta / "config/";
    prueba::EscribirArchivo(config + "tablas20190803-142507.resp", "");
    prueba::EscribirArchivo(config + "tablas20191015-171500.resp", "");
    std::vector<std::string> contados;
    std::string restaurado;
    TareasVesmadur tareas;
    tareas.Archivos.ContarMarcacionesRespaldo = [&](const std::string& ruta) {
        contados.push_back(ruta);
        return 7;
    };
    tareas.RestaurarRespaldo = [&](const std::string& respaldo, const std::string&) {
        restaurado = respaldo;
        return ResultadoRestauracion{};
    };
    VentanaReal v(tareas, 0, {1, carpeta.Ruta(), config + "tablas.orv", ""});
    Responder(QMessageBox::Ok, [&](QMessageBox* caja) {
        EXPECT_EQ(caja->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(caja->button(QMessageBox::Ok)->text().remove('&'), "Aceptar");
        EXPECT_EQ(caja->icon(), QMessageBox::Warning);
        EXPECT_EQ(caja->windowTitle(), v.ventana->windowTitle());
        EXPECT_EQ(caja->parentWidget(), v.ventana);
    });
    QPointer<VentanaArchivos> selector;
    CuandoAparezca<VentanaArchivos>([&](VentanaArchivos* w) {
        selector = w;
        EXPECT_EQ(w->parentWidget(), v.ventana);
        EXPECT_EQ(w->windowTitle(), "Lista de archivos de configuración respaldados");
        QListWidget* lista = w->List1();
        EXPECT_TRUE(lista->item(0)->text().startsWith("Respaldo del 20"));
        EXPECT_EQ(lista->currentRow(), 0);
        EXPECT_EQ(contados.size(), 1u);
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {},
                          lista->visualItemRect(lista->item(1)).center());
        EXPECT_EQ(contados.size(), 2u);
        EXPECT_EQ(contados.back(), RutaDeRespaldo(config, RespaldosDeCarpeta(config)[1].Sello));
        EXPECT_TRUE(
            w->etqInfo()->text().startsWith("Marcaciones a ajustar: 7\n\n\nRespaldo NO ajustado"));
        QWidget* padre = nullptr;
        Responder(QMessageBox::Yes, [&](QMessageBox* caja) { padre = caja->parentWidget(); });
        w->btnBorrar()->click();
        EXPECT_EQ(padre, w);
        EXPECT_EQ(lista->count(), 1);
        EXPECT_EQ(lista->currentRow(), 0);
        w->btnAceptar()->click();
    });
    v.ventana->btnRestaurar()->click();
    ASSERT_TRUE(selector);
    EXPECT_FALSE(selector->isVisible());
    EXPECT_EQ(restaurado, contados.back());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(selector);
}

} // namespace
} // namespace vesmadur::ui
