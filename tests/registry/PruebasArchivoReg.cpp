// The hive file itself: what is written, what is read, two writers at once,
// and a file that cannot be parsed.
#include "ColmenaTemporal.h"

#include <bit>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesmadur {
namespace {

using namespace prueba;
using V = std::vector<std::string>;
constexpr auto HKLM = HKEY_LOCAL_MACHINE;

// The folder's files: the hive and its lock, and no temporary file left.
V Archivos(const std::filesystem::path& carpeta) {
    V nombres;
    for (const auto& e : std::filesystem::directory_iterator(carpeta))
        nombres.push_back(e.path().filename().string());
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}
const V SoloLaColmena{"registro.reg", "registro.reg.lock"};

struct ValorCrudo {
    std::string Nombre;
    std::uint32_t Tipo;
    Bytes Datos;
};
const ValorCrudo TodosLosTipos[] = {
    {"Texto", REG_SZ, B("dice \"hola\" en C:\\Orvanto\\ y ñ\0"s)},
    {"SinCero", REG_SZ, B("ab")},
    {"DosCeros", REG_SZ, B("ab\0\0"s)},
    {"ConSalto", REG_SZ, B("linea 1\r\nlinea 2\0"s)},
    {"Vacio", REG_SZ, {}},
    {"Expandible", REG_EXPAND_SZ, B("%TEMP%\\x\0"s)},
    {"Binario", REG_BINARY, B({0, 1, 0xFF})},
    {"Largo", REG_BINARY, Bytes(200, 0xAB)},
    {"Numero", REG_DWORD, B({0x2A, 0, 0, 0x80})},
    {"DwordCorto", REG_DWORD, B({1, 2})},
    {"GranIndio", REG_DWORD_BIG_ENDIAN, B({0, 0, 0, 1})},
    {"Vinculo", REG_LINK, B({0x5C, 0})},
    {"Lista", REG_MULTI_SZ, B("a\0b\0\0"s)},
    {"Ninguno", REG_NONE, {}},
    {"Qword", REG_QWORD, B({1, 2, 3, 4, 5, 6, 7, 8})},
    {"Desconocido", 0xFFFFFFF0u, B({0xDE, 0xAD})},
    {"", REG_SZ, B("por defecto\0"s)},
    {"nombre \"con\" \\ raros = [x]", REG_SZ, B("\0"s)},
};

TEST(ArchivoReg, TodosLosTiposSobrevivenGuardarYReleer) {
    CarpetaTemporal carpeta;
    {
        RegistroArchivo ops(carpeta.Hive());
        for (const auto& v : TodosLosTipos)
            PonerCrudo(ops, HKLM, "SOFTWARE\\Tipos", v.Nombre, v.Tipo, v.Datos);
    }
    RegistroArchivo releido(carpeta.Hive());
    for (const auto& v : TodosLosTipos) {
        const auto c = LeerCrudo(releido, HKLM, "SOFTWARE\\Tipos", v.Nombre);
        EXPECT_EQ(c.Resultado, 0) << v.Nombre;
        EXPECT_EQ(c.Tipo, v.Tipo) << v.Nombre;
        EXPECT_EQ(c.Datos, v.Datos) << v.Nombre;
    }
    EXPECT_EQ(Archivos(carpeta.Ruta()), SoloLaColmena);
}

TEST(ArchivoReg, EscribeRegedit4Legible) {
    CarpetaTemporal carpeta;
    RegistroArchivo ops(carpeta.Hive());
    PonerCrudo(ops, HKLM, "SOFTWARE\\Vesmadur", "Ruta", REG_SZ, B("C:\\Orvanto\\\0"s));
    PonerCrudo(ops, HKLM, "SOFTWARE\\Vesmadur", "Cuenta", REG_DWORD, B({0x2A, 0, 0, 0}));
    PonerCrudo(ops, HKLM, "SOFTWARE\\Vesmadur", "SinCero", REG_SZ, B("ab"));
    PonerCrudo(ops, HKEY_CLASSES_ROOT, ".orv", "", REG_SZ, B("Orv.T\0"s));
    EXPECT_EQ(LeerBytes(carpeta.Hive()), "REGEDIT4\n"
                                         "\n[HKEY_LOCAL_MACHINE]\n"
                                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
                                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n"
                                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]\n"
                                         "@=\"Orv.T\"\n"
                                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vesmadur]\n"
                                         "\"Ruta\"=\"C:\\\\Orvanto\\\\\"\n"
                                         "\"Cuenta\"=dword:0000002a\n"
                                         "\"SinCero\"=hex(1):61,62\n");
}

