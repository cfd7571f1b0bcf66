// The registry over a hive file: clsReg reading, writing, raising, listing
// and registering file types; the .reg text; the codes of the Win32 calls.
#include "ayudas/Archivos.h"
#include "ayudas/Proceso.h"
#include "registry/ConstantesRegistro.h"
#include "registry/FormatoReg.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace vesmadur {

void PrintTo(const Variante& v, std::ostream* os) {
    *os << "kind " << v.Valor().index() << " " << ::testing::PrintToString(v.ComoTexto());
}

namespace {

using namespace prueba;
using namespace std::string_literals;
using V = std::vector<std::string>;
using Guardado = std::pair<std::uint32_t, std::string>; // a value's type and bytes
constexpr auto HKLM = HKEY_LOCAL_MACHINE;
constexpr auto HKCR = HKEY_CLASSES_ROOT;

struct Fila {
    const char* Nombre;
    friend std::ostream& operator<<(std::ostream& os, const Fila& f) { return os << f.Nombre; }
};
constexpr auto PorNombre = [](const auto& i) { return std::string(i.param.Nombre); };

// A key path `n` levels deep: "a\a\...".
std::string Niveles(int n) {
    return n > 1 ? Niveles(n - 1) + "\\a" : "a";
}

// Passes every call on to a real registry and keeps the keys open. A test may make
// PonerValor fail, or run something once before a value or an expansion is copied.
class RegistroContado final : public OperacionesRegistro {
public:
    explicit RegistroContado(OperacionesRegistro& real) : o_(real) {}
    std::set<ManejadorClave> Abiertas;
    int Aperturas = 0;
    std::int32_t FalloPonerValor = 0; // returned instead of storing
    std::function<void()> AntesDeLeer, AntesDeExpandir;
    // clang-format off
    using R = std::int32_t; using M = ManejadorClave;
    using U = std::uint32_t; using S = const std::string&;
    R AbrirClave(M r, S s, U o, U a, M& k) override {
        return Anota(o_.AbrirClave(r, s, o, a, k), k); }
    R CrearClave(M r, S s, U o, U a, M& k, U* d) override {
        return Anota(o_.CrearClave(r, s, o, a, k, d), k); }
    R CerrarClave(M k) override { return Abiertas.erase(k), o_.CerrarClave(k); }
    R ConsultarValor(M k, S n, U* t, std::uint8_t* d, U* s) override {
        return o_.ConsultarValor(k, n, t, Antes(d, AntesDeLeer), s); }
    R PonerValor(M k, S n, U t, const std::uint8_t* d, U s) override {
        return FalloPonerValor ? FalloPonerValor : o_.PonerValor(k, n, t, d, s); }
    R BorrarClave(M r, S s) override { return o_.BorrarClave(r, s); }
    R BorrarValor(M k, S n) override { return o_.BorrarValor(k, n); }
    R EnumerarClave(M k, U i, char* n, U c) override { return o_.EnumerarClave(k, i, n, c); }
    R EnumerarValor(M k, U i, char* n, U* s) override { return o_.EnumerarValor(k, i, n, s); }
    R ConsultarInfoClave(M k, U* a, U* b, U* c, U* d, U* e) override {
        return o_.ConsultarInfoClave(k, a, b, c, d, e); }
    U ExpandirEntorno(S s, char* d, U c) override {
        return o_.ExpandirEntorno(s, Antes(d, AntesDeExpandir), c); }
    // clang-format on

private:
    template <class T> static T* Antes(T* buffer, std::function<void()>& gancho) {
        if (buffer && gancho)
            std::exchange(gancho, nullptr)();
        return buffer;
    }
    R Anota(R resultado, const M& k) { // `k` is read after the call fills it
        if (resultado == 0)
            Abiertas.insert(k), ++Aperturas;
        return resultado;
    }
    OperacionesRegistro& o_;
};

// clsReg over a hive in a fresh folder, failing the test when a key stays open.
// Poner and Leer use a registry of their own: values go through the file.
struct Banco {
    CarpetaTemporal Carpeta;
    RegistroArchivo Ops{Hive()};
    RegistroContado Contado{Ops};
    clsReg Reg{Contado};

