// The registry over a hive file: the .reg text it reads and writes, a hive
// that does not load, a link, two processes at once, where the hive is.
#include "BancoRegistro.h"
#include "ayudas/Proceso.h"
#include "registry/FormatoReg.h"

#include <cstdlib>
#include <sys/stat.h>

namespace vesmadur {
namespace {

using namespace prueba;
using ArchivoReg = ConBanco<>;

// Through a symbolic link, which stays one; the file keeps its permissions and holds REGEDIT4.
TEST_F(ArchivoReg, EscribeRegedit4LegibleYUnEnlaceSigueSiendoEnlace) {
    const auto real = EscribirArchivo(b_.Carpeta / "real/maquina.reg", "REGEDIT4\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, b_.Hive());
    b_.En(".orv", "", HKCR).TipoValor(REG_SZ);
    b_.Reg.Valor("Orv.T");
    EXPECT_EQ(LeerBytes(real), Clases + "@=\"Orv.T\"\n");
    EXPECT_TRUE(std::filesystem::is_symlink(b_.Hive()));
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(Nombres(b_.Carpeta / "real"), (V{"maquina.reg", "maquina.reg.lock"}));
}

// A forked copy of the test writes at the same time: each keeps the other's values.
TEST_F(ArchivoReg, DosProcesosEscribiendoALaVezConservanAmbos) {
    const auto escribir = [&](const std::string& quien) {
        for (int i = 0; i < 40; ++i)
            b_.Poner("SOFTWARE\\Carrera", quien + std::to_string(i), REG_SZ, quien);
        return 0;
    };
    Proceso hijo([&] { return escribir("hijo"); });
    escribir("padre");
    ASSERT_EQ(hijo.Esperar(), 0) << hijo.Leer();
    EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE\\Carrera", true).size(), 80u);
}

// A hive that does not load reads as empty, refuses changes (ERROR_BADDB, or
// ERROR_REGISTRY_IO_FAILED for what is not a file) and is left as it was.
struct Ilegible : Fila {
    std::string Contenido;
    std::string (*Hacer)(std::string) = nullptr; // makes no file at the path; gives the hive
};
struct ArchivoRegIlegible : ::testing::TestWithParam<Ilegible> {};

TEST_P(ArchivoRegIlegible, LeeVacioNiegaLosCambiosYNoLoToca) {
    CarpetaTemporal carpeta;
    const auto& p = GetParam();
    const auto hive = p.Hacer ? p.Hacer(carpeta / "registro.reg")
                              : EscribirArchivo(carpeta / "registro.reg", p.Contenido);
    const auto antes = Nombres(carpeta.Ruta());
    RegistroArchivo ops(hive);
    ManejadorClave k = 0;
    EXPECT_EQ(ops.AbrirClave(HKLM, "SOFTWARE\\Orvanto", 0, KEY_QUERY_VALUE, k),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops.CrearClave(HKLM, "SOFTWARE\\Orvanto", 0, 0, k, nullptr),
              p.Hacer ? ERROR_REGISTRY_IO_FAILED : ERROR_BADDB);
    EXPECT_EQ(p.Hacer ? std::string() : LeerBytes(hive), p.Contenido);
    std::filesystem::remove(carpeta / "registro.reg.lock");
    EXPECT_EQ(Nombres(carpeta.Ruta()), antes) << "no file left beside it";
}

const std::string Orvanto = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n";
// clang-format off
const Ilegible Ilegibles[] = {
    {"LineaAjena", Orvanto + "\"Ruta\"=\"C:\\\\Orvanto\"\nesto no es una linea del formato\n"},
    {"SoloUnaLineaEnBlanco", "\n"},
    {"CabeceraDesconocida", "REGEDIT5\n"},
    {"EscapeInvalido", Orvanto + "\"Ruta\"=\"C:\\Orvanto\"\n"},
    {"TextoConColaAjena", Orvanto + "\"Ruta\"=\"C:\"x\n"},
    {"ValorSinIgual", Orvanto + "\"Ruta\"x\"C:\"\n"},
    {"RaizDesconocida", "REGEDIT4\n[HKEY_PROPIA\\SOFTWARE\\Orvanto]\n"},
    {"SeccionSinCerrar", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto\n"},
    {"NombreDe256", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'n') + "]\n"},
    {"Profundidad513", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + Niveles(513) + "]\n"},
    {"ValorTrasBorrarUnaClave", Orvanto + "[-HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"1\"\n"},
    {"HexInvalido", Orvanto + "\"Datos\"=hex:1,2,zz\n"},
    {"HexDeTresCifras", Orvanto + "\"Datos\"=hex:100\n"},
    {"Utf16Truncado", Utf16(u"REGEDIT4\r\n") + "\n"},
    {"Utf16ConSustitutoSuelto", Utf16(u"REGEDIT4\r\n;\xD800\r\n")},
    {"Fifo", "", [](std::string hive) { ::mkfifo(hive.c_str(), 0600); return hive; }},
    {"RutaATravesDeUnArchivo", "", [](std::string h) { return EscribirArchivo(h, "") + "/r.reg"; }},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, ArchivoRegIlegible, ::testing::ValuesIn(Ilegibles), PorNombre);

TEST(RegistroArchivoRuta, VariableDeEntornoOLaRutaDeLaMaquina) {
    PonerVariable("VESMADUR_REGISTRO", "/tmp/otro.reg");
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/tmp/otro.reg");
    PonerVariable("VESMADUR_REGISTRO", "");
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/etc/vesmadur/registro.reg");
}

} // namespace
} // namespace vesmadur
