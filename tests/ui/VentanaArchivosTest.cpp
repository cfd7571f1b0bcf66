#include "ui/VentanaArchivos.h"

#include "AyudasQt.h"
#include "app/TextosVesmadur.h"
#include "ayudas/Archivos.h"
#include "backup/CatalogoRespaldos.h"
#include "ui/VistaQtArchivos.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace vesmadur::ui {
namespace {

using prueba::CarpetaTemporal;

// Writes backups (any bytes) into `carpeta`, one per stamp.
void EscribirRespaldos(const std::string& carpeta, int cuantos) {
    const char* sellos[] = {"20190803-142507", "20190901-080000", "20191015-171500"};
    for (int i = 0; i < cuantos; ++i)
        prueba::EscribirArchivo(carpeta + "/tablas" + sellos[i] + ".resp", "respaldo");
}

// The real chooser logic over the dialog at 96 dpi, listing a folder of
// backups; each count it asks for is recorded and answers 7.
struct Selector {
    explicit Selector(int respaldos) {
        EscribirRespaldos(carpeta.Ruta(), respaldos);
        ventana = new VentanaArchivos(nullptr, Twips{96, 96});
        TareasArchivos tareas;
        tareas.ContarMarcacionesRespaldo = [this](const std::string& ruta) {
            contados.push_back(ruta);
            return 7;
        };
        form = std::make_unique<frmArchivos>(std::make_unique<VistaQtArchivos>(ventana), tareas);
        form->PonerTitulo(textos::TituloArchivos);
        form->Directorio(carpeta.Ruta());
        ventana->show();
    }
    ~Selector() {
        form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CarpetaTemporal carpeta;
    std::vector<std::string> contados;
    QPointer<VentanaArchivos> ventana;
    std::unique_ptr<frmArchivos> form;
};

TEST(VentanaArchivos, DisposicionTextosYFuentesA96Ppp) {
    VentanaArchivos v(nullptr, Twips{96, 96});
    struct Fila {
        QWidget* control;
        QRect lugar;
        const char* texto;
        const char* familia;
        double puntos;
        bool negrita;
    };
    const Fila filas[] = {
        {v.Frame1(), {296, 7, 223, 251}, "", "MS Sans Serif", 8.25, false},
        {v.etqInfo(), {16, 16, 193, 225}, "", "MS Sans Serif", 9.75, false},
        {v.btnBorrar(), {6, 227, 280, 30}, "Borrar", "MS Sans Serif", 8.25, false},
        {v.btnCancelar(), {420, 272, 99, 27}, "Cancelar", "MS Sans Serif", 8.25, false},
        {v.btnAceptar(), {319, 272, 99, 27}, "Seleccionar", "MS Sans Serif", 8.25, true},
        {v.List1(), {6, 12, 280, 212}, "", "Verdana", 9.75, false},
    };
    for (const auto& f : filas) {
        SCOPED_TRACE(f.lugar.x());
        EXPECT_EQ(f.control->geometry(), f.lugar);
        const char* propiedad = qobject_cast<QGroupBox*>(f.control) ? "title" : "text";
        EXPECT_EQ(f.control->property(propiedad).toString(), f.texto);
        EXPECT_EQ(f.control->font().family(), f.familia);
        EXPECT_EQ(f.control->font().pointSizeF(), f.puntos);
        EXPECT_EQ(f.control->font().bold(), f.negrita);
    }
    EXPECT_EQ(v.etqInfo()->parentWidget(), v.Frame1());
    EXPECT_TRUE(v.etqInfo()->wordWrap());
    EXPECT_EQ(v.minimumSize(), QSize(527, 305));
    EXPECT_EQ(v.maximumSize(), QSize(527, 305));
    EXPECT_TRUE(v.isModal());

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

// Enter presses "Seleccionar" from the list, else the focused button; Esc
// presses "Cancelar" (QDialog's own reject would keep the choice).
TEST(VentanaArchivos, TeclasPulsanLosBotones) {
    struct Caso {
        Qt::Key tecla;
        bool focoEnCancelar;
        bool elige;
    };
    for (const Caso c : {Caso{Qt::Key_Return, false, true}, Caso{Qt::Key_Enter, false, true},
                         Caso{Qt::Key_Escape, false, false}, Caso{Qt::Key_Return, true, false}}) {
        SCOPED_TRACE(c.tecla);
        Selector s(2);
        ASSERT_TRUE(QTest::qWaitForWindowActive(s.ventana));
        if (c.focoEnCancelar)
            s.ventana->btnCancelar()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), c.tecla);
        EXPECT_FALSE(s.ventana->isVisible());
        EXPECT_EQ(s.form->Aceptar(), c.elige);
    }
}

// The close box is the logic's "Cancelar": the dialog hides and stays for its
// caller. Another's close is not intercepted and keeps the choice.
TEST(VentanaArchivos, CajaDeCierreCancelaYOtroCierreNo) {
    for (bool caja : {true, false}) {
        Selector s(2);
        ASSERT_TRUE(s.form->Aceptar());
        caja ? CajaDeCierre(s.ventana) : void(s.ventana->close());
        EXPECT_FALSE(s.ventana->isVisible());
        EXPECT_EQ(s.form->Aceptar(), !caja);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(s.ventana);
    }
}

// The logic's own selection is shown and not reported back (one count); the
// operator's click on a row reaches the logic, whose text the label shows.
TEST(VentanaArchivos, ClicEnUnaFilaLlegaALaLogica) {
    Selector s(3);
    QListWidget* lista = s.ventana->List1();
    ASSERT_EQ(lista->count(), 3);
    EXPECT_TRUE(lista->item(0)->text().startsWith("Respaldo del 20"));
    EXPECT_EQ(lista->currentRow(), 0);
    EXPECT_EQ(s.contados.size(), 1u);

    QTest::mouseClick(lista->viewport(), Qt::LeftButton, {},
                      lista->visualItemRect(lista->item(2)).center());
    EXPECT_EQ(s.form->Seleccion(), 2);
    ASSERT_EQ(s.contados.size(), 2u);
    EXPECT_EQ(s.contados[1],
              RutaDeRespaldo(s.form->DirectorioListado(), s.form->SellosRespaldo()[2]));
    EXPECT_TRUE(s.ventana->etqInfo()->text().startsWith(
        "Marcaciones a ajustar: 7\n\n\nRespaldo NO ajustado"));
}

// "Borrar" asks first, over the dialog; only a yes deletes the backup.
TEST(VentanaArchivos, BorrarPreguntaYLaListaSeAcorta) {
    for (auto respuesta : {QMessageBox::No, QMessageBox::Yes}) {
        Selector s(3);
        bool pregunto = false;
        Responder(respuesta, [&](QMessageBox* caja) {
            pregunto = true;
            EXPECT_EQ(caja->parentWidget(), s.ventana);
            EXPECT_EQ(caja->windowTitle(), "Lista de archivos de configuración respaldados");
            EXPECT_EQ(caja->text(), "¿Deseas borrar el archivo seleccionado?");
        });
        s.ventana->btnBorrar()->click();
        EXPECT_TRUE(pregunto);
        const int quedan = respuesta == QMessageBox::Yes ? 2 : 3;
        EXPECT_EQ(s.ventana->List1()->count(), quedan);
        EXPECT_EQ(prueba::Nombres(s.carpeta.Ruta()).size(), std::size_t(quedan));
        EXPECT_EQ(s.ventana->List1()->currentRow(), s.form->Seleccion());
    }
}

// The etched groove: a shadow line and a highlight line below it, from the
// list's left edge to the right edge of "Cancelar", on the button face.
TEST(VentanaArchivos, SurcoSobreLosBotones) {
    VentanaArchivos v(nullptr, Twips{96, 96});
    QPalette paleta = v.palette(); // the window's colour apart from the button face's
    paleta.setColor(QPalette::Window, Qt::red);
    v.setPalette(paleta);
    const QImage imagen = v.grab().toImage();
    const QColor sombra = v.palette().color(QPalette::Dark);
    const QColor luz = v.palette().color(QPalette::Light);
    const QColor fondo = v.palette().color(QPalette::Button);
    ASSERT_NE(luz.name(), fondo.name());
    struct Punto {
        int x, y;
        QColor color;
    };
    for (const Punto p : {Punto{6, 264, sombra}, Punto{519, 264, sombra}, Punto{6, 265, luz},
                          Punto{519, 265, luz}, Punto{5, 264, fondo}, Punto{520, 265, fondo},
                          Punto{6, 263, fondo}, Punto{519, 266, fondo}}) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(imagen.pixelColor(p.x, p.y).name(), p.color.name());
    }
}