TEST(ArchivoReg, UnEnlaceAlArchivoSigueSiendoEnlaceYElArchivoConservaSusPermisos) {
    CarpetaTemporal carpeta;
    std::filesystem::create_directory(carpeta.Ruta() / "real");
    const auto real = carpeta.Ruta() / "real" / "maquina.reg";
    EscribirBytes(real, "REGEDIT4\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, carpeta.Hive());
    RegistroArchivo ops(carpeta.Hive());
    PonerCrudo(ops, HKLM, "SOFTWARE\\E", "v", REG_SZ, B("1\0"s));
    EXPECT_TRUE(std::filesystem::is_symlink(carpeta.Hive()));
    EXPECT_EQ(LeerCrudo(ops, HKLM, "SOFTWARE\\E", "v").Datos, B("1\0"s));
    EXPECT_NE(LeerBytes(real).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\E]"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Reads values of one key of a hive written by hand.
class ArchivoRegAMano : public ::testing::Test {
protected:
    Variante Valor(const std::string& nombre) {
        reg_.ValorClave(nombre);
        return reg_.Valor();
    }
    CarpetaTemporal carpeta_;
    RegistroArchivo ops_{carpeta_.Hive()};
    clsReg reg_ = Apuntado(ops_, HKLM, "");
};

TEST_F(ArchivoRegAMano, Regedit4ConCrLfComentariosYContinuacionesSinDistinguirMayusculas) {
    EscribirBytes(carpeta_.Hive(),
                  "REGEDIT4\r\n\r\n; escrito a mano\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                  "Paths\\orvantoo.exe]\r\n"
                  "@=\"C:\\\\Orvanto\\\\orvantoo.exe\"\r\n"
                  "\"Path\"=\"C:\\\\Orvanto\\\\\"\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto\\Configuración]\r\n"
                  "\"Señal\"=\"sí\"\r\n"
                  "\"Cuenta\" = dword:10\r\n"
                  "\"Datos\"=hex:01,02,\\\r\n"
                  "    03,04\r\n"
                  "\"Ruta\"=hex(2):25,56,45,53,4d,41,44,55,52,5f,50,52,55,45,42,41,5f,52,25,00\r\n"
                  "\"Lista\"=hex(7):61,00,62,00,00\r\n"
                  "[hkey_classes_root\\.orv]\r\n"
                  "@=\"Orv.T\"\r\n");
    ::setenv("VESMADUR_PRUEBA_R", "/srv/orvanto", 1);
    // The lookup installation detection makes.
    reg_.SeccionClave("software\\microsoft\\windows\\CurrentVersion\\app paths\\orvantoo.exe");
    reg_.ValorClave("path");
    ASSERT_TRUE(reg_.HayValor());
    EXPECT_EQ(reg_.Valor(), Variante("C:\\Orvanto\\"));
    reg_.SeccionClave("software\\microsoft\\windows\\CurrentVersion\\app paths\\orvantod.exe");
    EXPECT_FALSE(reg_.HayValor());
    EXPECT_EQ(reg_.Valor().ComoTexto(), "");

    reg_.SeccionClave("software\\orvanto\\CONFIGURACIÓN");
    EXPECT_EQ(Valor("SEÑAL"), Variante("sí"));
    EXPECT_EQ(Valor("cuenta"), Variante(std::int32_t{16}));
    EXPECT_EQ(Valor("Datos"), Variante(B({1, 2, 3, 4})));
    EXPECT_EQ(Valor("Ruta"), Variante("/srv/orvanto"));
    EXPECT_EQ(Valor("Lista"), Variante("a\0b"s));
    reg_.SeccionClave("SOFTWARE\\Classes\\.ORV");
    EXPECT_EQ(Valor(""), Variante("Orv.T"));
}

// UTF-16LE with its byte-order mark, as regedit exports.
std::string Utf16(std::u16string_view texto) {
    static_assert(std::endian::native == std::endian::little);
    return "\xFF\xFE"s + std::string(reinterpret_cast<const char*>(texto.data()), texto.size() * 2);
}

TEST_F(ArchivoRegAMano, Version5EnUtf16ConvierteLosTextosHexYSeReescribeComoRegedit4) {
    EscribirBytes(
        carpeta_.Hive(),
        Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
              u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Configuración]\r\n"
              u"\"Señal\"=\"añejo\"\r\n"
              u"\"Ruta\"=hex(2):25,00,56,00,45,00,53,00,4d,00,41,00,44,00,55,00,52,00,\\\r\n"
              u"  5f,00,50,00,52,00,55,00,45,00,42,00,41,00,5f,00,35,00,25,00,5c,00,\\\r\n"
              u"  f1,00,00,00\r\n"
              u"\"Lista\"=hex(7):61,00,00,00,f1,00,00,00,00,00\r\n"
              u"\"SinCero\"=hex(1):41,00,42,00\r\n"
              u"\"Cuenta\"=dword:00000010\r\n"
              u"\"Bytes\"=hex:f1,00\r\n"));
    ::setenv("VESMADUR_PRUEBA_5", "cinco", 1);
    reg_.SeccionClave("SOFTWARE\\CONFIGURACIÓN");
    EXPECT_EQ(Valor("señal"), Variante("añejo"));
    EXPECT_EQ(Valor("Ruta"), Variante("cinco\\ñ"));
    EXPECT_EQ(Valor("Lista"), Variante("a\0ñ"s));
    EXPECT_EQ(LeerCrudo(ops_, HKLM, "SOFTWARE\\Configuración", "SinCero").Datos, B("AB"));
    EXPECT_EQ(Valor("Cuenta"), Variante(std::int32_t{16}));
    EXPECT_EQ(Valor("Bytes"), Variante(B({0xF1, 0})));

    reg_.ValorClave("Nuevo");
    reg_.TipoValor(REG_SZ);
    reg_.Valor("sí");
    const auto texto = LeerBytes(carpeta_.Hive());
    EXPECT_TRUE(texto.starts_with("REGEDIT4\n")) << texto;
    EXPECT_NE(texto.find("\"Señal\"=\"añejo\"\n"), std::string::npos) << texto;
    RegistroArchivo releido(carpeta_.Hive());
    EXPECT_EQ(LeerCrudo(releido, HKLM, "SOFTWARE\\Configuración", "Lista").Datos, B("a\0ñ\0\0"s));
}

