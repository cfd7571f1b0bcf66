#include "app/frmArchivos.h"

#include "app/VistaGuionada.h"
#include "ayudas/Archivos.h"
#include "backup/CatalogoRespaldos.h"
#include "files/SistemaArchivos.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>

namespace vesmadur {
namespace {

using namespace prueba;

const std::string kTitulo = "Lista de archivos de configuración respaldados";
const std::string kA = "tablas20190803-142507.resp", kB = "tablas20190804-090000.resp",
                  kC = "tablas20200101-000000.resp";

// The chooser over a real folder holding `archivos`, listed through `sufijo` after
// its path; each backup counts what `cuentas` gives its name (else 0).
struct Selector {
    explicit Selector(const std::vector<std::string>& archivos,
                      std::map<std::string, int> cuentas = {},
                      const std::string& sufijo = std::string(1, Separador)) {
        for (const auto& nombre : archivos)
            EscribirArchivo(carpeta / nombre, nombre);
        auto propia = std::make_unique<VistaArchivosGuionada>();
        vista = propia.get();
        TareasArchivos tareas;
        tareas.ContarMarcacionesRespaldo = [this, cuentas](const std::string& ruta) {
            contadas.push_back(ruta);
            const auto cuenta = cuentas.find(fs::path(ruta).filename().string());
            return cuenta == cuentas.end() ? 0 : cuenta->second;
        };
        form = std::make_unique<frmArchivos>(std::move(propia), tareas);
        form->PonerTitulo(kTitulo);
        form->Directorio(carpeta.Ruta() + sufijo);
    }
    std::string Ruta(const std::string& nombre) const { return carpeta / nombre; }
    // The operator's click on entry `i`, shown by the list itself.
    void Click(int i) {
        vista->Seleccion = i;
        form->List1Click(i);
    }
    // The names of the listed backups, entry by entry.
    std::vector<std::string> Listados() const {
        std::vector<std::string> nombres;
        for (const auto& sello : form->SellosRespaldo())
            nombres.push_back("tablas" + sello + ".resp");
        return nombres;
    }

