// The hive file: the .reg text written and read, two writers at once, a file
// that must not load, and the result codes a caller of the Win32 calls sees.
#include "ColmenaTemporal.h"
#include "IdaYVuelta.h"
#include "ayudas/Proceso.h"

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

const std::string Clases = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]\n";

// Written through a symbolic link: the link stays a link, the file keeps its
// permissions and holds REGEDIT4 (text as hex when it is not printable UTF-8
// with one zero, long hex lines continued), no temporary file stays.
TEST_F(ArchivoReg, EscribeRegedit4LegibleYUnEnlaceSigueSiendoEnlace) {
    const auto real = EscribirArchivo(b_.Carpeta / "real/maquina.reg", "REGEDIT4\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, b_.Hive());
    const std::string n67(67, 'n');
    b_.Poner("SOFTWARE\\Vesmadur", "Ruta", REG_SZ, "C:\\Orvanto\\\0"s);
    b_.Poner("SOFTWARE\\Vesmadur", "Cuenta", REG_DWORD, "\x2A\0\0\0"s);
    b_.Poner("SOFTWARE\\Vesmadur", "SinCero", REG_SZ, "ab");
    b_.Poner("SOFTWARE\\Vesmadur", "Sustituto", REG_SZ, "\xED\xA0\x80\0"s);
    b_.Poner("SOFTWARE\\Vesmadur", n67, REG_BINARY, "\1\2\3");
    b_.En(".orv", "", HKCR).TipoValor(REG_SZ);
    b_.Reg.Valor("Orv.T");
    EXPECT_EQ(LeerBytes(real), Clases +
                                   "@=\"Orv.T\"\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vesmadur]\n"
                                   "\"Ruta\"=\"C:\\\\Orvanto\\\\\"\n\"Cuenta\"=dword:0000002a\n"
                                   "\"SinCero\"=hex(1):61,62\n\"Sustituto\"=hex(1):ed,a0,80,00\n"
                                   "\"" +
                                   n67 + "\"=hex:01,\\\n  02,03\n");
    EXPECT_TRUE(std::filesystem::is_symlink(b_.Hive()));
    EXPECT_EQ(Permisos(real), 0640u);
    EXPECT_EQ(Nombres(b_.Carpeta / "real"), (V{"maquina.reg", "maquina.reg.lock"}));
}

// A forked copy of the test writes with its own registry, both at once: each
// keeps the other's values.
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

// A readable text, the hive it holds as the writer puts it, and the round
// trip every readable text survives.
struct Legible : Fila {
    std::string Texto, Escrito;
};
struct FormatoRegLegible : ::testing::TestWithParam<Legible> {};

TEST_P(FormatoRegLegible, SeLeeComoLaColmenaQueSeEscribe) {
    const auto colmena = LeerFormatoReg(GetParam().Texto);
    ASSERT_TRUE(colmena);
    EXPECT_EQ(EscribirFormatoReg(*colmena), GetParam().Escrito);
    EXPECT_EQ(IdaYVuelta(GetParam().Texto), true);
}

const std::string K = "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\K]\n";
// clang-format off
const Legible Legibles[] = {
    {"Vacio", "", "REGEDIT4\n"},
    // A byte-order mark, CRLF, a comment, blanks around '=', a continued hex line.
    {"Regedit4AMano", "\xEF\xBB\xBFREGEDIT4\r\n\r\n; a mano\r\n[hkey_classes_root\\.orv]\r\n"
     "@=\"Orv.T\"\r\n\"Cuenta\" = dword:10\r\n\"Datos\"=hex:01,\\\r\n  02\r\n",
     Clases + "@=\"Orv.T\"\n\"Cuenta\"=dword:00000010\n\"Datos\"=hex:01,02\n"},
    // Text data in hex is UTF-16 there (a pair of surrogates too), and becomes UTF-8.
    {"Version5EnUtf16", Utf16(u"Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\K]\r\n"
     u"\"ñ\"=\"ñ\"\r\n\"L\"=hex(7):61,00,00,00,f1,00,00,00,00,00\r\n"
     u"\"U\"=hex(1):41,00,3d,d8,00,de\r\n\"E\"=hex(2):25,00,00,00\r\n"),
     K + "\"ñ\"=\"ñ\"\n\"L\"=hex(7):61,00,c3,b1,00,00\n\"U\"=hex(1):41,f0,9f,98,80\n"
     "\"E\"=hex(2):25,00\n"},
    // A continuation that leads only to a blank line is nothing at all.
    {"ContinuacionEnBlanco", "REGEDIT4\n[HKEY_USERS\\K]\n\\\n\n", K},
    {"BorradosDeClavesYValores", "REGEDIT4\n[HKEY_USERS\\K\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
     "\"X\"=-\n[HKEY_USERS\\K\\C]\n[-HKEY_USERS\\k\\c]\n[-HKEY_USERS\\NoExiste]\n",
     K + "\n[HKEY_USERS\\K\\B]\n\"y\"=\"2\"\n"},
    {"SeccionRepetidaSeUneYUnValorRepetidoConservaSuSitio", "REGEDIT4\n[HKEY_USERS\\Ωk]\n"
     "\"a\"=\"1\"\n\"b\"=\"2\"\n[hkey_users\\ωK]\n\"A\"=dword:3\n\"c\"=\"4\"\n",
     "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\Ωk]\n\"a\"=dword:00000003\n\"b\"=\"2\"\n"
     "\"c\"=\"4\"\n"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, FormatoRegLegible, ::testing::ValuesIn(Legibles), PorNombre);

// A hive that must not load: read as an empty registry, every change refused
// (ERROR_BADDB; ERROR_REGISTRY_IO_FAILED for what is not a file), the hive
// and its folder left as they were.
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

enum Llamada { Abre, Crea, Borra };
struct Codigo : Fila {
    Llamada Que;
    std::int32_t Raiz;
    std::string Ruta;
    std::int32_t Esperado;
};
struct RegistroArchivoCodigo : ConBanco<::testing::TestWithParam<Codigo>> {};

// A key created is then opened, from the file, by a registry of its own.
TEST_P(RegistroArchivoCodigo, DaElDeWindows) {
    const auto& p = GetParam();
    auto& ops = b_.Ops;
    ManejadorClave k = 0;
    auto r = p.Que == Borra ? ops.BorrarClave(p.Raiz, p.Ruta)
             : p.Que == Abre
                 ? ops.AbrirClave(p.Raiz, p.Ruta, 0, KEY_QUERY_VALUE, k)
                 : ops.CrearClave(p.Raiz, p.Ruta, 0, KEY_DERECHOS_ESCRITURA, k, nullptr);
    if (r == 0 && p.Que == Crea)
        r = RegistroArchivo(b_.Hive()).AbrirClave(p.Raiz, p.Ruta, 0, KEY_QUERY_VALUE, k);
    EXPECT_EQ(r, p.Esperado);
}

const std::string N255(255, 'n');
// clang-format off
const Codigo Codigos[] = {
    {"BarraInicialAlCrear", Crea, HKLM, "\\SOFTWARE\\X", ERROR_BAD_PATHNAME},
    {"BarraDoble", Abre, HKLM, "SOFTWARE\\\\Classes", ERROR_BAD_PATHNAME},
    {"BarraFinal", Abre, HKLM, "SOFTWARE\\", 0},
    {"RaizCeroAlCrear", Crea, 0, "SOFTWARE\\X", ERROR_INVALID_HANDLE},
    {"BorrarClaveAusente", Borra, HKLM, "SOFTWARE\\No", ERROR_FILE_NOT_FOUND},
    // The predefined keys cannot be deleted, even when they hold nothing.
    {"BorrarLaRaizDeClases", Borra, HKCR, "", ERROR_ACCESS_DENIED},
    {"BorrarUnaRaizVacia", Borra, HKEY_CURRENT_CONFIG, "", ERROR_ACCESS_DENIED},
    {"NombreDe255", Crea, HKLM, "SOFTWARE\\" + N255, 0},
    {"NombreDe256", Crea, HKLM, "SOFTWARE\\" + N255 + "n", ERROR_INVALID_PARAMETER},
    {"Profundidad512", Crea, HKLM, Niveles(512), 0},
    {"Profundidad513", Crea, HKLM, Niveles(513), ERROR_BAD_PATHNAME},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, RegistroArchivoCodigo, ::testing::ValuesIn(Codigos), PorNombre);

const std::uint8_t Dato = 1;

TEST_F(ArchivoReg, LoQuePermiteUnManejador) {
    auto& ops = b_.Ops;
    ManejadorClave k = 0, k2 = 0;
    b_.En("SOFTWARE\\A\\B").CrearClave();
    EXPECT_EQ(ops.AbrirClave(HKLM, "SOFTWARE\\A", 0, KEY_QUERY_VALUE, k), 0);
    EXPECT_EQ(ops.PonerValor(k, "v", REG_BINARY, &Dato, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.CrearClave(k, "C", 0, KEY_DERECHOS_ESCRITURA, k2, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.CerrarClave(k), 0);
    std::uint32_t tamano = 0;
    EXPECT_EQ(ops.ConsultarValor(k, "", nullptr, nullptr, &tamano), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops.CerrarClave(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops.CerrarClave(HKLM), 0) << "a root";
    EXPECT_EQ(ops.CrearClave(HKLM, "SOFTWARE\\Efimera", 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0);
    EXPECT_EQ(ops.BorrarValor(k, "no"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops.BorrarClave(HKLM, "SOFTWARE\\Efimera"), 0);
    EXPECT_EQ(ops.PonerValor(k, "v", REG_BINARY, &Dato, 1), ERROR_KEY_DELETED);
}

// Subkeys in Windows' order of upper-cased names ('_' after the letters),
// values in creation order; a value written again keeps its place.
TEST_F(ArchivoReg, SubclavesEnOrdenDeNombreValoresEnOrdenDeCreacion) {
    for (const auto* nombre : {"b", "_x", "A", "C", "ñu", "Zeta"})
        b_.En("SOFTWARE\\O\\"s + nombre).CrearClave();
    EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE\\O"), (V{"A", "b", "C", "Zeta", "_x", "ñu"}));
    auto& ops = b_.Ops;
    ManejadorClave k = 0;
    EXPECT_EQ(ops.CrearClave(HKLM, "SOFTWARE\\O", 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0);
    for (const auto* valor : {"z", "a", "nombre largo", "", "Z"})
        EXPECT_EQ(ops.PonerValor(k, valor, REG_BINARY, &Dato, 1), 0);
    EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE\\O", true), (V{"z", "a", "nombre largo", ""}));
    EXPECT_EQ(ops.BorrarValor(k, "A"), 0);
    EXPECT_EQ(ops.PonerValor(k, "a", REG_BINARY, &Dato, 1), 0);
    EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE\\O", true), (V{"z", "nombre largo", "", "a"}));
    char nombre[10];
    std::uint32_t tamano = sizeof nombre;
    EXPECT_EQ(ops.EnumerarValor(k, 4, nombre, &tamano), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(ops.EnumerarClave(k, 6, nombre, sizeof nombre), ERROR_NO_MORE_ITEMS);
}

// clsReg asks for the size first and then expands into exactly that much.
TEST_F(ArchivoReg, ExpansionDaElTamanoConSuCeroYNoTocaUnBufferCorto) {
    ::setenv("VESMADUR_PRUEBA_X", "abc", 1);
    EXPECT_EQ(b_.Ops.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", nullptr, 0), 5u);
    char corto[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(b_.Ops.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", corto, 4), 5u);
    EXPECT_EQ(std::string(corto, 4), "xxxx");
}

TEST(RegistroArchivoRuta, VariableDeEntornoOLaRutaDeLaMaquina) {
    ::setenv("VESMADUR_REGISTRO", "/tmp/otro.reg", 1);
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/tmp/otro.reg");
    ::setenv("VESMADUR_REGISTRO", "", 1);
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/etc/vesmadur/registro.reg");
}

} // namespace
} // namespace vesmadur
