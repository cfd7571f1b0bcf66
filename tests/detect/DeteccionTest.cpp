#include "detect/Deteccion.h"

#include "../backup/RelojFijo.h"
#include "CarpetaTemporal.h"
#include "detect/Ediciones.h"
#include "registry/RegistroArchivo.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <utility>
#include <vector>

namespace vesmadur {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribirArchivo;
using prueba::Momento;
using prueba::RelojFijo;

// A machine in a temporary folder T: a registry hive written by hand in
// .reg text, an all-users data folder T/comun and installation folders.
class Maquina {
public:
    // Registers `ejecutable` with this "path" value (written as given).
    void Registrar(const std::string& ejecutable, const std::string& ruta) {
        registros_.emplace_back(ejecutable, ruta);
    }
    // A folder holding config/tablas.orv.
    void Instalar(const std::string& carpeta) {
        EscribirArchivo(carpeta + "/config/tablas.orv", "base");
    }
    // The registry hive is this text instead of the registrations.
    void HiveTexto(std::string texto) { textoHive_ = std::move(texto); }

    DatosInstalacion Detectar(const std::string& lineaComandos = "") {
        std::string texto = "REGEDIT4\r\n\r\n";
        for (const auto& [ejecutable, ruta] : registros_)
            texto += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                     "Paths\\" +
                     ejecutable + "]\r\n@=\"" + ruta + "/" + ejecutable + "\"\r\n\"Path\"=\"" +
                     ruta + "\"\r\n\r\n";
        EscribirArchivo(T / "registro.reg", textoHive_ ? *textoHive_ : texto);
        RegistroArchivo registro(T / "registro.reg");
        std::string comun = T / "comun";
        EntornoDeteccion entorno{
            registro, [comun](std::int32_t id) { return id == CSIDL_COMMON_APPDATA ? comun : ""; },
            lineaComandos, Reloj};
        return DetectarInstalacion(entorno);
    }