    CarpetaTemporal carpeta;
    VistaArchivosGuionada* vista = nullptr;
    std::unique_ptr<frmArchivos> form;
    std::vector<std::string> contadas;
};

// Which files of a folder are listed, in the folder's order, and what is selected.
struct Listado {
    const char* Nombre;
    std::vector<std::string> Archivos, Listados;
    std::string Sufijo = std::string(1, Separador);
};

const Listado kListados[] = {
    {"CasiCoinciden",
     {"tablas.orv", "TABLAS20190803-142507.resp", "tablas20190803-1425.resp",
      "tablas20190803-142507.RESP", "tablas20190803-142507.resp.bak", "xtablas20190803-142507.resp",
      "tablas2019O803-142507.resp", "tablas20190803_142507.resp", "tablas20190803-142507.res",
      "tablas20190803-1425070.resp"},
     {}},
    {"TresRespaldos", {kA, "tablas.orv", kB, kC}, {kA, kB, kC}},
    {"SinSeparadorFinal", {kA, kB, kC}, {kA, kB, kC}, ""},
    {"CarpetaInexistente", {}, {}, "/no/existe"},
};

class ListarRespaldos : public ::testing::TestWithParam<Listado> {};

TEST_P(ListarRespaldos, SoloLosDeNombreExactoEnOrdenDeCarpetaYElPrimeroElegido) {
    const auto& caso = GetParam();
    Selector s(caso.Archivos, {{kA, 3}}, caso.Sufijo);
    // The order is the folder's: the expected names as the directory yields them.
    std::vector<std::string> esperados;
    for (const auto& e : fs::directory_iterator(s.carpeta.Ruta()))
        if (std::count(caso.Listados.begin(), caso.Listados.end(), e.path().filename().string()))
            esperados.push_back(e.path().filename().string());
    EXPECT_EQ(s.Listados(), esperados);
    EXPECT_EQ(s.vista->Entradas, s.form->Entradas());
    ASSERT_EQ(s.vista->Entradas.size(), esperados.size());
    // Shown under the file's creation date (today), not the date in its name.
    const std::regex fecha(R"(Respaldo del (\d{4})-\w{3}-\d\d \d\d:\d\d:\d\d)");
    for (const auto& entrada : s.vista->Entradas) {
        std::smatch partes;
        ASSERT_TRUE(std::regex_match(entrada, partes, fecha)) << entrada;
        EXPECT_GT(std::stoi(partes[1]), 2020) << entrada;
    }
    const bool hay = !esperados.empty();
    EXPECT_EQ(s.form->Seleccion(), hay ? 0 : -1);
    EXPECT_EQ(s.vista->Seleccion, s.form->Seleccion());
    EXPECT_EQ(s.form->ArchivoSel(), hay ? s.Ruta(esperados[0]) : "");
    EXPECT_EQ(s.contadas, hay ? std::vector{s.Ruta(esperados[0])} : std::vector<std::string>{});
    EXPECT_EQ(s.vista->Aceptar, hay);
    EXPECT_TRUE(s.vista->Borrar);
    EXPECT_EQ(s.vista->Info.empty(), !hay);
}

INSTANTIATE_TEST_SUITE_P(Carpetas, ListarRespaldos, ::testing::ValuesIn(kListados),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

TEST(FechaRespaldo, AnioMesAbreviadoDeLaLocalidadDiaYHoraDe24) {
    std::tm local{};
    local.tm_year = 2019 - 1900, local.tm_mon = 7, local.tm_mday = 3;
    local.tm_hour = 14, local.tm_min = 5, local.tm_sec = 7, local.tm_isdst = -1;
    const auto momento = std::chrono::system_clock::from_time_t(std::mktime(&local));
    EXPECT_EQ(FechaRespaldo(momento, "C"), "2019-Aug-03 14:05:07");
    EXPECT_EQ(FechaRespaldo(momento, "no_EXISTE.UTF-8"), "2019-Aug-03 14:05:07");
#ifdef _WIN32 // every locale is there; newer Windows ends the name with a dot
    EXPECT_TRUE(std::regex_match(FechaRespaldo(momento, "es_MX.UTF-8"),
                                 std::regex(R"(2019-ago\.?-03 14:05:07)")));
#else
    if (locale_t es = ::newlocale(LC_TIME_MASK, "es_MX.UTF-8", static_cast<locale_t>(0))) {
        ::freelocale(es);
        EXPECT_EQ(FechaRespaldo(momento, "es_MX.UTF-8"), "2019-ago-03 14:05:07");
    }
#endif
}

// The information text of a backup by its count of old-style entries.
const std::string kNota = "\r\n\r\n\r\nNota:\r\nSi selecciona este archivo para restaurar, "
                          "las marcaciones quedaran";
const std::map<int, std::string> kInfo = {
    {1, "Marcaciones a ajustar: 1\r\n\r\n\r\nRespaldo NO ajustado a nuevas marcaciones." + kNota +
            " SIN el ajuste para la nueva marcacion de cofetel 2019."},
    {3, "Marcaciones a ajustar: 3\r\n\r\n\r\nRespaldo NO ajustado a nuevas marcaciones." + kNota +
            " SIN el ajuste para la nueva marcacion de cofetel 2019."},
    {0, "Marcaciones a ajustar: 0\r\n\r\n\r\nRespaldo SI ajustado a nuevas marcaciones." + kNota +
            " CON el ajuste para la nueva marcacion de cofetel 2019."}};

// Each backup selected shows its count; "Seleccionar" hides the chooser with its choice,
// "Cancelar" and the close box with none, the program's close goes ahead.
TEST(ElegirRespaldo, MuestraSuInfoYSoloSeleccionarLoEntrega) {
    for (int como : {0, 1, 2}) {
        SCOPED_TRACE(como);
        const int n = como == 2 ? 1 : 3;
        Selector s({kA, kB}, {{kA, n}});
        const auto listados = s.Listados();
        EXPECT_EQ(s.vista->Info, kInfo.at(listados[0] == kA ? n : 0));
        s.Click(1);
        EXPECT_EQ(s.vista->Info, kInfo.at(listados[1] == kA ? n : 0));
        EXPECT_EQ(s.form->MarcacionesRespaldo(), listados[1] == kA ? n : 0);
        EXPECT_EQ(s.contadas.back(), s.Ruta(listados[1]));
        const std::string elegido = como == 0 ? s.Ruta(listados[1]) : "";
        s.form->MostrarModal();
        EXPECT_FALSE(s.form->AlPedirCierre(OrigenCierre::Programa));
        EXPECT_TRUE(s.vista->Visible);
        if (como == 0)
            s.form->btnAceptarPulsado();
        else if (como == 1)
            s.form->btnCancelarPulsado();
        else
            EXPECT_TRUE(s.form->AlPedirCierre(OrigenCierre::ControlVentana));
        EXPECT_FALSE(s.vista->Visible);
        EXPECT_EQ(s.form->ArchivoSel(), elegido);
        EXPECT_EQ(s.form->Aceptar(), como == 0);
        s.form->List1Click(7); // outside the list: no change
        EXPECT_EQ(s.form->ArchivoSel(), elegido);
        EXPECT_EQ(Nombres(s.carpeta.Ruta()), (std::vector{kA, kB}));
    }
}

// "Borrar" on entry `Elegida` of the listing (-1: none, nothing asked): what
// is left, and which of the listed backups is selected afterwards (-1: none).
struct Borrado {
    const char* Nombre;
    int Respaldos, Elegida;
    Respuesta Contesta;
    std::vector<int> Quedan;
    int Seleccionada;
    bool YaNoEstaba = false;
};

const Borrado kBorrados[] = {
    {"DelMedioEligeElSiguiente", 3, 1, Respuesta::Si, {0, 2}, 2},
    {"ElUltimoEligeElAnterior", 3, 2, Respuesta::Si, {0, 1}, 1},
    {"ElPrimeroEligeElSiguiente", 3, 0, Respuesta::Si, {1, 2}, 1},
    {"ElUnicoDejaLaListaVacia", 1, 0, Respuesta::Si, {}, -1},
    {"NoNoCambiaNada", 3, 1, Respuesta::No, {0, 1, 2}, 1},
    {"DesaparecidoSoloSeVuelveAListar", 3, 1, Respuesta::Si, {0, 2}, 2, true},
    {"SinEleccionNoPreguntaNiBorra", 1, -1, Respuesta::Si, {0}, -1},
};

class BorrarRespaldo : public ::testing::TestWithParam<Borrado> {};

TEST_P(BorrarRespaldo, PreguntaBorraYEligeElVecino) {
    const auto& caso = GetParam();
    const std::vector<std::string> todos = {kA, kB, kC};
    Selector s({todos.begin(), todos.begin() + caso.Respaldos});
    const auto listados = s.Listados();
    s.Click(caso.Elegida);
    const auto infoAntes = s.vista->Info;
    if (caso.YaNoEstaba)
        fs::remove(s.Ruta(listados[caso.Elegida]));
    s.vista->Respuestas = {caso.Contesta};
    s.form->btnBorrarPulsado();
    EXPECT_EQ(s.vista->Preguntas,
              std::vector<std::string>(caso.Elegida >= 0 ? 1 : 0,
                                       kTitulo + "|¿Deseas borrar el archivo seleccionado?"));
    std::vector<std::string> quedan;
    for (int i : caso.Quedan)
        quedan.push_back(listados[i]);
    EXPECT_EQ(s.Listados(), quedan);
    std::sort(quedan.begin(), quedan.end());
    EXPECT_EQ(Nombres(s.carpeta.Ruta()), quedan);
    const std::string elegido = caso.Seleccionada >= 0 ? s.Ruta(listados[caso.Seleccionada]) : "";
    EXPECT_EQ(s.form->ArchivoSel(), elegido);
    EXPECT_EQ(s.vista->Seleccion, s.form->Seleccion());
    EXPECT_EQ(s.vista->Aceptar, !elegido.empty());
    EXPECT_EQ(s.vista->Borrar, !elegido.empty());
    // With nothing left to select, the text of the deleted backup stays.
    if (elegido.empty()) {
        EXPECT_EQ(s.vista->Info, infoAntes);
    }
}

INSTANTIATE_TEST_SUITE_P(Casos, BorrarRespaldo, ::testing::ValuesIn(kBorrados),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

} // namespace
} // namespace vesmadur
