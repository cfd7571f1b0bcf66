#include "detect/Deteccion.h"

#include "ayudas/Archivos.h"
#include "detect/Ediciones.h"
#include "registry/RegistroArchivo.h"

#include <gtest/gtest.h>
#include <ostream>

namespace vesmadur {
namespace {

using namespace prueba;

// A machine in a temporary folder T: a registry hive written by hand as .reg
// text, the all-users data folder T/comun and installation folders.
struct Maquina {
    CarpetaTemporal T;
    RelojFijo Reloj;
    std::string Hive = "REGEDIT4\r\n\r\n";

    // An application-path entry whose "path" value is `ruta`, as given.
    void Registrar(const std::string& exe, const std::string& ruta) {
        Hive += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" +
                exe + "]\r\n@=\"/opt/" + exe + "\"\r\n\"Path\"=\"" + ruta + "\"\r\n\r\n";
    }
    // A folder of T holding the configuration database (named with a
    // trailing separator: an empty folder).
    std::string Instalar(const std::string& carpeta) {
        if (carpeta.ends_with('/'))
            std::filesystem::create_directories(T / carpeta);
        else
            EscribirArchivo(T / carpeta + "/config/tablas.orv", "base");
        return T / carpeta;
    }
    DatosInstalacion Detectar(const std::string& lineaComandos = "") {
        EscribirArchivo(T / "registro.reg", Hive);
        RegistroArchivo registro(T / "registro.reg");
        auto especial = [this](std::int32_t id) { return id == 35 ? T / "comun" : ""; };
        return DetectarInstalacion({registro, especial, lineaComandos, Reloj});
    }
};

// The record for a database in `base`, the installation folder `dir` as given.
DatosInstalacion En(std::int16_t edicion, const std::string& dir, const std::string& base,
                    const std::string& sello = "142507") {
    return {edicion, dir, base + "/config/tablas.orv",
            base + "/config/tablas20190803-" + sello + ".resp"};
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
        m.Registrar(exe, *ruta ? m.T / ruta : "");
    auto datos = m.Detectar(*c.Linea ? m.T / c.Linea : "");
    std::string base = c.Dir.substr(0, c.Dir.find_last_not_of('/') + 1);
    EXPECT_EQ(datos, c.Edicion ? En(c.Edicion, m.T / c.Dir, m.T / base) : DatosInstalacion{});
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
    std::string carpeta = m.Instalar("mi o"), mi = m.T / "mi";
    EscribirArchivo(carpeta + "/config/tablas20190803-142507.resp", "x");
    const char* argv[] = {"vesmadur", mi.c_str(), "o"};
    EXPECT_EQ(m.Detectar(TextoLineaComandos(3, argv)), En(8, carpeta + "/", carpeta, "142508"));
    EXPECT_EQ(AgregarDiagonal(""), "/");
}

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

} // namespace
} // namespace vesmadur