    CarpetaTemporal T;
    RelojFijo Reloj{Momento(2019, 8, 3, 14, 25, 7)};

private:
    std::vector<std::pair<std::string, std::string>> registros_;
    std::optional<std::string> textoHive_;
};

DatosInstalacion Registro(std::int16_t edicion, const std::string& dir, const std::string& config,
                          const std::string& respaldo) {
    return {edicion, dir, config, respaldo};
}

// ------------------------------------------------------------ the editions

struct CasoEdicion {
    const char* Ejecutable;
    std::int16_t Codigo;
    const char* Nombre;
};

class EdicionRegistrada : public testing::TestWithParam<CasoEdicion> {};

TEST_P(EdicionRegistrada, DaSuCodigoYSuNombre) {
    Maquina m;
    m.Registrar(GetParam().Ejecutable, m.T / "orvanto");
    m.Instalar(m.T / "orvanto");
    auto datos = m.Detectar();
    EXPECT_EQ(datos, Registro(GetParam().Codigo, m.T / "orvanto", m.T / "orvanto/config/tablas.orv",
                              m.T / "orvanto/config/tablas20190803-142507.resp"));
    EXPECT_EQ(NombreEdicion(datos.Edicion), GetParam().Nombre);
}

INSTANTIATE_TEST_SUITE_P(Tabla, EdicionRegistrada,
                         testing::Values(CasoEdicion{"orvantoo.exe", 1, "Ofimbra"},
                                         CasoEdicion{"orvantod.exe", 2, "Ofimbra DEMO"},
                                         CasoEdicion{"orvantop.exe", 3, "Ofimbra PLUS"},
                                         CasoEdicion{"orvantoofvrx.exe", 6, "Ofimbra VRX"},
                                         CasoEdicion{"orvantor.exe", 7, "Redal"},
                                         CasoEdicion{"orvantok.exe", 5, "Kiosar"},
                                         CasoEdicion{"orvantoe.exe", 4, "Estalia"}),
                         [](const testing::TestParamInfo<CasoEdicion>& fila) {
                             std::string nombre = fila.param.Ejecutable;
                             return nombre.substr(0, nombre.find('.'));
                         });

TEST(Deteccion, GanaLaPrimeraEdicionDelOrden) {
    Maquina m;
    m.Registrar("orvantoe.exe", m.T / "estalia");
    m.Registrar("orvantok.exe", m.T / "kiosar");
    m.Registrar("orvantoo.exe", m.T / "ofimbra");
    for (auto carpeta : {"estalia", "kiosar", "ofimbra"})
        m.Instalar(m.T / carpeta);
    auto datos = m.Detectar();
    EXPECT_EQ(datos.Edicion, 1);
    EXPECT_EQ(NombreEdicion(datos.Edicion), "Ofimbra");
    EXPECT_EQ(datos.DirInstalacion, m.T / "ofimbra");
}

TEST(Deteccion, UnaRutaVaciaOAusenteNoCuentaComoInstalacion) {
    Maquina m;
    m.Registrar("orvantoo.exe", "");
    m.Registrar("orvantoe.exe", m.T / "estalia");
    m.Instalar(m.T / "estalia");
    EXPECT_EQ(m.Detectar().Edicion, 4);
}

// The search stops at the first registered edition, even when its database
// is missing: later editions are not tried, and only test mode remains.
TEST(Deteccion, LaPrimeraEdicionRegistradaSinBaseNoDaPasoALasSiguientes) {
    Maquina m;
    m.Registrar("orvantoo.exe", m.T / "vacia");
    std::filesystem::create_directories(m.T / "vacia");
    m.Registrar("orvantoe.exe", m.T / "estalia");
    m.Instalar(m.T / "estalia");
    m.Instalar(m.T / "prueba");

    EXPECT_EQ(m.Detectar(), DatosInstalacion{});
    EXPECT_EQ(m.Detectar(m.T / "prueba"),
              Registro(8, m.T / "prueba/", m.T / "prueba/config/tablas.orv",
                       m.T / "prueba/config/tablas20190803-142507.resp"));
}

// ------------------------------------------------------- the shared folder

TEST(Deteccion, LaCarpetaCompartidaTienePrecedenciaYSeConservaElCodigo) {
    Maquina m;
    m.Registrar("orvantor.exe", m.T / "redal");
    m.Instalar(m.T / "redal");
    m.Instalar(m.T / "comun/orvanto");
    EXPECT_EQ(m.Detectar(),
              Registro(7, m.T / "comun/orvanto/", m.T / "comun/orvanto/config/tablas.orv",
                       m.T / "comun/orvanto/config/tablas20190803-142507.resp"));
}

TEST(Deteccion, UnaCarpetaCompartidaSinBaseSeIgnora) {
    Maquina m;
    m.Registrar("orvantor.exe", m.T / "redal");
    m.Instalar(m.T / "redal");
    std::filesystem::create_directories(m.T / "comun/orvanto/config");
    EXPECT_EQ(m.Detectar().DirInstalacion, m.T / "redal");
}

// The shared folder is enough on its own: the registered folder need not
// hold anything.
TEST(Deteccion, BastaLaBaseCompartidaConUnaEdicionRegistrada) {
    Maquina m;
    m.Registrar("orvantop.exe", m.T / "no-existe");
    m.Instalar(m.T / "comun/orvanto");
    auto datos = m.Detectar();
    EXPECT_EQ(datos.Edicion, 3);
    EXPECT_EQ(datos.DirInstalacion, m.T / "comun/orvanto/");
}

TEST(Deteccion, EnModoPruebaLaCarpetaCompartidaTambienTienePrecedencia) {
    Maquina m;
    m.Instalar(m.T / "prueba");
    m.Instalar(m.T / "comun/orvanto");
    auto datos = m.Detectar(m.T / "prueba");
    EXPECT_EQ(datos.Edicion, 8);
    EXPECT_EQ(datos.DirInstalacion, m.T / "comun/orvanto/");
}

// ------------------------------------------------------------- test mode

TEST(Deteccion, LaLineaDeComandosSeIgnoraSiHayInstalacion) {
    Maquina m;
    m.Registrar("orvantod.exe", m.T / "demo");
    m.Instalar(m.T / "demo");
    m.Instalar(m.T / "prueba");
    auto datos = m.Detectar(m.T / "prueba");
    EXPECT_EQ(datos.Edicion, 2);
    EXPECT_EQ(datos.DirInstalacion, m.T / "demo");
}

// Command-line texts that open no test mode: the record stays empty.
struct CasoLinea {
    const char* Nombre;
    std::string (*Texto)(const CarpetaTemporal&);
};

class LineaSinPrueba : public testing::TestWithParam<CasoLinea> {};

TEST_P(LineaSinPrueba, DejaLaEdicionEnCero) {
    Maquina m;
    m.Instalar(m.T / "prueba");
    EscribirArchivo(m.T / "archivo", "x");
    std::filesystem::create_directories(m.T / "sin-base");
    EXPECT_EQ(m.Detectar(GetParam().Texto(m.T)), DatosInstalacion{});
}

INSTANTIATE_TEST_SUITE_P(
    Textos, LineaSinPrueba,
    testing::Values(
        CasoLinea{"Vacia", [](const CarpetaTemporal&) { return std::string(); }},
        CasoLinea{"CarpetaAusente", [](const CarpetaTemporal& tmp) { return tmp / "falta"; }},
        CasoLinea{"Archivo", [](const CarpetaTemporal& tmp) { return tmp / "archivo"; }},
        CasoLinea{"CarpetaSinBase", [](const CarpetaTemporal& tmp) { return tmp / "sin-base"; }},
        // The text is taken whole: a folder followed by another word is no
        // folder.
        CasoLinea{"CarpetaYOtraPalabra",
                  [](const CarpetaTemporal& tmp) { return tmp / "prueba" + " --otro"; }}),
    [](const testing::TestParamInfo<CasoLinea>& fila) { return fila.param.Nombre; });

TEST(Deteccion, UnaCarpetaConEspaciosEnLaLineaDeComandosSeTomaEntera) {
    Maquina m;
    m.Instalar(m.T / "mi prueba");
    const std::string primero = m.T / "mi";
    const char* argv[] = {"vesmadur", primero.c_str(), "prueba"};
    std::string linea = TextoLineaComandos(3, argv);
    auto datos = m.Detectar(linea);
    EXPECT_EQ(datos.Edicion, 8);
    EXPECT_EQ(datos.DirInstalacion, m.T / "mi prueba/");
}

// ----------------------------------------------------------- separators

struct CasoSeparador {
    const char* Nombre;
    const char* Final; // what the folder text ends with
};

class Separador : public testing::TestWithParam<CasoSeparador> {};

TEST_P(Separador, RegistradaSeConservaTalCualConUnSoloSeparadorAntesDeConfig) {
    Maquina m;
    m.Registrar("orvantoo.exe", m.T / "ofimbra" + GetParam().Final);
    m.Instalar(m.T / "ofimbra");
    EXPECT_EQ(m.Detectar(),
              Registro(1, m.T / "ofimbra" + GetParam().Final, m.T / "ofimbra/config/tablas.orv",
                       m.T / "ofimbra/config/tablas20190803-142507.resp"));
}

TEST_P(Separador, EnModoPruebaLaCarpetaTerminaEnUnSoloSeparador) {
    Maquina m;
    m.Instalar(m.T / "prueba");
    EXPECT_EQ(m.Detectar(m.T / "prueba" + GetParam().Final),
              Registro(8, m.T / "prueba/", m.T / "prueba/config/tablas.orv",
                       m.T / "prueba/config/tablas20190803-142507.resp"));
}

INSTANTIATE_TEST_SUITE_P(Final, Separador,
                         testing::Values(CasoSeparador{"SinSeparador", ""},
                                         CasoSeparador{"ConSeparador", "/"}),
                         [](const testing::TestParamInfo<CasoSeparador>& fila) {
                             return fila.param.Nombre;
                         });

// ------------------------------------------------------ the backup name

TEST(Deteccion, ElNombreReservadoSaltaLosRespaldosExistentes) {
    Maquina m;
    m.Instalar(m.T / "prueba");
    EscribirArchivo(m.T / "prueba/config/tablas20190803-142507.resp", "x");
    EXPECT_EQ(m.Detectar(m.T / "prueba").RutaRespaldo,
              m.T / "prueba/config/tablas20190803-142508.resp");
}

// ------------------------------------------------------------ bad hives

struct CasoHive {
    const char* Nombre;
    const char* Texto;
};

class HiveInservible : public testing::TestWithParam<CasoHive> {};

TEST_P(HiveInservible, NoHayInstalacionPeroElModoPruebaFunciona) {
    Maquina m;
    m.Instalar(m.T / "orvanto");
    m.HiveTexto(GetParam().Texto);
    EXPECT_EQ(m.Detectar(), DatosInstalacion{});
    EXPECT_EQ(m.Detectar(m.T / "orvanto").Edicion, 8);
}

INSTANTIATE_TEST_SUITE_P(
    Textos, HiveInservible,
    testing::Values(CasoHive{"Vacio", ""}, CasoHive{"Basura", "esto no es un registro\n[[["},
                    CasoHive{"OtraRaiz", "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\"
                                         "Windows\\CurrentVersion\\App Paths\\orvantoo.exe]\n"
                                         "\"path\"=\"/tmp\"\n"}),
    [](const testing::TestParamInfo<CasoHive>& fila) { return fila.param.Nombre; });

// --------------------------------------------------------------- helpers

TEST(AgregarDiagonal, UnSoloSeparadorAlFinal) {
    EXPECT_EQ(AgregarDiagonal(""), "/");
    EXPECT_EQ(AgregarDiagonal("/"), "/");
    EXPECT_EQ(AgregarDiagonal("/opt/orvanto"), "/opt/orvanto/");
    EXPECT_EQ(AgregarDiagonal("/opt/orvanto/"), "/opt/orvanto/");
    EXPECT_EQ(AgregarDiagonal("relativa"), "relativa/");
}

TEST(TextoLineaComandos, ArgumentosUnidosPorUnBlanco) {
    const char* solo[] = {"vesmadur"};
    const char* uno[] = {"vesmadur", "/srv/prueba"};
    const char* varios[] = {"vesmadur", "a b", "", "c"};
    EXPECT_EQ(TextoLineaComandos(1, solo), "");
    EXPECT_EQ(TextoLineaComandos(0, nullptr), "");
    EXPECT_EQ(TextoLineaComandos(2, uno), "/srv/prueba");
    EXPECT_EQ(TextoLineaComandos(4, varios), "a b  c");
}

// Sets or clears an environment variable for one test and puts it back.
class VariableTemporal {
public:
    VariableTemporal(const char* nombre, const char* valor) : nombre_(nombre) {
        if (const char* antes = std::getenv(nombre))
            antes_ = antes;
        if (valor)
            ::setenv(nombre, valor, 1);
        else
            ::unsetenv(nombre);
    }
    ~VariableTemporal() {
        if (antes_)
            ::setenv(nombre_, antes_->c_str(), 1);
        else
            ::unsetenv(nombre_);
    }

private:
    const char* nombre_;
    std::optional<std::string> antes_;
};

TEST(CarpetaEspecial, DatosComunesConSuVariableOPorDefecto) {
    {
        VariableTemporal v("VESMADUR_DATOS_COMUNES", "/srv/datos");
        EXPECT_EQ(CarpetaEspecial(CSIDL_COMMON_APPDATA), "/srv/datos");
        EXPECT_EQ(CarpetaEspecial(26), ""); // another folder: unknown here
        EXPECT_EQ(CarpetaEspecial(0), "");
    }
    {
        VariableTemporal v("VESMADUR_DATOS_COMUNES", "");
        EXPECT_EQ(CarpetaEspecial(35), "/var/lib");
    }
    {
        VariableTemporal v("VESMADUR_DATOS_COMUNES", nullptr);
        EXPECT_EQ(CarpetaEspecial(35), "/var/lib");
    }
}

TEST(RutaAplicacion, LeeElValorPathDeLaEntradaDelEjecutable) {
    CarpetaTemporal t;
    EscribirArchivo(t / "registro.reg",
                    "REGEDIT4\n\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                    "Paths\\orvantoo.exe]\n"
                    "@=\"/opt/orvanto/orvantoo.exe\"\n\"PATH\"=\"/opt/orvanto\"\n\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                    "Paths\\orvantod.exe]\n"
                    "@=\"/opt/demo/orvantod.exe\"\n\n");
    RegistroArchivo registro(t / "registro.reg");
    EXPECT_EQ(RutaAplicacion(registro, "orvantoo.exe"), "/opt/orvanto");
    EXPECT_EQ(RutaAplicacion(registro, "ORVANTOO.EXE"), "/opt/orvanto");
    EXPECT_EQ(RutaAplicacion(registro, "orvantod.exe"), ""); // no "path" value
    EXPECT_EQ(RutaAplicacion(registro, "orvantop.exe"), ""); // no entry
}

} // namespace
} // namespace vesmadur
