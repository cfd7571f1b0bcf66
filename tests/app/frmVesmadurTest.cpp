#include "app/VistaGuionada.h"
#include "app/basPrincipal.h"
#include "ayudas/Archivos.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace vesmadur {
namespace {

using namespace prueba;

const std::string kTitulo = "Orvanto - Nueva Marcacion Cofetel 2019";

// The work of a window on an installation found with `cuenta` old-style
// entries, besides `tareas`.
TareasVesmadur Instalado(std::int32_t cuenta, TareasVesmadur tareas = {}, std::int16_t edicion = 1,
                         std::string dir = "/opt/orvanto/") {
    tareas.DetectarInstalacion = [=] {
        return DatosInstalacion{edicion, dir, dir + "config/tablas.orv",
                                dir + "config/tablas20190803-142507.resp"};
    };
    tareas.ContarMarcaciones = [cuenta](frmVesmadur&) { return cuenta; };
    return tareas;
}

// The entry procedure with a scripted window and the test's work behind it
// (the refused second copy is a real process, in InstanciaUnicaTest).
struct Programa {
    explicit Programa(TareasVesmadur tareas = {}) {
        basPrincipal::Plataforma p;
        p.CrearVentana = [this, tareas](std::function<void()> cerrar) {
            auto vistaPropia = std::make_unique<VistaGuionada>();
            vista = vistaPropia.get();
            auto form = std::make_unique<frmVesmadur>(std::move(vistaPropia), tareas, cerrar);
            vista->Formulario = form.get();
            return form;
        };
        principal = std::make_unique<basPrincipal>(std::move(p));
    }
    Programa(const Programa&) = delete; // the platform's answers point here

    frmVesmadur& Ventana() { return *principal->Ventana(); }
    // Presses "Ajustar" and gives `respuesta` to the confirmation.
    void Ajustar(Respuesta respuesta = Respuesta::Si) {
        vista->Respuestas = {respuesta};
        Ventana().btnAjustarPulsado();
    }