TEST(ArchivoReg, DosObjetosSobreElMismoArchivoSeVenLosCambios) {
    CarpetaTemporal carpeta;
    RegistroArchivo uno(carpeta.Hive()), otro(carpeta.Hive());
    EXPECT_EQ(LeerCrudo(otro, HKLM, "SOFTWARE\\C", "v").Resultado, ERROR_FILE_NOT_FOUND);
    PonerCrudo(uno, HKLM, "SOFTWARE\\C", "v", REG_SZ, B("1\0"s));
    EXPECT_EQ(LeerCrudo(otro, HKLM, "SOFTWARE\\C", "v").Datos, B("1\0"s));
    PonerCrudo(otro, HKLM, "SOFTWARE\\C", "w", REG_SZ, B("2\0"s));
    EXPECT_EQ(LeerCrudo(uno, HKLM, "SOFTWARE\\C", "v").Datos, B("1\0"s));
    EXPECT_EQ(LeerCrudo(uno, HKLM, "SOFTWARE\\C", "w").Datos, B("2\0"s));
}

TEST(ArchivoReg, DosProcesosEscribiendoALaVezConservanAmbos) {
    CarpetaTemporal carpeta;
    constexpr int Cuantos = 40;
    const auto escribir = [&](const std::string& quien) {
        RegistroArchivo ops(carpeta.Hive());
        auto reg = Apuntado(ops, HKLM, "SOFTWARE\\Carrera");
        reg.TipoValor(REG_SZ);
        for (int i = 0; i < Cuantos; ++i) {
            reg.ValorClave(quien + std::to_string(i));
            reg.Valor(quien + " " + std::to_string(i));
        }
    };
    const pid_t hijo = ::fork(); // both write at once
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
        try {
            escribir("hijo");
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    escribir("padre");
    int estado = 0;
    ASSERT_EQ(::waitpid(hijo, &estado, 0), hijo);
    ASSERT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);

    RegistroArchivo ops(carpeta.Hive());
    auto reg = Apuntado(ops, HKLM, "SOFTWARE\\Carrera");
    V nombres;
    std::int32_t cuenta = 0;
    reg.EnumerarValores(nombres, cuenta);
    EXPECT_EQ(cuenta, 2 * Cuantos);
    for (const std::string quien : {"padre", "hijo"})
        for (int i = 0; i < Cuantos; ++i) {
            reg.ValorClave(quien + std::to_string(i));
            EXPECT_EQ(reg.Valor(), Variante(quien + " " + std::to_string(i)));
        }
}

