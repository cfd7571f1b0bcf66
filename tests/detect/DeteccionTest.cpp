#include "detect/Deteccion.h"

#include "../backup/RelojFijo.h"
#include "CarpetaTemporal.h"
#include "detect/Ediciones.h"
#include "registry/RegistroArchivo.h"

#include <gtest/gtest.h>
#include <optional>

namespace vesmadur {
namespace {

using namespace prueba;

// A machine in a temporary folder T: a registry hive written by hand as .reg
// text, the all-users data folder T/comun and installation folders.
struct Maquina {
    CarpetaTemporal T;
    RelojFijo Reloj{Momento(2019, 8, 3, 14, 25, 7)};
    std::string Hive = "REGEDIT4\r\n\r\n";

    // An application-path entry whose "path" value is `ruta`, as given.
    void Registrar(const std::string& exe, const std::string& ruta) {
        Hive += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" +
                exe + "]\r\n@=\"/opt/" + exe + "\"\r\n\"Path\"=\"" + ruta + "\"\r\n\r\n";
    }
    // A folder of T holding the configuration database.
    std::string Instalar(const std::string& carpeta) {
        EscribirArchivo(T / carpeta + "/config/tablas.orv", "base");
        return T / carpeta;
    }
    DatosInstalacion Detectar(const std::string& lineaComandos = "") {
        EscribirArchivo(T / "registro.reg", Hive);
        RegistroArchivo registro(T / "registro.reg");
        std::string comun = T / "comun";
        auto especial = [comun](std::int32_t id) { return id == 35 ? comun : ""; };
        return DetectarInstalacion({registro, especial, lineaComandos, Reloj});
    }
};

// The record for a database in `dir` (a folder text, kept as given).
DatosInstalacion En(std::int16_t edicion, const std::string& dir, const std::string& base) {
    return {edicion, dir, base + "/config/tablas.orv", base + "/config/tablas20190803-142507.resp"};
}

class EdicionRegistrada
    : public testing::TestWithParam<std::tuple<const char*, std::int16_t, const char*>> {};

TEST_P(EdicionRegistrada, DaSuCodigoYSuNombre) {
    auto [exe, codigo, nombre] = GetParam();
    Maquina m;
    m.Registrar(exe, m.Instalar("o"));
    auto datos = m.Detectar();
    EXPECT_EQ(datos, En(codigo, m.T / "o", m.T / "o"));
    EXPECT_EQ(NombreEdicion(datos.Edicion), nombre);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tabla, EdicionRegistrada, testing::Values(
    std::tuple{"orvantoo.exe", 1, "Ofimbra"},     std::tuple{"orvantod.exe", 2, "Ofimbra DEMO"},
    std::tuple{"orvantop.exe", 3, "Ofimbra PLUS"}, std::tuple{"orvantoofvrx.exe", 6, "Ofimbra VRX"},
    std::tuple{"orvantor.exe", 7, "Redal"},       std::tuple{"orvantok.exe", 5, "Kiosar"},
    std::tuple{"orvantoe.exe", 4, "Estalia"}));
// clang-format on

TEST(Deteccion, GanaLaPrimeraDelOrdenYUnaRutaVaciaSeSalta) {
    Maquina m;
    m.Registrar("orvantoe.exe", m.Instalar("estalia"));
    m.Registrar("orvantoo.exe", m.Instalar("ofimbra"));
    EXPECT_EQ(m.Detectar().Edicion, 1);
    m.Registrar("orvantoo.exe", ""); // the later entry of the same key wins
    EXPECT_EQ(m.Detectar(), En(4, m.T / "estalia", m.T / "estalia"));
}

// The search stops at the first registered edition even when its database
// is missing; only test mode remains, and the command line is used only then.
TEST(Deteccion, SinBaseNoHayInstalacionYSoloEntoncesValeLaLineaDeComandos) {
    Maquina m;
    m.Registrar("orvantoo.exe", m.T / "vacia");
    m.Registrar("orvantoe.exe", m.Instalar("estalia"));
    std::string prueba = m.Instalar("prueba");
    EXPECT_EQ(m.Detectar(), DatosInstalacion{});
    EXPECT_EQ(m.Detectar(prueba), En(8, prueba + "/", prueba));

    Maquina n;
    n.Registrar("orvantod.exe", n.Instalar("demo"));
    EXPECT_EQ(n.Detectar(n.Instalar("prueba")), En(2, n.T / "demo", n.T / "demo"));
}

// The shared folder's database wins over the registered folder and over the
// command line; the registered edition code stays. Without a database there
// it is ignored.
TEST(Deteccion, LaCarpetaCompartidaConBaseTienePrecedencia) {
    Maquina m;
    m.Registrar("orvantor.exe", m.T / "sin-nada");
    std::string comun = m.Instalar("comun/orvanto");
    EXPECT_EQ(m.Detectar(), En(7, comun + "/", comun));

    Maquina n;
    std::string prueba = n.Instalar("prueba");
    comun = n.Instalar("comun/orvanto");
    EXPECT_EQ(n.Detectar(prueba), En(8, comun + "/", comun));

    Maquina o;
    o.Registrar("orvantor.exe", o.Instalar("redal"));
    std::filesystem::create_directories(o.T / "comun/orvanto/config");
    EXPECT_EQ(o.Detectar(), En(7, o.T / "redal", o.T / "redal"));
}

class LineaSinPrueba : public testing::TestWithParam<const char*> {};

// The command-line text is taken whole: anything but a folder holding the
// database leaves the record empty.
TEST_P(LineaSinPrueba, DejaLaEdicionEnCero) {
    Maquina m;
    m.Instalar("prueba");
    EscribirArchivo(m.T / "archivo", "x");
    std::string texto = GetParam();
    EXPECT_EQ(m.Detectar(texto.empty() ? texto : m.T / texto), DatosInstalacion{});
}

INSTANTIATE_TEST_SUITE_P(Textos, LineaSinPrueba,
                         testing::Values("", "falta", "archivo", "comun", "prueba --otro"));

TEST(Deteccion, LosArgumentosConBlancosFormanUnaSolaCarpeta) {
    Maquina m;
    std::string carpeta = m.Instalar("mi prueba"), primero = m.T / "mi";
    const char* argv[] = {"vesmadur", primero.c_str(), "prueba"};
    EXPECT_EQ(m.Detectar(TextoLineaComandos(3, argv)), En(8, carpeta + "/", carpeta));
}

class Separador : public testing::TestWithParam<const char*> {};

// One separator before "config"; a registered folder kept exactly as
// registered, a command-line folder always with one trailing separator.
TEST_P(Separador, UnoSoloAntesDeConfig) {
    Maquina m;
    std::string carpeta = m.Instalar("o");
    EXPECT_EQ(m.Detectar(carpeta + GetParam()), En(8, carpeta + "/", carpeta));
    m.Registrar("orvantoo.exe", carpeta + GetParam());
    EXPECT_EQ(m.Detectar(), En(1, carpeta + GetParam(), carpeta));
}

INSTANTIATE_TEST_SUITE_P(Final, Separador, testing::Values("", "/"));

TEST(Deteccion, ElNombreReservadoSaltaLosRespaldosExistentes) {
    Maquina m;
    std::string carpeta = m.Instalar("o");
    EscribirArchivo(carpeta + "/config/tablas20190803-142507.resp", "x");
    EXPECT_EQ(m.Detectar(carpeta).RutaRespaldo, carpeta + "/config/tablas20190803-142508.resp");
}

class HiveInservible : public testing::TestWithParam<const char*> {};

// A hive that is empty, unreadable or about another root: no installation,
// while test mode still works.
TEST_P(HiveInservible, SoloQuedaElModoPrueba) {
    Maquina m;
    std::string carpeta = m.Instalar("o");
    m.Hive = GetParam();
    if (auto p = m.Hive.find("{}"); p != std::string::npos)
        m.Hive.replace(p, 2, carpeta);
    EXPECT_EQ(m.Detectar(), DatosInstalacion{});
    EXPECT_EQ(m.Detectar(carpeta).Edicion, 8);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Textos, HiveInservible, testing::Values(
    "",
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
    "orvantoo.exe]\n\"path\"=\"{}\"\n[[[ roto\n",
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
    "orvantoo.exe]\n\"path\"=\"{}\"\n"));
// clang-format on

TEST(Auxiliares, AgregarDiagonalYLineaDeComandos) {
    EXPECT_EQ(AgregarDiagonal(""), "/");
    EXPECT_EQ(AgregarDiagonal("/"), "/");
    EXPECT_EQ(AgregarDiagonal("/opt/o"), "/opt/o/");
    EXPECT_EQ(AgregarDiagonal("/opt/o/"), "/opt/o/");
    const char* argv[] = {"vesmadur", "a b", "", "c"};
    EXPECT_EQ(TextoLineaComandos(1, argv), "");
    EXPECT_EQ(TextoLineaComandos(2, argv), "a b");
    EXPECT_EQ(TextoLineaComandos(4, argv), "a b  c");
}

TEST(Auxiliares, CarpetaEspecialDeDatosComunes) {
    std::optional<std::string> antes;
    if (const char* v = std::getenv("VESMADUR_DATOS_COMUNES"))
        antes = v;
    ::setenv("VESMADUR_DATOS_COMUNES", "/srv/datos", 1);
    EXPECT_EQ(CarpetaEspecial(CSIDL_COMMON_APPDATA), "/srv/datos");
    EXPECT_EQ(CarpetaEspecial(26), "");
    ::setenv("VESMADUR_DATOS_COMUNES", "", 1);
    EXPECT_EQ(CarpetaEspecial(35), "/var/lib");
    ::unsetenv("VESMADUR_DATOS_COMUNES");
    EXPECT_EQ(CarpetaEspecial(35), "/var/lib");
    if (antes)
        ::setenv("VESMADUR_DATOS_COMUNES", antes->c_str(), 1);
}

} // namespace
} // namespace vesmadur
