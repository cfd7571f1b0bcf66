#include "app/VistaGuionada.h"
#include "app/basPrincipal.h"
#include "ayudas/Archivos.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace vesmadur {
namespace {

using namespace prueba;

const std::string kTitulo = "Orvanto - Nueva Marcacion Cofetel 2019";
// The boxes of "Ajustar" and "Restaurar", as the scripted view records them.
const std::string kConfirmacion =
    "SiNo|" + kTitulo +
    "|Le recomendamos cerrar el programa ORVANTO antes de iniciar.\r\n\r\n"
    "¿Desea iniciar el proceso de ajuste de marcaciones?";
const std::string kAviso =
    "Aviso|" + kTitulo + "|Le recomendamos cerrar el programa ORVANTO antes de continuar.";

// `tareas` on an installation found with `cuenta` old-style entries.
TareasVesmadur Instalado(std::int32_t cuenta, TareasVesmadur tareas = {}, std::int16_t edicion = 1,
                         std::string dir = "/opt/orvanto/") {
    tareas.DetectarInstalacion = [=] {
        return DatosInstalacion{edicion, dir, dir + "config/tablas.orv",
                                dir + "config/tablas20190803-142507.resp"};
    };
    tareas.ContarMarcaciones = [cuenta](frmVesmadur&) { return cuenta; };
    return tareas;
}

// The entry procedure, started, with a scripted window and the test's work behind it.
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
        Cargado = principal->Main();
    }
    Programa(const Programa&) = delete; // the platform's answers point here

    frmVesmadur& Ventana() { return *principal->Ventana(); }

    VistaGuionada* vista = nullptr;
    std::unique_ptr<basPrincipal> principal;
    bool Cargado = false;
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
    ASSERT_TRUE(p.Cargado);
    EXPECT_TRUE(p.vista->Visible);
    EXPECT_EQ(p.vista->Titulo, kTitulo);
    EXPECT_EQ(p.vista->Edicion, s.LineaEdicion);
    EXPECT_EQ(p.vista->Info, Lineas(s.Panel));
    EXPECT_EQ(p.vista->Ajustar, s.Ajustar);
    EXPECT_EQ(p.vista->Restaurar, s.Restaurar);
    EXPECT_TRUE(p.vista->Cerrar);
    EXPECT_FALSE(p.vista->Progreso);
    EXPECT_EQ(p.vista->PunteroActual, Puntero::Predeterminado);
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
};

class PulsarAjustar : public ::testing::TestWithParam<Pulsacion> {};

TEST_P(PulsarAjustar, ConfirmaCorreUnaVezYDejaSoloCerrar) {
    const auto& caso = GetParam();
    int corridas = 0;
    bool pendiente = false;
    TareasVesmadur tareas;
    if (caso.HayCorrida)
        tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
            ++corridas;
            const auto& vista = static_cast<VistaGuionada&>(f.Vista());
            EXPECT_TRUE(f.Ocupado());
            EXPECT_TRUE(vista.Progreso);
            EXPECT_FALSE(vista.Ajustar);
            EXPECT_EQ(vista.PunteroActual, Puntero::Espera);
            // Busy: "Cerrar" and the close box are refused, other closes not.
            f.btnCerrarPulsado();
            EXPECT_FALSE(f.Descargada());
            EXPECT_TRUE(f.AlPedirCierre(OrigenCierre::ControlVentana));
            EXPECT_FALSE(f.AlPedirCierre(OrigenCierre::Programa));
            EXPECT_FALSE(f.AlPedirCierre(OrigenCierre::Sesion));
            // A press of "Cerrar" still pending when the run ends.
            pendiente = true;
            const_cast<VistaGuionada&>(vista).AlProcesarEventos = [&pendiente, &f] {
                if (std::exchange(pendiente, false))
                    f.btnCerrarPulsado();
            };
        };
    Programa p(Instalado(7, tareas));
    const auto infoAntes = p.vista->Info;
    p.vista->Respuestas = {caso.Contesta, caso.Contesta};
    p.Ventana().btnAjustarPulsado();
    // Handled while still busy, it was refused; left for the event loop, it would close.
    if (std::exchange(pendiente, false))
        p.Ventana().btnCerrarPulsado();
    ASSERT_NE(p.principal->Ventana(), nullptr) << "el programa se cerro";
    p.Ventana().btnAjustarPulsado();
    EXPECT_EQ(corridas, caso.Corridas);
    EXPECT_EQ(p.vista->Cajas,
              std::vector<std::string>(caso.HayCorrida ? 2 - caso.Corridas : 0, kConfirmacion));
    EXPECT_EQ(p.vista->Info, infoAntes); // the panel is the run's to write
    EXPECT_EQ(p.vista->Ajustar, caso.Corridas == 0);
    EXPECT_FALSE(p.vista->Restaurar);
    EXPECT_FALSE(p.Ventana().Ocupado());
    EXPECT_FALSE(p.vista->Progreso);
    EXPECT_EQ(p.vista->PunteroActual, Puntero::Predeterminado);
    EXPECT_FALSE(p.Ventana().AlPedirCierre(OrigenCierre::ControlVentana));
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
};

