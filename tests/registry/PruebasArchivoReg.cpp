// The hive file and its .reg format: what is written, what a readable text
// holds, two writers at once, and a file that must not load.
#include "ColmenaTemporal.h"
#include "IdaYVuelta.h"
#include "ayudas/Proceso.h"
#include "registry/FormatoReg.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <sys/stat.h>

namespace vesmadur {
namespace {

using namespace prueba;
using ArchivoReg = ConBanco<>;

// UTF-16LE with its byte-order mark, as regedit exports.
std::string Utf16(std::u16string_view texto) {
    static_assert(std::endian::native == std::endian::little);
    return "\xFF\xFE"s + std::string(reinterpret_cast<const char*>(texto.data()), texto.size() * 2);
}

// A hive written through a symbolic link: the link stays a link, the file
// keeps its permissions and holds readable REGEDIT4, no temporary file stays.
TEST_F(ArchivoReg, EscribeRegedit4LegibleYUnEnlaceSigueSiendoEnlace) {
    const auto real = EscribirArchivo(b_.Carpeta / "real/maquina.reg", "REGEDIT4\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, b_.Hive());
    b_.Poner("SOFTWARE\\Vesmadur", "Ruta", REG_SZ, B("C:\\Orvanto\\\0"s));
    b_.Poner("SOFTWARE\\Vesmadur", "Cuenta", REG_DWORD, {0x2A, 0, 0, 0});
    b_.Poner("SOFTWARE\\Vesmadur", "SinCero", REG_SZ, B("ab"));
    b_.En(".orv", "", HKEY_CLASSES_ROOT).TipoValor(REG_SZ);
    b_.Reg.Valor("Orv.T");
    EXPECT_EQ(LeerBytes(real), "REGEDIT4\n"
                               "\n[HKEY_LOCAL_MACHINE]\n"
                               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
                               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n"
                               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]\n"
                               "@=\"Orv.T\"\n"
                               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vesmadur]\n"
                               "\"Ruta\"=\"C:\\\\Orvanto\\\\\"\n"
                               "\"Cuenta\"=dword:0000002a\n"
                               "\"SinCero\"=hex(1):61,62\n");
    EXPECT_TRUE(std::filesystem::is_symlink(b_.Hive()));
    EXPECT_EQ(Permisos(real), 0640u);
    EXPECT_EQ(Nombres(b_.Carpeta / "real"), (V{"maquina.reg", "maquina.reg.lock"}));
}

// A forked copy of the test writes with its own copy of the registry.
TEST_F(ArchivoReg, DosProcesosEscribiendoALaVezConservanAmbos) {
    const auto escribir = [&](const std::string& quien) {
        b_.En("SOFTWARE\\Carrera").TipoValor(REG_SZ);
        for (int i = 0; i < 40; ++i) {
            b_.Reg.ValorClave(quien + std::to_string(i));
            b_.Reg.Valor(quien);
        }
        return 0;
    };
    Proceso hijo([&] { return escribir("hijo"); }); // both write at once
    escribir("padre");
    ASSERT_EQ(hijo.Esperar(), 0) << hijo.Leer();
    V esperados, nombres = b_.Valores("SOFTWARE\\Carrera");
    for (const std::string quien : {"hijo", "padre"})
        for (int i = 0; i < 40; ++i)
            esperados.push_back(quien + std::to_string(i));
    std::sort(nombres.begin(), nombres.end());
    std::sort(esperados.begin(), esperados.end());
    EXPECT_EQ(nombres, esperados);
}

// A readable text and the hive it holds, as the writer puts it.
struct Legible : Fila {
    std::string Texto, Escrito;
};

class FormatoRegLegible : public ::testing::TestWithParam<Legible> {};

TEST_P(FormatoRegLegible, SeLeeComoLaColmenaQueSeEscribe) {
    const auto colmena = LeerFormatoReg(GetParam().Texto);
    ASSERT_TRUE(colmena);
    EXPECT_EQ(EscribirFormatoReg(*colmena), GetParam().Escrito);
}

const std::string K = "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\K]\n";
const std::string Clases = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]\n";
const Legible Legibles[] = {
    {"Vacio", "", "REGEDIT4\n"},
    // A byte-order mark, CRLF, a comment, blanks around '=', a continued hex line.
    {"Regedit4AMano",
     "\xEF\xBB\xBFREGEDIT4\r\n\r\n; a mano\r\n[hkey_classes_root\\.orv]\r\n@=\"Orv.T\"\r\n"
     "\"Cuenta\" = dword:10\r\n\"Datos\"=hex:01,\\\r\n  02\r\n",
     Clases + "@=\"Orv.T\"\n\"Cuenta\"=dword:00000010\n\"Datos\"=hex:01,02\n"},
    // Text data in hex is UTF-16 there (a pair of surrogates too), and becomes UTF-8.
    {"Version5EnUtf16",
     Utf16(u"Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\K]\r\n\"ñ\"=\"ñ\"\r\n"
           u"\"L\"=hex(7):61,00,00,00,f1,00,00,00,00,00\r\n\"U\"=hex(1):41,00,3d,d8,00,de\r\n"
           u"\"E\"=hex(2):25,00,00,00\r\n"),
     K + "\"ñ\"=\"ñ\"\n\"L\"=hex(7):61,00,c3,b1,00,00\n\"U\"=hex(1):41,f0,9f,98,80\n\"E\"=hex(2):"
         "25,00\n"},
    {"Version5EnUtf8", "Windows Registry Editor Version 5.00\n[hkey_users\\K]\n\"a\"=\"1\"\n",
     K + "\"a\"=\"1\"\n"},
    // A continuation that leads only to a blank line is nothing at all.
    {"ContinuacionEnBlanco", "REGEDIT4\n[HKEY_USERS\\K]\n\\\n\n", K},
    {"BorradosDeClavesYValores",
     "REGEDIT4\n[HKEY_USERS\\K\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n\"X\"=-\n[HKEY_USERS\\K\\C]\n"
     "[-HKEY_USERS\\k\\c]\n[-HKEY_USERS\\NoExiste]\n",
     K + "\n[HKEY_USERS\\K\\B]\n\"y\"=\"2\"\n"},
    {"SeccionRepetidaSeUneYUnValorRepetidoConservaSuSitio",
     "REGEDIT4\n[HKEY_USERS\\Ωk]\n\"a\"=\"1\"\n\"b\"=\"2\"\n[hkey_users\\ωK]\n\"A\"=dword:3\n"
     "\"c\"=\"4\"\n",
     "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\Ωk]\n\"a\"=dword:00000003\n\"b\"=\"2\"\n"
     "\"c\"=\"4\"\n"},
};
INSTANTIATE_TEST_SUITE_P(Casos, FormatoRegLegible, ::testing::ValuesIn(Legibles), PorNombre);

