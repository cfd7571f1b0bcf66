#include "app/frmVesmadur.h"

#include "VistaGuionada.h"
#include "app/basPrincipal.h"

#include <gtest/gtest.h>
#include <vector>

namespace vesmadur {
namespace {

using prueba::VistaGuionada;

// A main window on a scripted view, with the installation record and the
// count injected in place of detection and the database.
struct Ventana {
    explicit Ventana(DatosInstalacion datos, std::int32_t cuenta, TareasVesmadur tareas = {}) {
        auto vistaPropia = std::make_unique<VistaGuionada>();
        vista = vistaPropia.get();
        tareas.DetectarInstalacion = [datos] { return datos; };
        tareas.ContarMarcaciones = [cuenta](frmVesmadur&) { return cuenta; };
        form = std::make_unique<frmVesmadur>(std::move(vistaPropia), std::move(tareas),
                                             [this] { ++cierres; });
        vista->Formulario = form.get();
        form->AlCrear();
        form->AlCargar();
    }
    VistaGuionada* vista;
    std::unique_ptr<frmVesmadur> form;
    int cierres = 0;
};

DatosInstalacion Instalado(std::int16_t edicion) {
    return {edicion, "/opt/orvanto/", "/opt/orvanto/config/tablas.orv",
            "/opt/orvanto/config/tablas20190803-142507.resp"};
}

// The three situations after loading: what the panel reads line by line,
// the edition line and which action is offered.
struct Situacion {
    const char* Nombre;
    std::int16_t Edicion;
    std::int32_t Cuenta;
    const char* LineaEdicion;
    std::vector<std::string> Panel;
    bool Ajustar, Restaurar;
};

const Situacion kSituaciones[] = {
    {"SinInstalacion",
     0,
     0,
     "Orvanto detectado: <Ninguno>",
     {"Directorio: ", "    ", "", "Marcaciones detectadas a procesar: 0", "", "",
      "NO se puede realizar ninguna tarea, no fue detectado ninguna instalación de ORVANTO.", "",
      "", "Presiona el boton <Cerrar> para terminar."},
     false,
     false},
    {"MarcacionesPendientes",
     6,
     1234,
     "Orvanto detectado: Ofimbra VRX",
     {"Directorio: ", "    /opt/orvanto/", "", "Marcaciones detectadas a procesar: 1234", "", "",
      "Presiona el boton <Ajustar> para iniciar el proceso de ajuste...", "", "",
      "o presiona el boton <Cerrar> para finalizar el programa."},
     true,
     false},
    {"SinMarcaciones",
     8,
     0,
     "Orvanto detectado: <Prueba>",
     {"Directorio: ", "    /opt/orvanto/", "", "Marcaciones detectadas a procesar: 0", "", "",
      "Presiona el boton <Restaurar> para iniciar el proceso de restauración...", "", "",
      "o presiona el boton <Cerrar> para finalizar el programa."},
     false,
     true},
};

class CargaVentana : public ::testing::TestWithParam<Situacion> {};

TEST_P(CargaVentana, PanelEdicionYBotones) {
    const auto& s = GetParam();
    Ventana v(s.Edicion ? Instalado(s.Edicion) : DatosInstalacion{}, s.Cuenta);
    std::string panel;
    for (std::size_t i = 0; i < s.Panel.size(); ++i)
        panel += s.Panel[i] + (i + 1 < s.Panel.size() ? "\r\n" : "");
    EXPECT_EQ(v.vista->Titulo, "Orvanto - Nueva Marcacion Cofetel 2019");
    EXPECT_EQ(v.vista->Edicion, s.LineaEdicion);
    EXPECT_EQ(v.vista->Info, panel);
    EXPECT_EQ(v.vista->Ajustar, s.Ajustar);
    EXPECT_EQ(v.vista->Restaurar, s.Restaurar);
    EXPECT_TRUE(v.vista->Cerrar);
    EXPECT_FALSE(v.vista->Progreso);
    EXPECT_EQ(v.vista->PunteroActual, Puntero::Predeterminado);
    EXPECT_FALSE(v.form->Ocupado());
    EXPECT_EQ(v.form->MarcacionesDetectadas(), s.Cuenta);
}

INSTANTIATE_TEST_SUITE_P(Situaciones, CargaVentana, ::testing::ValuesIn(kSituaciones),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

TEST(CargaVentanaOtros, DirectorioSeMuestraTalCual) {
    DatosInstalacion datos = Instalado(1);
    datos.DirInstalacion = "/srv/Orvanto Ofimbra";
    Ventana v(datos, 3);
    EXPECT_EQ(v.vista->Info.rfind("Directorio: \r\n    /srv/Orvanto Ofimbra\r\n\r\n", 0), 0u);
}

TEST(CargaVentanaOtros, SinDeteccionNiCuentaEsLaVentanaSinInstalacion) {
    auto vistaPropia = std::make_unique<VistaGuionada>();
    auto* vista = vistaPropia.get();
    frmVesmadur form(std::move(vistaPropia), {}, {});
    form.AlCrear();
    form.AlCargar();
    EXPECT_EQ(form.Instalacion(), DatosInstalacion{});
    EXPECT_EQ(vista->Edicion, "Orvanto detectado: <Ninguno>");
    EXPECT_FALSE(vista->Ajustar);
    EXPECT_FALSE(vista->Restaurar);
}

TEST(PanelEstado, AgregarYReemplazar) {
    Ventana v(Instalado(1), 5);
    v.form->EscribirEncabezado();
    v.form->AgregarLinea("Respaldando configuracion...");
    v.form->AgregarLinea();
    EXPECT_EQ(v.vista->Info,
              "Directorio: \r\n    /opt/orvanto/\r\nRespaldando configuracion...\r\n\r\n");
    EXPECT_EQ(v.form->Info(), v.vista->Info);
}

TEST(ConfirmarAjuste, NoDejaTodoComoEstaba) {
    int corridas = 0;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur&) { ++corridas; };
    Ventana v(Instalado(1), 7, tareas);
    const auto infoAntes = v.vista->Info;
    v.vista->Respuestas = {Respuesta::No};

    v.form->btnAjustarPulsado();

    ASSERT_EQ(v.vista->Cajas.size(), 1u);
    EXPECT_EQ(v.vista->Cajas[0].Texto,
              "Le recomendamos cerrar el programa ORVANTO antes de iniciar.\r\n\r\n"
              "¿Desea iniciar el proceso de ajuste de marcaciones?");
    EXPECT_EQ(v.vista->Cajas[0].Titulo, "Orvanto - Nueva Marcacion Cofetel 2019");
    EXPECT_TRUE(v.vista->Cajas[0].SiNo);
    EXPECT_EQ(corridas, 0);
    EXPECT_TRUE(v.vista->Ajustar);
    EXPECT_FALSE(v.form->Ocupado());
    EXPECT_EQ(v.vista->Info, infoAntes);
}

TEST(ConfirmarAjuste, SiCorreElAjusteOcupadoYLuegoSoloCerrar) {
    bool ocupadoDurante = false, progresoDurante = false, ajustarDurante = true;
    Puntero punteroDurante = Puntero::Predeterminado;
    TareasVesmadur tareas;
    Ventana* ventana = nullptr;
    tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
        ocupadoDurante = f.Ocupado();
        progresoDurante = ventana->vista->Progreso;
        ajustarDurante = ventana->vista->Ajustar;
        punteroDurante = ventana->vista->PunteroActual;
        f.EscribirEncabezado();
        f.AgregarLinea("Proceso de ajuste finalizado.");
    };
    Ventana v(Instalado(1), 7, tareas);
    ventana = &v;
    v.vista->Respuestas = {Respuesta::Si};