// "Restaurar" on the real main window: the warning, then the chooser, modal
// over it. "Seleccionar" restores the first backup listed over the
// configuration; "Cancelar" changes nothing.
TEST(VentanaArchivos, RestaurarDesdeLaVentanaPrincipal) {
    for (bool seleccionar : {true, false}) {
        SCOPED_TRACE(seleccionar);
        CarpetaTemporal carpeta;
        const std::string dir = carpeta.Ruta() + "/";
        EscribirRespaldos(dir + "config", 2);
        std::vector<std::string> restaurado;
        TareasVesmadur tareas;
        tareas.RestaurarRespaldo = [&](const std::string& respaldo, const std::string& config) {
            restaurado = {respaldo, config};
            return ResultadoRestauracion{};
        };
        VentanaReal v({1, dir, dir + "config/tablas.orv", ""}, 0, tareas);
        const QString antes = v.ventana->etqInfo()->text();

        Responder(QMessageBox::Ok, [&](QMessageBox* caja) {
            EXPECT_EQ(caja->standardButtons(), QMessageBox::Ok);
            EXPECT_EQ(caja->icon(), QMessageBox::Warning);
            EXPECT_EQ(caja->windowTitle(), v.ventana->windowTitle());
        });
        QPointer<VentanaArchivos> selector;
        CuandoAparezca<VentanaArchivos>([&](VentanaArchivos* w) {
            selector = w;
            EXPECT_TRUE(w->isModal());
            EXPECT_EQ(w->parentWidget(), v.ventana);
            EXPECT_EQ(w->windowTitle(), "Lista de archivos de configuración respaldados");
            EXPECT_EQ(w->List1()->count(), 2);
            (seleccionar ? w->btnAceptar() : w->btnCancelar())->click();
        });
        v.ventana->btnRestaurar()->click();
        ASSERT_TRUE(selector);
        EXPECT_FALSE(selector->isVisible());

        if (seleccionar) {
            const auto primero = RespaldosDeCarpeta(dir + "config/").front().Sello;
            EXPECT_EQ(restaurado,
                      (std::vector<std::string>{RutaDeRespaldo(dir + "config/", primero),
                                                dir + "config/tablas.orv"}));
            EXPECT_TRUE(v.ventana->etqInfo()->text().contains(
                "\n\nRestaurando configuracion...\nRespaldo hecho exitosamente.\n"));
        } else {
            EXPECT_TRUE(restaurado.empty());
            EXPECT_EQ(v.ventana->etqInfo()->text(), antes);
        }
        EXPECT_EQ(v.ventana->btnRestaurar()->isEnabled(), !seleccionar);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(selector);
    }
}

} // namespace
} // namespace vesmadur::ui