    ~Banco() { EXPECT_TRUE(Contado.Abiertas.empty()) << "a key stayed open"; }
    std::string Hive() const { return Carpeta / "registro.reg"; }
    // Stores a value with exactly these bytes under HKEY_LOCAL_MACHINE.
    void Poner(const std::string& seccion, const std::string& nombre, std::uint32_t tipo,
               const std::string& datos) {
        RegistroArchivo otro(Hive());
        ManejadorClave k = 0;
        const auto* b = reinterpret_cast<const std::uint8_t*>(datos.data());
        ASSERT_EQ(otro.CrearClave(HKLM, seccion, 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0);
        EXPECT_EQ(otro.PonerValor(k, nombre, tipo, b, std::uint32_t(datos.size())), 0);
    }
    // {0, ""} when the value cannot be read.
    Guardado Leer(std::int32_t raiz, const std::string& seccion, const std::string& nombre = "") {
        RegistroArchivo otro(Hive());
        ManejadorClave k = 0;
        std::uint32_t tipo = 0, tamano = 4096;
        Bytes datos(tamano);
        if (otro.AbrirClave(raiz, seccion, 0, KEY_QUERY_VALUE, k) ||
            otro.ConsultarValor(k, nombre, &tipo, datos.data(), &tamano))
            return {};
        return {tipo, std::string(datos.begin(), datos.begin() + tamano)};
    }
    clsReg& En(const std::string& seccion, const std::string& valor = "", std::int32_t r = HKLM) {
        return Reg.ClaseClave(r), Reg.SeccionClave(seccion), Reg.ValorClave(valor), Reg;
    }
    // The subkey names of a key (with `valores`, its value names), as clsReg
    // lists them: into a list it empties first, with their count.
    V Listar(std::int32_t raiz, const std::string& seccion, bool valores = false) {
        V nombres{"viejo"};
        std::int32_t cuenta = 7;
        auto& reg = En(seccion, "", raiz);
        valores ? reg.EnumerarValores(nombres, cuenta) : reg.EnumerarSecciones(nombres, cuenta);
        EXPECT_EQ(cuenta, std::int32_t(nombres.size()));
        return nombres;
    }
};

template <class Base = ::testing::Test> struct ConBanco : Base { Banco b_; };
using ClsReg = ConBanco<>;
using ArchivoReg = ConBanco<>;

constexpr const char* Seccion = "SOFTWARE\\Vesmadur\\Lectura";
// Every value is stored under a name the .reg format must escape.
const std::string Nombre = "nombre \"con\" \\ raros = [x]";
constexpr auto Exp = REG_EXPAND_SZ;

struct Lectura : Fila {
    std::uint32_t Tipo;
    std::string Datos;
    Variante Esperado;                                 // "nada" is Defecto
    std::function<void(Banco&)> Antes = [](Banco&) {}; // points clsReg elsewhere, or arms a change
};
struct ClsRegValor : ConBanco<::testing::TestWithParam<Lectura>> {};

// TipoValor becomes the type the value has when it is read, and stays as it
// was when nothing is read. With a Defecto, any name but "" has a value.
TEST_P(ClsRegValor, LeeSegunElTipoQueTieneAlLeerloYLoAnota) {
    const auto& p = GetParam();
    ::setenv("VESMADUR_DIR", "/orv", 1);
    b_.Poner(Seccion, Nombre, p.Tipo, p.Datos);
    b_.En(Seccion, Nombre).Defecto("nada");
    b_.Reg.TipoValor(-1);
    p.Antes(b_);
    EXPECT_EQ(b_.Reg.Valor(), p.Esperado);
    const bool leido = !(p.Esperado == Variante("nada"));
    EXPECT_EQ(b_.Reg.TipoValor(), leido ? std::int32_t(b_.Leer(HKLM, Seccion, Nombre).first) : -1);
    EXPECT_EQ(b_.Reg.HayValor(), !b_.Reg.ValorClave().empty());
}

// clang-format off
const Lectura Lecturas[] = {
    {"TextoConComillasSaltoYEnie", REG_SZ, "\"a\"\r\nb ñ\0"s, "\"a\"\r\nb ñ"},
    {"ListaUnidaPorCeros", REG_MULTI_SZ, "a\0b\0\0"s, "a\0b"s},
    {"TextoSinCeroPierdeSuUltimoByte", REG_SZ, "abc", "ab"},
    {"TextoSinBytes", REG_SZ, "", ""},
    {"DwordGranIndio", REG_DWORD_BIG_ENDIAN, "\1\0\0\0"s, 16777216},
    {"DwordCorto", REG_DWORD, "\7\1", 263},
    {"DwordLargoNoCabeYEsCero", REG_DWORD, "\1\0\0\0\11\11\11\11"s, 0},
    {"ExpandibleReemplazaVariables", Exp, "%VESMADUR_DIR%\\config\0"s, "/orv\\config"},
    {"ExpandibleSinDistinguirMayusculas", Exp, "%vesmadur_dir%\0"s, "/orv"},
    {"ExpandibleTrasUnPorCientoSuelto", Exp, "%VESMADUR_X%VESMADUR_DIR%\0"s, "%VESMADUR_X/orv"},
    {"TipoDesconocido", 0x12345678, "\11\10", Bytes{9, 8}},
    // Defecto when there is nothing to read; the unnamed value never counts.
    {"ValorAusente", REG_SZ, "", "nada", [](Banco& b) { b.Reg.ValorClave("otro"); }},
    {"ClaveAusente", REG_SZ, "", "nada", [](Banco& b) { b.Reg.SeccionClave("SOFTWARE\\No"); }},
    {"SinNombre", REG_SZ, "", "x",
     [](Banco& b) { b.Poner(Seccion, "", REG_SZ, "x\0"s); b.Reg.ValorClave(""); }},
    // Read as it is at the read, or Defecto; never a buffer left unfilled.
    {"TextoQueCreceAlLeerlo", REG_SZ, "ab\0"s, "abcdef", [](Banco& b) {
        b.Contado.AntesDeLeer = [&b] { b.Poner(Seccion, Nombre, REG_SZ, "abcdef\0"s); }; }},
    {"BinarioQueEncogeAlLeerlo", REG_BINARY, "\1\2\3\4", Bytes{9}, [](Banco& b) {
        b.Contado.AntesDeLeer = [&b] { b.Poner(Seccion, Nombre, REG_BINARY, "\11"); }; }},
    {"MismosBytesPasanAExpandibleAlLeerlos", REG_SZ, "%VESMADUR_DIR%\0"s, "/orv", [](Banco& b) {
        b.Contado.AntesDeLeer = [&b] { b.Poner(Seccion, Nombre, Exp, "%VESMADUR_DIR%\0"s); }; }},
    {"TextoDeClaveBorradaAlLeerlo", REG_SZ, "abc\0"s, "nada",
     [](Banco& b) { b.Contado.AntesDeLeer = [&b] { b.Ops.BorrarClave(HKLM, Seccion); }; }},
    {"VariableQueCreceAlExpandir", Exp, "%VESMADUR_DIR%!\0"s, "/orv/mas/largo!", [](Banco& b) {
        b.Contado.AntesDeExpandir = [] { ::setenv("VESMADUR_DIR", "/orv/mas/largo", 1); }; }},
    {"VariableQueEncogeAlExpandir", Exp, "%VESMADUR_DIR%!\0"s, "/x!", [](Banco& b) {
        b.Contado.AntesDeExpandir = [] { ::setenv("VESMADUR_DIR", "/x", 1); }; }},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegValor, ::testing::ValuesIn(Lecturas), PorNombre);

// Names compare case-insensitively (Unicode letters too) and keep their case.
TEST_F(ClsReg, CrearYBorrarSinDistinguirMayusculas) {
    EXPECT_FALSE(b_.En("SOFTWARE\\Configuración\\B").HaySeccionClave());
    EXPECT_TRUE(b_.Reg.CrearClave());
    b_.Poner("SOFTWARE\\Configuración", "si", REG_SZ, "1\0"s);
    std::uint32_t disposicion = 0;
    ManejadorClave k = 0;
    EXPECT_EQ(b_.Ops.CrearClave(HKLM, "software\\CONFIGURACIÓN\\b", 0, 0, k, &disposicion), 0);
    EXPECT_EQ(disposicion, 2u) << "it existed";
    EXPECT_EQ(b_.Listar(HKLM, "software\\configuración"), V{"B"});
    EXPECT_TRUE(b_.En("SOFTWARE\\CONFIGURACIÓN", "SI").BorrarValor());
    EXPECT_EQ(b_.Leer(HKLM, "SOFTWARE\\Configuración", "si"), Guardado{});
    for (const auto* seccion : {"SOFTWARE\\configuración\\b", "SOFTWARE\\Configuración"}) {
        EXPECT_TRUE(b_.En(seccion).BorrarClave());
        EXPECT_FALSE(b_.Reg.HaySeccionClave());
    }
}

const std::string Clave = "'-2147483646',Section: 'SOFTWARE";
const std::string Borrar = "26001 clsRegistro.BorrarValor: Fallo al ";
const std::string NoSePuso = "-2147194455 clsReg.Valor: Fallo al poner el valor de registro de la "
                             "clave: '-2147483646',Section: 'SOFTWARE\\W',Key: 'v' to value: ";
struct Escritura : Fila {
    std::int32_t Pedido;
    Variante Valor;
    Guardado Esperado;
    std::string Error = "";                            // "number origin: description"
    std::function<void(Banco&)> Antes = [](Banco&) {}; // a change, or another call that raises
};
struct ClsRegGuarda : ConBanco<::testing::TestWithParam<Escritura>> {};

TEST_P(ClsRegGuarda, ElTipoYLosBytesQueTocanOElError) {
    const auto& p = GetParam();
    std::string error;
    try {
        b_.En("SOFTWARE\\W", "v").TipoValor(p.Pedido);
        p.Antes(b_);
        b_.Reg.Valor(p.Valor);
    } catch (const ErrorRegistro& e) {
        error = std::to_string(e.Numero) + " " + e.Origen + ": " + e.Descripcion;
    }
    EXPECT_EQ(error, p.Error);
    EXPECT_EQ(b_.Leer(HKLM, "SOFTWARE\\W", "v"), p.Esperado);
}

// A text's stored type follows its content: a '%' with another at least two
// places on makes REG_EXPAND_SZ, whichever of the two was asked for.
// clang-format off
const Escritura Escrituras[] = {
    {"OchoCaracteresYSuCero", REG_SZ, "C:\\Datos", {REG_SZ, "C:\\Datos\0"s}},
    {"ReferenciaCorta", REG_SZ, "%a%", {Exp, "%a%\0"s}},
    {"PorCientosJuntos", REG_SZ, "100%%", {REG_SZ, "100%%\0"s}},
    {"ExpandibleSinReferencia", Exp, "sin referencias", {REG_SZ, "sin referencias\0"s}},
    {"NumeroComoTexto", REG_SZ, -42, {REG_SZ, "-42\0"s}},
    {"BytesComoTexto", REG_SZ, Bytes{'a', 'b'}, {REG_SZ, "ab\0"s}},
    {"EnteroCortoEsDword", REG_DWORD_BIG_ENDIAN, std::int16_t{5}, {REG_DWORD, "\5\0\0\0"s}},
    {"Binario", REG_BINARY, Bytes{1, 2, 3}, {REG_BINARY, "\1\2\3"}},
    {"TipoQueNoSeEscribe", REG_MULTI_SZ, "x", {}, NoSePuso + "'x'"},
    {"DwordDe64Bits", REG_DWORD, std::int64_t{5}, {}, NoSePuso + "'5'"},
    {"BinarioDeTexto", REG_BINARY, "abc", {}, "26001 : "s + DescripcionGenerica},
    // One row for each other place that raises.
    {"CrearClaveSinRaiz", 0, {}, {},
     "26001 clsReg.CrearClave: Fallo al crear la clave de registro: 'SOFTWARE\\X'",
     [](Banco& b) { b.En("SOFTWARE\\X", "", 0).CrearClave(); }},
    {"BorrarClaveConSubclaves", 0, {}, {},
     "26001 clsReg.BorrarClave: Fallo al borrar la clave de registro: " + Clave + "\\A",
     [](Banco& b) { b.En("SOFTWARE\\A\\B").CrearClave(); b.En("SOFTWARE\\A").BorrarClave(); }},
    {"BorrarValorDeClaveAusente", 0, {}, {}, Borrar + "abrir la clave " + Clave +
     "\\No' para acceso de borrado.", [](Banco& b) { b.En("SOFTWARE\\No", "v").BorrarValor(); }},
    {"BorrarValorAusente", 0, {}, {}, Borrar + "borrar la clave de registro: " + Clave +
     "',Key: 'no'", [](Banco& b) { b.En("SOFTWARE", "no").BorrarValor(); }},
    {"ValorSinRaiz", REG_SZ, "abc", {}, "26001 clsReg.Valor: Fallo al poner el valor de registro: "
     "'0',Section: 'SOFTWARE\\W',Key: 'v' al valor: 'abc'", [](Banco& b) { b.Reg.ClaseClave(0); }},
    {"AsociacionesAdicionalesSinTriples", 0, {}, {}, "-2147194452 pruebas_registry.clsReg: "
     "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/"
     "Command", [](Banco& b) { b.Reg.CreateAdditionalEXEAssociations("T", {"a", "b"}); }},
    {"AsociacionesAdicionalesSinClase", 0, {}, {}, "-2147194451 pruebas_registry.clsReg: Error - "
     "attempt to create additional associations before class defined.",
     [](Banco& b) { b.Reg.CreateAdditionalEXEAssociations("T", {"v", "&V", "v"}); }},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegGuarda, ::testing::ValuesIn(Escrituras), PorNombre);

// Subkeys up to the first name over 254 characters; a missing key lists nothing.
TEST_F(ClsReg, EnumerarSeccionesSeDetieneEnUnNombreDe255) {
    const std::string largo254(254, 'B'), largo255(255, 'C');
    for (const auto& nombre : {"a1"s, "d1"s, largo255, largo254})
        b_.En("SOFTWARE\\S\\" + nombre).CrearClave();
    EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE\\S"), (V{"a1", largo254}));
    for (bool valores : {false, true})
        EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE\\No", valores), V{});
}

// Keys written under both HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\SOFTWARE\Classes
// (the same keys); a verb that cannot be added is skipped; a failed write stops.
TEST_F(ClsReg, AsociacionesDeArchivos) {
    b_.Reg.CreateEXEAssociation(" %ORV%/orv ", "Ot", "T", "orv", "", true, "", true, "Nuevo", true,
                                "", 0);
    EXPECT_EQ(b_.Contado.Aperturas, 22) << "each key written under both roots";
    b_.Reg.ClaseClave(HKCR);
    b_.Reg.CreateAdditionalEXEAssociations("Ot", {"mal\nnombre", "&M", "m", "ver", "&Ver", "v"});
    EXPECT_EQ(b_.Reg.ClaseClave(), HKLM);
    EXPECT_EQ(b_.Reg.SeccionClave(), "Ot\\shell\\ver\\command");
    // clang-format off
    const auto sz = [](const std::string& t) { return Guardado{REG_SZ, t + '\0'}; };
    const auto ex = [](auto t) { return Guardado{Exp, "\"%ORV%/orv\""s + t + " \"%1\"\0"s}; };
    const std::string T = "Ot\\shell\\";
    const std::pair<std::string, Guardado> Claves[] = {
        {".orv", sz("Ot")}, {"Ot", sz("T")}, {T + "open", sz("&Open")},
        {T + "open\\command", ex("")}, {T + "print", sz("&Print")},
        {T + "print\\command", ex(" /p")}, {T + "add", sz("&Install orv")},
        {T + "add\\command", ex(" /a")}, {T + "new", sz("Nuevo")}, {T + "new\\command", ex(" /n")},
        {T + "ver", sz("&Ver")}, {T + "ver\\command", sz("v")},
        {"Ot\\DefaultIcon", {Exp, "\"%ORV%/orv\",0\0"s}}};
    // clang-format on
    for (const auto& [seccion, guardado] : Claves)
        EXPECT_EQ(b_.Leer(HKLM, "SOFTWARE\\Classes\\" + seccion), guardado) << seccion;
    EXPECT_EQ(b_.Listar(HKCR, "Ot\\shell"), (V{"add", "new", "open", "print", "ver"}));
    EXPECT_EQ(b_.Listar(HKLM, "SOFTWARE"), V{"Classes"}) << "nothing beside the classes";
    b_.Contado.FalloPonerValor = ERROR_ACCESS_DENIED;
    const auto aperturas = b_.Contado.Aperturas;
    EXPECT_THROW(b_.Reg.CreateEXEAssociation("x", "Ot", "T", "orv"), ErrorRegistro);
    EXPECT_EQ(b_.Contado.Aperturas, aperturas + 1) << "stopped at the first failed write";
}

// UTF-16LE with its byte-order mark, as regedit exports.
std::string Utf16(std::u16string_view texto) {
    return "\xFF\xFE"s + std::string(reinterpret_cast<const char*>(texto.data()), texto.size() * 2);
}

const std::string Clases = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]\n";

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

// A readable text, as the writer puts the hive it holds; that text reads back the same.
struct Legible : Fila {
    std::string Texto, Escrito;
};
struct FormatoRegLegible : ::testing::TestWithParam<Legible> {};

TEST_P(FormatoRegLegible, SeLeeComoLaColmenaQueSeEscribe) {
    const auto& p = GetParam();
    for (const auto& texto : {p.Texto, p.Escrito})
        EXPECT_EQ(EscribirFormatoReg(LeerFormatoReg(texto).value_or(Colmena{})), p.Escrito);
}

const std::string K = "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\K]\n";
// clang-format off
// Hex for text that is not printable UTF-8 or lacks its one zero; a long line continued.
const std::string Hex = K + "\"Ruta\"=\"C:\\\\O\\\\\"\n\"SinCero\"=hex(1):61,62\n"
    "\"Sustituto\"=hex(1):ed,a0,80,00\n\"" + std::string(67, 'n') + "\"=hex:01,\\\n  02,03\n";
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
    {"EscapesYHex", Hex, Hex},
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
    {"NombreDe255", Crea, HKLM, "SOFTWARE\\" + std::string(255, 'n'), 0},
    {"NombreDe256", Crea, HKLM, "SOFTWARE\\" + std::string(256, 'n'), ERROR_INVALID_PARAMETER},
    {"Profundidad512", Crea, HKLM, Niveles(512), 0},
    {"Profundidad513", Crea, HKLM, Niveles(513), ERROR_BAD_PATHNAME},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, RegistroArchivoCodigo, ::testing::ValuesIn(Codigos), PorNombre);

const std::uint8_t Dato = 1;

// A handle allows what its access asks for, nothing once closed or its key deleted.
TEST_F(ArchivoReg, LoQuePermiteUnManejador) {
    auto& ops = b_.Ops;
    ManejadorClave k = 0, k2 = 0;
    b_.En("SOFTWARE\\A\\B").CrearClave();
    EXPECT_EQ(ops.AbrirClave(HKLM, "SOFTWARE\\A", 0, KEY_QUERY_VALUE, k), 0);
    EXPECT_EQ(ops.PonerValor(k, "v", REG_BINARY, &Dato, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.CrearClave(k, "C", 0, KEY_DERECHOS_ESCRITURA, k2, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.CerrarClave(k), 0);
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
    EXPECT_EQ(ops.EnumerarValor(k, 4, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(ops.EnumerarClave(k, 6, nullptr, 0), ERROR_NO_MORE_ITEMS);
}

// clsReg asks for the size first and then expands into exactly that much.
TEST_F(ArchivoReg, ExpansionDaElTamanoConSuCeroYNoTocaUnBufferCorto) {
    ::setenv("VESMADUR_PRUEBA_X", "abc", 1);
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