    VistaGuionada* vista = nullptr;
    std::unique_ptr<basPrincipal> principal;
};

std::string Lineas(const std::vector<std::string>& lineas) {
    std::string texto;
    for (std::size_t i = 0; i < lineas.size(); ++i)
        texto += lineas[i] + (i + 1 < lineas.size() ? "\r\n" : "");
    return texto;
}

// After loading: the panel line by line, the edition line, the action offered.
// Without an installation the window has no work (no detection, no count).
struct Situacion {
    const char* Nombre;
    std::int16_t Edicion;
    std::int32_t Cuenta;
    const char* Dir;
    const char* LineaEdicion;
    bool Ajustar, Restaurar;
    std::vector<std::string> Panel;
    friend void PrintTo(const Situacion& s, std::ostream* os) { *os << s.Nombre; }
};

// clang-format off
const Situacion kSituaciones[] = {
    {"SinInstalacion", 0, 0, "", "Orvanto detectado: <Ninguno>", false, false,
     {"Directorio: ", "    ", "", "Marcaciones detectadas a procesar: 0", "", "",
      "NO se puede realizar ninguna tarea, no fue detectado ninguna instalación de ORVANTO.", "",
      "", "Presiona el boton <Cerrar> para terminar."}},
    {"MarcacionesPendientes", 6, 1234, "/srv/Orvanto Ofimbra", "Orvanto detectado: Ofimbra VRX",
     true, false,
     {"Directorio: ", "    /srv/Orvanto Ofimbra", "", "Marcaciones detectadas a procesar: 1234",
      "", "", "Presiona el boton <Ajustar> para iniciar el proceso de ajuste...", "", "",
      "o presiona el boton <Cerrar> para finalizar el programa."}},
    {"SinMarcaciones", 8, 0, "/opt/orvanto/", "Orvanto detectado: <Prueba>", false, true,
     {"Directorio: ", "    /opt/orvanto/", "", "Marcaciones detectadas a procesar: 0", "", "",
      "Presiona el boton <Restaurar> para iniciar el proceso de restauración...", "", "",
      "o presiona el boton <Cerrar> para finalizar el programa."}},
};
// clang-format on

class CargaVentana : public ::testing::TestWithParam<Situacion> {};

TEST_P(CargaVentana, PanelEdicionYBotones) {
    const auto& s = GetParam();
    Programa p(s.Edicion ? Instalado(s.Cuenta, {}, s.Edicion, s.Dir) : TareasVesmadur{});
    ASSERT_TRUE(p.principal->Main());
    EXPECT_TRUE(p.vista->Visible);
    EXPECT_EQ(p.vista->Titulo, kTitulo);
    EXPECT_EQ(p.vista->Edicion, s.LineaEdicion);
    EXPECT_EQ(p.vista->Info, Lineas(s.Panel));
    EXPECT_EQ(p.vista->Ajustar, s.Ajustar);
    EXPECT_EQ(p.vista->Restaurar, s.Restaurar);
    EXPECT_TRUE(p.vista->Cerrar);
    EXPECT_FALSE(p.vista->Progreso);
    EXPECT_EQ(p.vista->PunteroActual, Puntero::Predeterminado);
    EXPECT_EQ(p.Ventana().MarcacionesDetectadas(), s.Cuenta);
}

INSTANTIATE_TEST_SUITE_P(Situaciones, CargaVentana, ::testing::ValuesIn(kSituaciones),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// "Ajustar" pressed twice: the run only on Yes, busy while it runs, then only
// "Cerrar" left and the close box closing again; on No or no run, no change.
struct Pulsacion {
    const char* Nombre;
    bool HayCorrida;
    Respuesta Contesta;
    int Corridas;
    friend void PrintTo(const Pulsacion& p, std::ostream* os) { *os << p.Nombre; }
};

class PulsarAjustar : public ::testing::TestWithParam<Pulsacion> {};

TEST_P(PulsarAjustar, ConfirmaCorreUnaVezYDejaSoloCerrar) {
    const auto& caso = GetParam();
    int corridas = 0;
    Programa* p = nullptr;
    TareasVesmadur tareas;
    if (caso.HayCorrida)
        tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
            ++corridas;
            EXPECT_TRUE(f.Ocupado());
            EXPECT_TRUE(p->vista->Progreso);
            EXPECT_FALSE(p->vista->Ajustar);
            EXPECT_EQ(p->vista->PunteroActual, Puntero::Espera);
            // Busy: "Cerrar" and the close box are refused, the program's
            // and the session's closes are not.
            f.btnCerrarPulsado();
            EXPECT_FALSE(f.Descargada());
            EXPECT_TRUE(f.AlPedirCierre(OrigenCierre::ControlVentana));
            EXPECT_FALSE(f.AlPedirCierre(OrigenCierre::Programa));
            EXPECT_FALSE(f.AlPedirCierre(OrigenCierre::Sesion));
            f.EscribirEncabezado();
            f.AgregarLinea("Respaldando configuracion...");
            f.AgregarLinea();
        };
    Programa programa(Instalado(7, tareas));
    ASSERT_TRUE(programa.principal->Main());
    p = &programa;
    const auto infoAntes = p->vista->Info;
    p->Ajustar(caso.Contesta);
    p->Ajustar(caso.Contesta);

    EXPECT_EQ(corridas, caso.Corridas);
    ASSERT_EQ(p->vista->Cajas.size(), caso.HayCorrida ? 2u - caso.Corridas : 0u);
    for (const auto& caja : p->vista->Cajas) {
        EXPECT_EQ(caja.Texto, "Le recomendamos cerrar el programa ORVANTO antes de iniciar.\r\n"
                              "\r\n¿Desea iniciar el proceso de ajuste de marcaciones?");
        EXPECT_EQ(caja.Titulo, kTitulo);
        EXPECT_TRUE(caja.SiNo);
    }
    EXPECT_EQ(p->vista->Info, caso.Corridas ? "Directorio: \r\n    /opt/orvanto/\r\n"
                                              "Respaldando configuracion...\r\n\r\n"
                                            : infoAntes);
    EXPECT_EQ(p->Ventana().Info(), p->vista->Info);
    EXPECT_EQ(p->vista->Ajustar, caso.Corridas == 0);
    EXPECT_FALSE(p->vista->Restaurar);
    EXPECT_TRUE(p->vista->Cerrar);
    EXPECT_FALSE(p->Ventana().Ocupado());
    EXPECT_FALSE(p->vista->Progreso);
    EXPECT_EQ(p->vista->PunteroActual, Puntero::Predeterminado);
    EXPECT_FALSE(p->Ventana().AlPedirCierre(OrigenCierre::ControlVentana));
}

INSTANTIATE_TEST_SUITE_P(Casos, PulsarAjustar,
                         ::testing::Values(Pulsacion{"Si", true, Respuesta::Si, 1},
                                           Pulsacion{"No", true, Respuesta::No, 0},
                                           Pulsacion{"SinCorrida", false, Respuesta::Si, 0}),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// "Restaurar": the warning, the chooser over the configuration folder, then
// the run with the chosen backup and its panel; no choice, no change at all.
struct Restauracion {
    const char* Nombre;
    std::function<void(frmArchivos&)> Operador;
    ResultadoRestauracion Resultado;
    const char* LineaResultado; // null: nothing restored
    friend void PrintTo(const Restauracion& r, std::ostream* os) { *os << r.Nombre; }
};

using Paso = ResultadoRestauracion::Paso;
const Restauracion kRestauraciones[] = {
    {"Seleccionar", &frmArchivos::btnAceptarPulsado, {}, "Respaldo hecho exitosamente."},
    {"NoSeEliminaLaActual",
     &frmArchivos::btnAceptarPulsado,
     {Paso::Eliminar, "en uso"},
     "Error al eliminar la configuracion actual: en uso"},
    {"NoSeCopia",
     &frmArchivos::btnAceptarPulsado,
     {Paso::Copiar, "no existe"},
     "Error al intentar copiar la configuracion de respaldo: no existe"},
    {"Cancelar", &frmArchivos::btnCancelarPulsado, {}, nullptr},
    {"CajaDeCierre",
     [](frmArchivos& f) { f.AlPedirCierre(OrigenCierre::ControlVentana); },
     {},
     nullptr},
};

class PulsarRestaurar : public ::testing::TestWithParam<Restauracion> {};

TEST_P(PulsarRestaurar, AvisaEligeYRestauraUnaVez) {
    const auto& caso = GetParam();
    CarpetaTemporal dir;
    const std::string respaldo = EscribirArchivo(dir / "config/tablas20190803-142507.resp", "");
    std::vector<std::string> llamadas;
    TareasVesmadur tareas;
    tareas.RestaurarRespaldo = [&](const std::string& origen, const std::string& destino) {
        llamadas.push_back(origen + " -> " + destino);
        return caso.Resultado;
    };
    Programa p(Instalado(0, tareas, 1, dir.Ruta()));
    ASSERT_TRUE(p.principal->Main());
    const auto infoAntes = p.vista->Info;
    std::string titulo;
    p.vista->EnElSelector = [&](frmArchivos& f) {
        titulo = f.Titulo();
        EXPECT_EQ(f.ArchivoSel(), respaldo);
        caso.Operador(f);
    };
    p.Ventana().btnRestaurarPulsado();
    p.Ventana().btnRestaurarPulsado();

    const bool restaurado = caso.LineaResultado != nullptr;
    ASSERT_EQ(p.vista->Cajas.size(), restaurado ? 1u : 2u);
    EXPECT_EQ(p.vista->Cajas[0].Texto,
              "Le recomendamos cerrar el programa ORVANTO antes de continuar.");
    EXPECT_EQ(p.vista->Cajas[0].Titulo, kTitulo);
    EXPECT_FALSE(p.vista->Cajas[0].SiNo);
    EXPECT_EQ(titulo, "Lista de archivos de configuración respaldados");
    EXPECT_EQ(llamadas, restaurado ? std::vector{respaldo + " -> " + dir / "config/tablas.orv"}
                                   : std::vector<std::string>{});
    EXPECT_EQ(p.vista->Info, restaurado
                                 ? Lineas({"Directorio: ", "    " + dir.Ruta(), "", "",
                                           "Restaurando configuracion...", caso.LineaResultado, "",
                                           "Presiona el boton <Cerrar> para terminar."})
                                 : infoAntes);
    EXPECT_EQ(p.vista->Restaurar, !restaurado);
    EXPECT_FALSE(p.vista->Ajustar);
    EXPECT_TRUE(p.vista->Cerrar);
}

INSTANTIATE_TEST_SUITE_P(Casos, PulsarRestaurar, ::testing::ValuesIn(kRestauraciones),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// "Cerrar" and the close box both unload the window once and release it;
// the unload's own call of CerrarPrograma, and any later one, find nothing.
TEST(CerrarPrograma, CerrarYCajaDescarganUnaVezYVacianLaReferencia) {
    for (bool caja : {false, true}) {
        Programa p(Instalado(0));
        ASSERT_TRUE(p.principal->Main());
        int cierresPedidos = 0;
        p.vista->CierresContados = &cierresPedidos;
        if (caja) {
            ASSERT_FALSE(p.Ventana().AlPedirCierre(OrigenCierre::ControlVentana));
            p.Ventana().AlDescargar();
        } else {
            p.Ventana().btnCerrarPulsado();
        }
        EXPECT_EQ(cierresPedidos, caja ? 0 : 1);
        EXPECT_EQ(p.principal->Ventana(), nullptr);
        p.principal->CerrarPrograma();
        EXPECT_EQ(p.principal->Ventana(), nullptr);
    }
}

// The program closing while the confirmation or the chooser is open: nothing
// runs, and the window is released when the action ends, not under its feet.
TEST(CerrarPrograma, DuranteLaConfirmacionOElSelectorNoCorreNadaYLiberaAlFinal) {
    for (bool selector : {false, true}) {
        CarpetaTemporal dir;
        EscribirArchivo(dir / "config/tablas20190803-142507.resp", "");
        int corridas = 0;
        TareasVesmadur tareas;
        tareas.AjustarMarcaciones = [&](frmVesmadur&) { ++corridas; };
        tareas.RestaurarRespaldo = [&](const std::string&, const std::string&) {
            ++corridas;
            return ResultadoRestauracion{};
        };
        Programa p(Instalado(selector ? 0 : 3, tareas, 1, dir.Ruta()));
        ASSERT_TRUE(p.principal->Main());
        auto* principal = p.principal.get();
        p.vista->AlPreguntar = [principal] { principal->CerrarPrograma(); };
        p.vista->EnElSelector = [principal](frmArchivos& f) {
            principal->CerrarPrograma();
            EXPECT_NE(principal->Ventana(), nullptr);
            f.btnAceptarPulsado();
        };
        if (selector)
            p.Ventana().btnRestaurarPulsado();
        else
            p.Ajustar(Respuesta::Si);
        EXPECT_EQ(corridas, 0);
        EXPECT_EQ(principal->Ventana(), nullptr);
    }
}

} // namespace
} // namespace vesmadur