    v.form->btnAjustarPulsado();

    EXPECT_TRUE(ocupadoDurante);
    EXPECT_TRUE(progresoDurante);
    EXPECT_FALSE(ajustarDurante);
    EXPECT_EQ(punteroDurante, Puntero::Espera);
    EXPECT_FALSE(v.form->Ocupado());
    EXPECT_FALSE(v.vista->Progreso);
    EXPECT_EQ(v.vista->PunteroActual, Puntero::Predeterminado);
    EXPECT_FALSE(v.vista->Ajustar);
    EXPECT_FALSE(v.vista->Restaurar);
    EXPECT_TRUE(v.vista->Cerrar);
    EXPECT_NE(v.vista->Info.find("Proceso de ajuste finalizado."), std::string::npos);

    // A second press (the button is disabled by now) runs nothing.
    v.vista->Respuestas = {Respuesta::Si};
    v.form->btnAjustarPulsado();
    EXPECT_EQ(v.vista->Cajas.size(), 1u);
}

TEST(ConfirmarAjuste, SinAjusteDisponibleNoAparentaNada) {
    Ventana v(Instalado(1), 7);
    const auto infoAntes = v.vista->Info;
    v.vista->Respuestas = {Respuesta::Si};
    v.form->btnAjustarPulsado();
    v.form->btnRestaurarPulsado();
    EXPECT_TRUE(v.vista->Cajas.empty());
    EXPECT_EQ(v.vista->Info, infoAntes);
    EXPECT_TRUE(v.vista->Ajustar);
    EXPECT_FALSE(v.form->Ocupado());
}

TEST(Cierre, OcupadoRechazaCerrarYCajaPeroNoAlProgramaNiALaSesion) {
    bool cajaRechazada = false, programaRechazado = true, sesionRechazada = true;
    int cierresDurante = -1;
    Ventana* ventana = nullptr;
    TareasVesmadur tareas;
    tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
        f.btnCerrarPulsado();
        cierresDurante = ventana->cierres;
        cajaRechazada = f.AlPedirCierre(OrigenCierre::ControlVentana);
        programaRechazado = f.AlPedirCierre(OrigenCierre::Programa);
        sesionRechazada = f.AlPedirCierre(OrigenCierre::Sesion);
    };
    Ventana v(Instalado(1), 7, tareas);
    ventana = &v;
    v.vista->Respuestas = {Respuesta::Si};
    v.form->btnAjustarPulsado();

