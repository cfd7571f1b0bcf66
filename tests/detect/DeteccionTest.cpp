#include "detect/Deteccion.h"

#include "ayudas/Archivos.h"
#include "backup/Respaldo.h"
#include "detect/Ediciones.h"
#include "registry/ConstantesRegistro.h"
#ifdef _WIN32
#include "registry/RegistroWin32.h"
#else
#include "registry/RegistroArchivo.h"
#endif

#include <gtest/gtest.h>
#include <ostream>

namespace vesmadur {
namespace {

using namespace prueba;

#ifdef _WIN32
// A machine: the editions registered in the real registry, the real
// all-users data folder (its "orvanto" folder is "comun/orvanto" here) and
// installation folders in a temporary folder T. What it registered or made in
// the shared folder goes when it does. On a machine where Orvanto is
// registered or has its shared folder, it refuses to start: it would hide
// that installation from the tests, or remove it after them.
struct Maquina {
    CarpetaTemporal T;
    RelojFijo Reloj;
    RegistroWin32 Registro;
    std::vector<std::string> Registrados;
    const std::string Comun = CarpetaEspecial(CSIDL_COMMON_APPDATA);

    Maquina() {
        for (const auto& edicion : Ediciones)
            if (!RutaAplicacion(Registro, std::string(edicion.Ejecutable)).empty() ||
                std::filesystem::exists(Ruta("comun/orvanto")))
                throw std::runtime_error("Orvanto esta instalado aqui: no se toca");
    }
    ~Maquina() {
        for (const auto& exe : Registrados)
            Registro.BorrarClave(HKEY_LOCAL_MACHINE, ClaveRutasAplicacion + exe);
        std::filesystem::remove_all(Ruta("comun/orvanto"));
    }
    // A path of the machine, '/' in `relativa` written as Windows writes it.
    std::string Ruta(std::string relativa) const {
        std::replace(relativa.begin(), relativa.end(), '/', '\\');
        return relativa.starts_with("comun") ? Comun + relativa.substr(5) : T / relativa;
    }
    // An application-path entry whose "path" value is `ruta`, as given.
    void Registrar(const std::string& exe, const std::string& ruta) {
        ManejadorClave clave = 0;
        ASSERT_EQ(Registro.CrearClave(HKEY_LOCAL_MACHINE, ClaveRutasAplicacion + exe, 0,
                                      KEY_DERECHOS_ESCRITURA, clave, nullptr),
                  0);
        Registrados.push_back(exe);
        const auto* datos = reinterpret_cast<const std::uint8_t*>(ruta.c_str());
        EXPECT_EQ(Registro.PonerValor(clave, "Path", REG_SZ, datos, ruta.size() + 1), 0);
        Registro.CerrarClave(clave);
    }
    DatosInstalacion Detectar(const std::string& lineaComandos = "") {
        return DetectarInstalacion({Registro, CarpetaEspecial, lineaComandos, Reloj});
    }
#else
// A machine in a temporary folder T: a registry hive written by hand as .reg
// text, the all-users data folder T/comun and installation folders.
struct Maquina {
    CarpetaTemporal T;
    RelojFijo Reloj;
    std::string Hive = "REGEDIT4\r\n\r\n";