// Each seed of the fuzz corpus is a readable hive that survives a round trip.
TEST(FormatoReg, ElCorpusDeSemillasSeLeeYVuelveIgual) {
    int semillas = 0;
    for (const auto& e : std::filesystem::directory_iterator(VESMADUR_CORPUS_REG)) {
        EXPECT_EQ(IdaYVuelta(LeerBytes(e.path())), true) << e.path();
        ++semillas;
    }
    EXPECT_GE(semillas, 5);
}

// A hive that must not load: read as an empty registry, every change refused
// with `Codigo`, the hive and its folder left as they were.
struct Ilegible : Fila {
    std::string Contenido; // the hive's bytes, unless Hacer makes it
    std::int32_t Codigo = ERROR_BADDB;
    // Makes something other than a file at the hive's path; gives the path.
    std::function<std::string(const CarpetaTemporal&)> Hacer = nullptr;
};

class ArchivoRegIlegible : public ::testing::TestWithParam<Ilegible> {};

TEST_P(ArchivoRegIlegible, LeeVacioNiegaLosCambiosYNoLoToca) {
    CarpetaTemporal carpeta;
    const auto& p = GetParam();
    const auto hive =
        p.Hacer ? p.Hacer(carpeta) : EscribirArchivo(carpeta / "registro.reg", p.Contenido);
    const auto antes = Nombres(carpeta.Ruta());
    const auto tipo = std::filesystem::symlink_status(hive).type();
    RegistroArchivo ops(hive);
    ManejadorClave k = 0;
    const std::uint8_t dato = 1;
    EXPECT_EQ(ops.AbrirClave(HKLM, "SOFTWARE\\Orvanto", 0, KEY_QUERY_VALUE, k),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops.CrearClave(HKLM, "SOFTWARE\\Orvanto", 0, 0, k, nullptr), p.Codigo);
    EXPECT_EQ(ops.PonerValor(HKLM, "v", REG_BINARY, &dato, 1), p.Codigo);

    EXPECT_EQ(std::filesystem::symlink_status(hive).type(), tipo);
    if (!p.Hacer) {
        EXPECT_EQ(LeerBytes(hive), p.Contenido);
    }
    std::filesystem::remove(carpeta / "registro.reg.lock");
    EXPECT_EQ(Nombres(carpeta.Ruta()), antes) << "no file left beside it";
}