using Paso = ResultadoRestauracion::Paso;
const auto kElegir = &frmArchivos::btnAceptarPulsado;
// clang-format off
const Restauracion kRestauraciones[] = {
    {"Seleccionar", kElegir, {}, "Respaldo hecho exitosamente."},
    {"NoSeEliminaLaActual", kElegir, {Paso::Eliminar, "en uso"},
     "Error al eliminar la configuracion actual: en uso"},
    {"NoSeCopia", kElegir, {Paso::Copiar, "no existe"},
     "Error al intentar copiar la configuracion de respaldo: no existe"},
    {"Cancelar", &frmArchivos::btnCancelarPulsado, {}, nullptr},
};
// clang-format on

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
    EXPECT_EQ(p.vista->Cajas, std::vector<std::string>(restaurado ? 1 : 2, kAviso));
    EXPECT_EQ(titulo, "Lista de archivos de configuración respaldados");
    EXPECT_EQ(llamadas, restaurado ? std::vector{respaldo + " -> " + dir / "config/tablas.orv"}
                                   : std::vector<std::string>{});
    EXPECT_EQ(p.vista->Info, restaurado
                                 ? Lineas({"Directorio: ", "    " + dir.Ruta(), "", "",
                                           "Restaurando configuracion...", caso.LineaResultado, "",
                                           "Presiona el boton <Cerrar> para terminar."})
                                 : infoAntes);
    EXPECT_EQ(p.vista->Restaurar, !restaurado);
}

INSTANTIATE_TEST_SUITE_P(Casos, PulsarRestaurar, ::testing::ValuesIn(kRestauraciones),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// "Cerrar" and the close box release the window at once; the program's close during
// the confirmation or the chooser runs nothing and releases it when the action ends.
TEST(CerrarPrograma, CadaCierreLiberaLaVentanaUnaVezSinCorrerNada) {
    enum Modo { Cerrar, CajaDeCierre, EnLaConfirmacion, EnElSelector };
    for (Modo modo : {Cerrar, CajaDeCierre, EnLaConfirmacion, EnElSelector}) {
        SCOPED_TRACE(modo);
        CarpetaTemporal dir;
        EscribirArchivo(dir / "config/tablas20190803-142507.resp", "");
        int corridas = 0, cierresPedidos = 0;
        TareasVesmadur tareas;
        tareas.AjustarMarcaciones = [&](frmVesmadur&) { ++corridas; };
        tareas.RestaurarRespaldo = [&](const std::string&, const std::string&) {
            ++corridas;
            return ResultadoRestauracion{};
        };
        Programa p(Instalado(modo == EnLaConfirmacion ? 3 : 0, tareas, 1, dir.Ruta()));
        auto* principal = p.principal.get();
        p.vista->CierresContados = &cierresPedidos;
        p.vista->Respuestas = {Respuesta::Si};
        p.vista->AlPreguntar = [principal] { principal->CerrarPrograma(); };
        p.vista->EnElSelector = [principal](frmArchivos& f) {
            principal->CerrarPrograma();
            EXPECT_NE(principal->Ventana(), nullptr);
            f.btnAceptarPulsado();
        };
        if (modo == Cerrar) {
            p.Ventana().btnCerrarPulsado();
        } else if (modo == CajaDeCierre) {
            ASSERT_FALSE(p.Ventana().AlPedirCierre(OrigenCierre::ControlVentana));
            p.Ventana().AlDescargar();
        } else if (modo == EnLaConfirmacion) {
            p.Ventana().btnAjustarPulsado();
        } else {
            p.Ventana().btnRestaurarPulsado();
        }
        EXPECT_EQ(corridas, 0);
        EXPECT_EQ(cierresPedidos, modo == CajaDeCierre ? 0 : 1);
        EXPECT_EQ(principal->Ventana(), nullptr);
        principal->CerrarPrograma();
        EXPECT_EQ(principal->Ventana(), nullptr);
    }
}

} // namespace
} // namespace vesmadur