    EXPECT_EQ(cierresDurante, 0);
    EXPECT_TRUE(cajaRechazada);
    EXPECT_FALSE(programaRechazado);
    EXPECT_FALSE(sesionRechazada);

    // Once the run is over both close the window.
    EXPECT_FALSE(v.form->AlPedirCierre(OrigenCierre::ControlVentana));
    v.form->btnCerrarPulsado();
    EXPECT_EQ(v.cierres, 1);
}

// The entry procedure with a scripted window and platform.
struct Programa {
    explicit Programa(bool otraCopia = false, TareasVesmadur tareas = {}) {
        basPrincipal::Plataforma p;
        p.OtraCopiaEnEjecucion = [otraCopia] { return otraCopia; };
        p.Avisar = [this](const std::string& texto, const std::string& titulo) {
            avisos.push_back({texto, titulo, false});
        };
        p.CrearVentana = [this, tareas](std::function<void()> cerrar) {
            ++ventanasCreadas;
            auto vistaPropia = std::make_unique<VistaGuionada>();
            vista = vistaPropia.get();
            auto form = std::make_unique<frmVesmadur>(std::move(vistaPropia), tareas, cerrar);
            vista->Formulario = form.get();
            return form;
        };
        principal = std::make_unique<basPrincipal>(std::move(p));
    }
    std::vector<VistaGuionada::Caja> avisos;
    int ventanasCreadas = 0;
    VistaGuionada* vista = nullptr;
    std::unique_ptr<basPrincipal> principal;
};

TEST(Arranque, SegundaCopiaSoloAvisaYTermina) {
    Programa programa(true);
    EXPECT_FALSE(programa.principal->Main());
    ASSERT_EQ(programa.avisos.size(), 1u);
    EXPECT_EQ(programa.avisos[0].Texto, "El programa ya ha sido cargado anteriormente.");
    EXPECT_EQ(programa.avisos[0].Titulo, "Vesmadur");
    EXPECT_EQ(programa.ventanasCreadas, 0);
    EXPECT_EQ(programa.principal->Ventana(), nullptr);
}