std::string Fifo(const CarpetaTemporal& c) {
    EXPECT_EQ(::mkfifo((c / "registro.reg").c_str(), 0600), 0);
    return c / "registro.reg";
}
std::string Carpeta(const CarpetaTemporal& c) {
    std::filesystem::create_directory(c / "registro.reg");
    return c / "registro.reg";
}
std::string TrasUnArchivo(const CarpetaTemporal& c) {
    return EscribirArchivo(c / "archivo", "REGEDIT4\n") + "/registro.reg";
}

const std::string Orvanto = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n";
const auto Error = ERROR_REGISTRY_IO_FAILED;
const Ilegible Ilegibles[] = {
    {"LineaAjena", Orvanto + "\"Ruta\"=\"C:\\\\Orvanto\"\nesto no es una linea del formato\n"},
    {"SinCabecera", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n\"Ruta\"=\"C:\\\\Orvanto\"\n"},
    {"SoloUnaLineaEnBlanco", "\n"},
    {"CabeceraDesconocida", "REGEDIT5\n"},
    {"EscapeInvalido", Orvanto + "\"Ruta\"=\"C:\\Orvanto\"\n"},
    {"TextoConColaAjena", Orvanto + "\"Ruta\"=\"C:\"x\n"},
    {"ValorSinIgual", Orvanto + "\"Ruta\"x\"C:\"\n"},
    {"RaizDesconocida", "REGEDIT4\n[HKEY_PROPIA\\SOFTWARE\\Orvanto]\n"},
    {"SeccionSinCerrar", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto\n"},
    {"NombreDe256", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'n') + "]\n"},
    {"Profundidad513", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + Niveles(513) + "]\n"},
    {"ValorAntesDeTodaClave", "REGEDIT4\n\"a\"=\"antes de toda clave\"\n"},
    {"ValorTrasBorrarUnaClave", Orvanto + "[-HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"1\"\n"},
    {"DwordDeMasDe32Bits", Orvanto + "\"Cuenta\"=dword:100000000\n"},
    {"HexInvalido", Orvanto + "\"Datos\"=hex:1,2,zz\n"},
    {"HexDeTresCifras", Orvanto + "\"Datos\"=hex:100\n"},
    {"HexConComaFinal", Orvanto + "\"Datos\"=hex:01,\n"},
    {"Utf16Truncado", Utf16(u"REGEDIT4\r\n") + "\n"},
    {"Utf16ConSustitutoSuelto", Utf16(u"REGEDIT4\r\n;\xD800\r\n")},
    {"Fifo", "", Error, Fifo},
    {"Carpeta", "", Error, Carpeta},
    {"RutaATravesDeUnArchivo", "", Error, TrasUnArchivo},
};
INSTANTIATE_TEST_SUITE_P(Casos, ArchivoRegIlegible, ::testing::ValuesIn(Ilegibles), PorNombre);

} // namespace
} // namespace vesmadur