// A hive that must not load: read as an empty registry, every change refused
// with `Codigo`, the file and its folder left as they were.
struct Ilegible {
    const char* Nombre;
    std::string Contenido; // the hive's bytes, unless Hacer makes it
    std::int32_t Codigo = ERROR_BADDB;
    // Makes something other than a file at the hive's path; gives the path.
    std::function<std::filesystem::path(const CarpetaTemporal&)> Hacer = nullptr;
    friend void PrintTo(const Ilegible& i, std::ostream* os) { *os << i.Nombre; }
};

class ArchivoRegIlegible : public ::testing::TestWithParam<Ilegible> {};

TEST_P(ArchivoRegIlegible, LeeVacioNiegaLasEscriturasYNoLoToca) {
    CarpetaTemporal carpeta;
    const auto& p = GetParam();
    const auto hive = p.Hacer ? p.Hacer(carpeta) : carpeta.Hive();
    if (!p.Hacer)
        EscribirBytes(hive, p.Contenido);
    const auto antes = Archivos(carpeta.Ruta());
    const auto tipo = std::filesystem::symlink_status(hive).type();
    RegistroArchivo ops(hive);
    auto reg = Apuntado(ops, HKLM, "SOFTWARE\\Orvanto", "Ruta");
    EXPECT_FALSE(reg.HaySeccionClave());
    EXPECT_FALSE(reg.HayValor());

    reg.TipoValor(REG_SZ);
    EXPECT_EQ(Capturar([&] { reg.Valor("D:\\otra"); }).Numero, 26001);
    EXPECT_EQ(Capturar([&] { reg.CrearClave(); }).Numero, 26001);
    reg.SeccionClave("SOFTWARE\\Classes");
    EXPECT_EQ(Capturar([&] { reg.Valor("x"); }).Numero, ErrPonerValor);
    Capturar([&] { reg.CreateEXEAssociation("x", "Orv.T", "T", "orv"); });
    const std::uint8_t dato = 1;
    EXPECT_EQ(ops.PonerValor(HKLM, "v", REG_BINARY, &dato, 1), p.Codigo);

    EXPECT_EQ(std::filesystem::symlink_status(hive).type(), tipo);
    if (!p.Hacer) {
        EXPECT_EQ(LeerBytes(hive), p.Contenido);
    }
    std::filesystem::remove(carpeta.Ruta() / "registro.reg.lock");
    EXPECT_EQ(Archivos(carpeta.Ruta()), antes) << "no file left beside it";
}

std::filesystem::path Fifo(const CarpetaTemporal& c) {
    EXPECT_EQ(::mkfifo(c.Hive().c_str(), 0600), 0);
    return c.Hive();
}
std::filesystem::path Carpeta(const CarpetaTemporal& c) {
    std::filesystem::create_directory(c.Hive());
    return c.Hive();
}
std::filesystem::path TrasUnArchivo(const CarpetaTemporal& c) {
    EscribirBytes(c.Ruta() / "archivo", "REGEDIT4\n");
    return c.Ruta() / "archivo" / "registro.reg";
}

const Ilegible Ilegibles[] = {
    {"LineaAjena",
     "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n\"Ruta\"=\"C:\\\\Orvanto\"\n"
     "esto no es una linea del formato\n"},
    {"SinCabecera", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n\"Ruta\"=\"C:\\\\Orvanto\"\n"},
    {"EscapeInvalido",
     "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n\"Ruta\"=\"C:\\Orvanto\"\n"},
    {"RaizDesconocida", "REGEDIT4\n[HKEY_PROPIA\\SOFTWARE\\Orvanto]\n"},
    {"DwordDeMasDe32Bits",
     "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n\"Cuenta\"=dword:100000000\n"},
    {"HexInvalido", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanto]\n\"Datos\"=hex:1,2,zz\n"},
    {"Utf16Truncado", "\xFF\xFE\x52\x00\x45"s},
    {"Fifo", "", ERROR_REGISTRY_IO_FAILED, Fifo},
    {"Carpeta", "", ERROR_REGISTRY_IO_FAILED, Carpeta},
    {"RutaATravesDeUnArchivo", "", ERROR_REGISTRY_IO_FAILED, TrasUnArchivo},
};
INSTANTIATE_TEST_SUITE_P(Casos, ArchivoRegIlegible, ::testing::ValuesIn(Ilegibles),
                         [](const auto& i) { return std::string(i.param.Nombre); });

} // namespace
} // namespace vesmadur