TEST(Arranque, PrimeraCopiaCargaYMuestraLaVentana) {
    Programa programa;
    EXPECT_TRUE(programa.principal->Main());
    EXPECT_TRUE(programa.avisos.empty());
    ASSERT_NE(programa.principal->Ventana(), nullptr);
    EXPECT_TRUE(programa.vista->Visible);
    EXPECT_EQ(programa.vista->Titulo, "Orvanto - Nueva Marcacion Cofetel 2019");
}

TEST(CerrarPrograma, CerrarDescargaUnaVezYVaciaLaReferencia) {
    Programa programa;
    ASSERT_TRUE(programa.principal->Main());
    int cierresPedidos = 0;
    programa.vista->CierresContados = &cierresPedidos;
    programa.principal->Ventana()->btnCerrarPulsado();
    // The window's unload handling entered CerrarPrograma a second time; the
    // window was still closed only once.
    EXPECT_EQ(cierresPedidos, 1);
    EXPECT_EQ(programa.principal->Ventana(), nullptr);
    // Entered again with the reference empty: nothing happens.
    programa.principal->CerrarPrograma();
    programa.principal->CerrarPrograma();
    EXPECT_EQ(programa.principal->Ventana(), nullptr);
}

TEST(CerrarPrograma, CajaDeCierreDescargaYLiberaLaVentana) {
    Programa programa;
    ASSERT_TRUE(programa.principal->Main());
    frmVesmadur* form = programa.principal->Ventana();
    // The close box: the request is accepted, then the unload handling runs,
    // which itself calls CerrarPrograma.
    ASSERT_FALSE(form->AlPedirCierre(OrigenCierre::ControlVentana));
    form->AlDescargar();
    EXPECT_EQ(programa.principal->Ventana(), nullptr);
}

// A close from the program or the session is never refused, even in the
// middle of a run or of the confirmation: the window unloads at once, and
// its object lives on until the action below it on the stack has ended.
TEST(CerrarPrograma, DuranteUnaCorridaLiberaLaVentanaAlTerminarla) {
    basPrincipal* principal = nullptr;
    bool siguioViva = false;
    TareasVesmadur tareas;
    tareas.DetectarInstalacion = [] { return Instalado(1); };
    tareas.ContarMarcaciones = [](frmVesmadur&) { return 3; };
    tareas.AjustarMarcaciones = [&](frmVesmadur& f) {
        principal->CerrarPrograma();
        principal->CerrarPrograma();
        // The run goes on writing into the unloaded window.
        f.AgregarLinea("Proceso de ajuste finalizado.");
        siguioViva = principal->Ventana() == &f && f.Descargada();
    };
    Programa programa(false, tareas);
    principal = programa.principal.get();
    ASSERT_TRUE(principal->Main());
    programa.vista->Respuestas = {Respuesta::Si};
    principal->Ventana()->btnAjustarPulsado();
    EXPECT_TRUE(siguioViva);
    EXPECT_EQ(principal->Ventana(), nullptr);
}

TEST(CerrarPrograma, DuranteLaConfirmacionNoCorreNadaYLiberaLaVentana) {
    int corridas = 0;
    TareasVesmadur tareas;
    tareas.DetectarInstalacion = [] { return Instalado(1); };
    tareas.ContarMarcaciones = [](frmVesmadur&) { return 3; };
    tareas.AjustarMarcaciones = [&](frmVesmadur&) { ++corridas; };
    Programa programa(false, tareas);
    ASSERT_TRUE(programa.principal->Main());
    auto* principal = programa.principal.get();
    programa.vista->Respuestas = {Respuesta::Si};
    programa.vista->AlPreguntar = [principal] { principal->CerrarPrograma(); };
    principal->Ventana()->btnAjustarPulsado();
    EXPECT_EQ(corridas, 0);
    EXPECT_EQ(principal->Ventana(), nullptr);
}

TEST(CerrarPrograma, SinVentanaNoHaceNada) {
    Programa programa(true);
    programa.principal->CerrarPrograma();
    programa.principal->CerrarPrograma();
    EXPECT_EQ(programa.principal->Ventana(), nullptr);
}

} // namespace
} // namespace vesmadur