    std::string Ruta(const std::string& relativa) const { return T / relativa; }
    // An application-path entry whose "path" value is `ruta`, as given.
    void Registrar(const std::string& exe, const std::string& ruta) {
        Hive += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" +
                exe + "]\r\n@=\"/opt/" + exe + "\"\r\n\"Path\"=\"" + ruta + "\"\r\n\r\n";
    }
    DatosInstalacion Detectar(const std::string& lineaComandos = "") {
        EscribirArchivo(T / "registro.reg", Hive);
        RegistroArchivo registro(T / "registro.reg");
        auto especial = [this](std::int32_t id) { return id == 35 ? T / "comun" : ""; };
        return DetectarInstalacion({registro, especial, lineaComandos, Reloj});
    }
#endif
    // A folder holding the configuration database (named with a trailing
    // separator: an empty folder).
    std::string Instalar(const std::string& carpeta) {
        if (carpeta.ends_with('/'))
            std::filesystem::create_directories(Ruta(carpeta));
        else
            EscribirArchivo(Ruta(carpeta + "/config/tablas.orv"), "base");
        return Ruta(carpeta);
    }
};

// The record for a database in the installation folder `dir`, as given.
DatosInstalacion En(std::int16_t edicion, const std::string& dir,
                    const std::string& sello = "142507") {
    return {edicion, dir, AgregarDiagonal(dir) + RutaRelativaConfig,
            AgregarDiagonal(dir) + BaseRespaldo + "20190803-" + sello + ".resp"};
}

// Executables registered with a folder of T ("": empty path), folders holding
// the database ("/" at the end: empty), the command line ("": none); the
// edition and folder expected (0: an empty record), the edition's name.
struct Caso {
    std::vector<std::pair<const char*, const char*>> Registros;
    std::vector<std::string> Carpetas;
    const char* Linea;
    std::int16_t Edicion;
    std::string Dir;
    const char* Nombre = nullptr;
    friend void PrintTo(const Caso& c, std::ostream* os) {
        *os << c.Edicion << " en '" << c.Dir << "', linea '" << c.Linea << "'";
    }
};

class Escenario : public testing::TestWithParam<Caso> {};

TEST_P(Escenario, DaLaInstalacionEsperada) {
    const Caso& c = GetParam();
    Maquina m;
    for (const auto& carpeta : c.Carpetas)
        m.Instalar(carpeta);
    for (auto [exe, ruta] : c.Registros)
        m.Registrar(exe, *ruta ? m.Ruta(ruta) : "");
    auto datos = m.Detectar(*c.Linea ? m.Ruta(c.Linea) : "");
    EXPECT_EQ(datos, c.Edicion ? En(c.Edicion, m.Ruta(c.Dir)) : DatosInstalacion{});
    if (c.Nombre) {
        EXPECT_EQ(NombreEdicion(datos.Edicion), c.Nombre);
    }
}

// The edition `codigo` registered alone.
Caso Ed(const char* exe, std::int16_t codigo, const char* nombre) {
    return {{{exe, "o"}}, {"o"}, "", codigo, "o", nombre};
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tabla, Escenario, testing::Values(
    // Each edition by its executable; the codes do not follow the search order.
    Ed("orvantoo.exe", 1, "Ofimbra"),         Ed("orvantod.exe", 2, "Ofimbra DEMO"),
    Ed("orvantop.exe", 3, "Ofimbra PLUS"),    Ed("orvantoofvrx.exe", 6, "Ofimbra VRX"),
    Ed("orvantor.exe", 7, "Redal"),           Ed("orvantok.exe", 5, "Kiosar"),
    Ed("orvantoe.exe", 4, "Estalia"),
    // The first of the search order wins; an empty "path" is skipped.
    Caso{{{"orvantoe.exe", "e"}, {"orvantoo.exe", "o"}}, {"e", "o"}, "", 1, "o"},
    Caso{{{"orvantoe.exe", "e"}, {"orvantoo.exe", ""}}, {"e", "o"}, "", 4, "e"},
    // The search stops at the first registered edition even without its
    // database; only test mode remains, and the command line counts only then.
    Caso{{{"orvantoo.exe", "vacia"}, {"orvantoe.exe", "e"}}, {"e", "p"}, "", 0, ""},
    Caso{{{"orvantoo.exe", "vacia"}, {"orvantoe.exe", "e"}}, {"e", "p"}, "p", 8, "p/"},
    Caso{{{"orvantod.exe", "d"}}, {"d", "p"}, "p", 2, "d"},
    // The shared folder's database wins over the registered folder and the
    // command line, the registered code staying; without a database it is ignored.
    Caso{{{"orvantor.exe", "nada"}}, {"comun/orvanto"}, "", 7, "comun/orvanto/"},
    Caso{{}, {"p", "comun/orvanto"}, "p", 8, "comun/orvanto/"},
    Caso{{{"orvantor.exe", "r"}}, {"r", "comun/orvanto/config/"}, "", 7, "r"},
    // A command-line text is taken whole and must be a folder with the database.
    Caso{{}, {"p", "v/"}, "falta", 0, ""},  Caso{{}, {"p", "v/"}, "registro.reg", 0, ""},
    Caso{{}, {"p", "v/"}, "v", 0, ""},      Caso{{}, {"p", "v/"}, "p --otro", 0, ""},
    // One separator before "config"; a registered folder kept as registered,
    // a command-line folder always with one trailing separator.
    Caso{{{"orvantoo.exe", "o/"}}, {"o"}, "", 1, "o/"},
    Caso{{}, {"o"}, "o", 8, "o/"}, Caso{{}, {"o"}, "o/", 8, "o/"}));
// clang-format on

// The arguments after the program's name form one folder, blanks included;
// the reserved backup name skips one already taken.
TEST(Deteccion, ArgumentosConBlancosYNombreReservadoOcupado) {
    Maquina m;
    std::string carpeta = m.Instalar("mi o"), mi = m.Ruta("mi");
    EscribirArchivo(AgregarDiagonal(carpeta) + "config/tablas20190803-142507.resp", "x");
    EXPECT_EQ(m.Detectar(mi + " o"), En(8, AgregarDiagonal(carpeta), "142508"));
#ifndef _WIN32
    const char* argv[] = {"vesmadur", mi.c_str(), "o"};
    EXPECT_EQ(TextoLineaComandos(3, argv), mi + " o");
#endif
    EXPECT_EQ(AgregarDiagonal(""), std::string(1, Separador));
}

// The all-users folder: the shell's on Windows; elsewhere the variable's
// unless it is empty. No other special folder is known.
TEST(Deteccion, CarpetaDeTodosLosUsuarios) {
    EXPECT_EQ(CarpetaEspecial(CSIDL_COMMON_APPDATA + 1), "");
#ifdef _WIN32
    EXPECT_TRUE(ExisteCarpeta(CarpetaEspecial(CSIDL_COMMON_APPDATA)));
#else
    ::setenv("VESMADUR_DATOS_COMUNES", "/x", 1);
    EXPECT_EQ(CarpetaEspecial(CSIDL_COMMON_APPDATA), "/x");
    ::setenv("VESMADUR_DATOS_COMUNES", "", 1);
    EXPECT_EQ(CarpetaEspecial(CSIDL_COMMON_APPDATA), "/var/lib");
#endif
}

// A Windows command line loses the program's name and the blanks after it;
// the rest stays as typed.
TEST(Deteccion, ColaDeLaLineaDeOrdenes) {
    const std::pair<const char*, const char*> Lineas[] = {
        {R"("C:\Program Files\v.exe"  C:\mi o )", R"(C:\mi o )"},
        {"v.exe\t\"C:\\mi o\"", "\"C:\\mi o\""},
        {"v.exe", ""},
        {R"("sin cierre)", ""},
    };
    for (const auto& [linea, cola] : Lineas)
        EXPECT_EQ(ColaLineaComandos(linea), cola) << linea;
#ifdef _WIN32
    // The program's own line, whatever the arguments given: this test's
    // arguments hold no blanks or quotes, so the tail is them joined.
    const auto argumentos = ::testing::internal::GetArgvs();
    std::string cola;
    for (std::size_t i = 1; i < argumentos.size(); ++i)
        cola += (i > 1 ? " " : "") + argumentos[i];
    const char* argv[] = {"otro", "nada"};
    EXPECT_EQ(TextoLineaComandos(2, argv), cola);
#endif
}

#ifndef _WIN32
// A hive about another root (an empty or unreadable one reads as an empty
// hive): no installation, while test mode still works.
TEST(Deteccion, UnHiveInservibleSoloDejaElModoPrueba) {
    Maquina m;
    std::string carpeta = m.Instalar("o");
    m.Registrar("orvantoo.exe", carpeta);
    m.Hive.replace(m.Hive.find("LOCAL_MACHINE"), 13, "CURRENT_USER");
    EXPECT_EQ(m.Detectar(), DatosInstalacion{});
    EXPECT_EQ(m.Detectar(carpeta).Edicion, 8);
}
#endif

} // namespace
} // namespace vesmadur
