// clsReg over a hive file: reading, writing, the errors raised, enumeration,
// file associations.
#include "ColmenaTemporal.h"

#include <cstdlib>

namespace vesmadur {
namespace {

using namespace prueba;
using ClsReg = ConBanco<>;

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

// A change before the value's data is read, or before the expansion.
std::function<void(Banco&)> Pone(std::uint32_t tipo, std::string datos) {
    return [=](Banco& b) {
        b.Contado.AntesDeLeer = [&b, tipo, datos] { b.Poner(Seccion, Nombre, tipo, datos); };
    };
}
std::function<void(Banco&)> Carpeta(const char* valor) {
    return
        [=](Banco& b) { b.Contado.AntesDeExpandir = [=] { ::setenv("VESMADUR_DIR", valor, 1); }; };
}

// clang-format off
const Lectura Lecturas[] = {
    {"OchoCaracteresYSuCero", REG_SZ, "C:\\Datos\0"s, "C:\\Datos"},
    {"ListaUnidaPorCeros", REG_MULTI_SZ, "a\0b\0\0"s, "a\0b"s},
    {"TextoSinCeroPierdeSuUltimoByte", REG_SZ, "abc", "ab"},
    {"TextoSinBytes", REG_SZ, "", ""},
    {"DwordNegativo", REG_DWORD, "\xFF\xFF\xFF\xFF", -1},
    {"DwordGranIndio", REG_DWORD_BIG_ENDIAN, "\1\0\0\0"s, 16777216},
    {"DwordCorto", REG_DWORD, "\7\1", 263},
    {"DwordLargoNoCabeYEsCero", REG_DWORD, "\1\0\0\0\11\11\11\11"s, 0},
    {"ExpandibleReemplazaVariables", Exp, "%VESMADUR_DIR%\\config\0"s, "/orv\\config"},
    {"ExpandibleSinDistinguirMayusculas", Exp, "%vesmadur_dir%\0"s, "/orv"},
    {"ExpandibleTrasUnPorCientoSuelto", Exp, "%VESMADUR_X%VESMADUR_DIR%\0"s, "%VESMADUR_X/orv"},
    {"ExpandibleSinReferencias", Exp, "100%% y 50%\0"s, "100%% y 50%"},
    {"BinarioLargo", REG_BINARY, std::string(200, '\xAB'), Bytes(200, 0xAB)},
    {"TipoDesconocido", 0x12345678, "\11\10", Bytes{9, 8}},
    // Defecto when there is nothing to read; the unnamed value never counts.
    {"ValorAusente", REG_SZ, "", "nada", [](Banco& b) { b.Reg.ValorClave("otro"); }},
    {"ClaveAusente", REG_SZ, "", "nada", [](Banco& b) { b.Reg.SeccionClave("SOFTWARE\\No"); }},
    {"SinNombre", REG_SZ, "", "x",
     [](Banco& b) { b.Poner(Seccion, "", REG_SZ, "x\0"s); b.Reg.ValorClave(""); }},
    // Read as it is at the read, or Defecto; never a buffer left unfilled.
    {"TextoQueCreceAlLeerlo", REG_SZ, "ab\0"s, "abcdef", Pone(REG_SZ, "abcdef\0"s)},
    {"BinarioQueEncogeAlLeerlo", REG_BINARY, "\1\2\3\4", Bytes{9}, Pone(REG_BINARY, "\11")},
    {"MismosBytesPasanAExpandibleAlLeerlos", REG_SZ, "%VESMADUR_DIR%\0"s, "/orv",
     Pone(Exp, "%VESMADUR_DIR%\0"s)},
    {"TextoDeClaveBorradaAlLeerlo", REG_SZ, "abc\0"s, "nada",
     [](Banco& b) { b.Contado.AntesDeLeer = [&b] { b.Ops.BorrarClave(HKLM, Seccion); }; }},
    {"VariableQueCreceAlExpandir", Exp, "%VESMADUR_DIR%!\0"s, "/orv/mas/largo!",
     Carpeta("/orv/mas/largo")},
    {"VariableQueEncogeAlExpandir", Exp, "%VESMADUR_DIR%!\0"s, "/x!", Carpeta("/x")},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegValor, ::testing::ValuesIn(Lecturas), PorNombre);

// Names compare case-insensitively (Unicode letters too) and keep the case
// they were created with; reading creates nothing.
TEST_F(ClsReg, CrearYBorrarSinDistinguirMayusculas) {
    EXPECT_FALSE(b_.En("SOFTWARE\\Configuración\\B").HaySeccionClave());
    EXPECT_FALSE(std::filesystem::exists(b_.Hive()));
    EXPECT_TRUE(b_.Reg.CrearClave());
    b_.Poner("SOFTWARE\\Configuración", "si", REG_SZ, "1\0"s);
    std::uint32_t disposicion = 0;
    ManejadorClave k = 0;
    EXPECT_EQ(b_.Contado.CrearClave(HKLM, "software\\CONFIGURACIÓN\\b", 0, 0, k, &disposicion), 0);
    b_.Contado.CerrarClave(k);
    EXPECT_EQ(disposicion, 2u) << "it existed";
    EXPECT_EQ(b_.Listar(HKLM, "software\\configuración"), V{"B"});
    EXPECT_TRUE(b_.En("SOFTWARE\\CONFIGURACIÓN", "SI").BorrarValor());
    EXPECT_EQ(b_.Leer(HKLM, "SOFTWARE\\Configuración", "si"), Guardado{});
    for (const auto* seccion : {"SOFTWARE\\configuración\\b", "SOFTWARE\\Configuración"}) {
        EXPECT_TRUE(b_.En(seccion).BorrarClave());
        EXPECT_FALSE(b_.Reg.HaySeccionClave());
    }
}

// "number origin: description" of the error `accion` raises; "" when none.
std::string Lanzado(const std::function<void()>& accion) {
    try {
        accion();
    } catch (const ErrorRegistro& e) {
        return std::to_string(e.Numero) + " " + e.Origen + ": " + e.Descripcion;
    }
    return "";
}

const std::string NoSePuso = "-2147194455 clsReg.Valor: Fallo al poner el valor de registro de la "
                             "clave: '-2147483646',Section: 'SOFTWARE\\W',Key: 'v' to value: ";

struct Escritura : Fila {
    std::int32_t Pedido;
    Variante Valor;
    Guardado Esperado;
    std::string Error = "";
};
struct ClsRegGuarda : ConBanco<::testing::TestWithParam<Escritura>> {};

TEST_P(ClsRegGuarda, ElTipoYLosBytesQueTocanOElError) {
    b_.En("SOFTWARE\\W", "v").TipoValor(GetParam().Pedido);
    EXPECT_EQ(Lanzado([&] { b_.Reg.Valor(GetParam().Valor); }), GetParam().Error);
    EXPECT_EQ(b_.Leer(HKLM, "SOFTWARE\\W", "v"), GetParam().Esperado);
}

// A text's stored type follows its content: a '%' with another at least two
// places on makes REG_EXPAND_SZ, whichever of the two was asked for.
// clang-format off
const Escritura Escrituras[] = {
    {"OchoCaracteresYSuCero", REG_SZ, "C:\\Datos", {REG_SZ, "C:\\Datos\0"s}},
    {"ReferenciaCorta", REG_SZ, "%a%", {Exp, "%a%\0"s}},
    {"PorCientosSeparados", REG_SZ, "50% y 20%", {Exp, "50% y 20%\0"s}},
    {"PorCientosJuntos", REG_SZ, "100%%", {REG_SZ, "100%%\0"s}},
    {"ExpandibleSinReferencia", Exp, "sin referencias", {REG_SZ, "sin referencias\0"s}},
    {"NumeroComoTexto", REG_SZ, -42, {REG_SZ, "-42\0"s}},
    {"BytesComoTexto", REG_SZ, Bytes{'a', 'b'}, {REG_SZ, "ab\0"s}},
    {"EnteroCortoEsDword", REG_DWORD_BIG_ENDIAN, std::int16_t{5}, {REG_DWORD, "\5\0\0\0"s}},
    {"Binario", REG_BINARY, Bytes{1, 2, 3}, {REG_BINARY, "\1\2\3"}},
    {"TipoQueNoSeEscribe", REG_MULTI_SZ, "x", {}, NoSePuso + "'x'"},
    {"BinarioDeTexto", REG_BINARY, "abc", {}, "26001 : "s + DescripcionGenerica},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegGuarda, ::testing::ValuesIn(Escrituras), PorNombre);

struct CasoError : Fila {
    std::function<void(Banco&)> Accion; // prepares and makes the call that raises
    std::string Error;
};
struct ClsRegError : ConBanco<::testing::TestWithParam<CasoError>> {};

TEST_P(ClsRegError, NumeroOrigenYDescripcion) {
    EXPECT_EQ(Lanzado([&] { GetParam().Accion(b_); }), GetParam().Error);
}

// One row for each other place that raises.
const std::string Clave = "'-2147483646',Section: 'SOFTWARE";
const std::string Borrar = "26001 clsRegistro.BorrarValor: Fallo al ";
// clang-format off
const CasoError Errores[] = {
    {"CrearClaveSinRaiz", [](Banco& b) { b.En("SOFTWARE\\X", "", 0).CrearClave(); },
     "26001 clsReg.CrearClave: Fallo al crear la clave de registro: 'SOFTWARE\\X'"},
    {"BorrarClaveConSubclaves",
     [](Banco& b) { b.En("SOFTWARE\\A\\B").CrearClave(); b.En("SOFTWARE\\A").BorrarClave(); },
     "26001 clsReg.BorrarClave: Fallo al borrar la clave de registro: " + Clave + "\\A"},
    {"BorrarValorDeClaveAusente", [](Banco& b) { b.En("SOFTWARE\\No", "v").BorrarValor(); },
     Borrar + "abrir la clave " + Clave + "\\No' para acceso de borrado."},
    {"BorrarValorAusente", [](Banco& b) { b.En("SOFTWARE", "no").BorrarValor(); },
     Borrar + "borrar la clave de registro: " + Clave + "',Key: 'no'"},
    {"ValorSinRaiz", [](Banco& b) { b.En("SOFTWARE\\W", "v", 0).Valor("abc"); },
     "26001 clsReg.Valor: Fallo al poner el valor de registro: '0',Section: 'SOFTWARE\\W',Key: 'v' "
     "al valor: 'abc'"},
    {"AsociacionesAdicionalesSinTriples",
     [](Banco& b) { b.Reg.CreateAdditionalEXEAssociations("T", {"a", "b"}); },
     "-2147194452 pruebas_registry.clsReg: Invalid parameter list passed to "
     "CreateAdditionalEXEAssociations - expected Name/Text/Command"},
    {"AsociacionesAdicionalesSinClase",
     [](Banco& b) { b.Reg.CreateAdditionalEXEAssociations("T", {"v", "&V", "v"}); },
     "-2147194451 pruebas_registry.clsReg: Error - attempt to create additional associations "
     "before class defined."},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, ClsRegError, ::testing::ValuesIn(Errores), PorNombre);

// Subkeys up to the first name longer than 254 characters; both lists are
// emptied first, and stay empty for a missing key.
TEST_F(ClsReg, EnumerarSeccionesSeDetieneEnUnNombreDe255) {
    const std::string largo254(254, 'B'), largo255(255, 'C');
    for (const auto& nombre : {"a1"s, "d1"s, largo255, largo254})
        b_.En("SOFTWARE\\S\\" + nombre).CrearClave();
    V nombres;
    std::int32_t cuenta = 7;
    EXPECT_TRUE(b_.En("SOFTWARE\\S").EnumerarSecciones(nombres, cuenta));
    EXPECT_EQ(cuenta, 2);
    EXPECT_EQ(nombres, (V{"a1", largo254}));
    for (auto enumerar : {&clsReg::EnumerarSecciones, &clsReg::EnumerarValores}) {
        nombres = {"viejo"}, cuenta = 7;
        EXPECT_TRUE((b_.En("SOFTWARE\\No").*enumerar)(nombres, cuenta));
        EXPECT_EQ(cuenta, 0);
        EXPECT_EQ(nombres, V{});
    }
}

// File associations: the texts and types written, under HKEY_CLASSES_ROOT,
// which is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, each key written under both;
// an added verb that cannot be written is skipped; a failed write stops.
TEST_F(ClsReg, AsociacionesDeArchivos) {
    b_.Reg.CreateEXEAssociation(" %ORV%/orv ", "Ot", "T", "orv", "", true, "", true, "Nuevo", true,
                                "", 0);
    EXPECT_EQ(b_.Contado.Aperturas, 22) << "each key written under both roots";
    b_.Reg.ClaseClave(HKCR);
    b_.Reg.CreateAdditionalEXEAssociations("Ot", {"mal\nnombre", "&M", "m", "ver", "&Ver", "v"});
    EXPECT_EQ(b_.Reg.ClaseClave(), HKLM);
    EXPECT_EQ(b_.Reg.SeccionClave(), "Ot\\shell\\ver\\command");
    const auto sz = [](const std::string& t) { return Guardado{REG_SZ, t + '\0'}; };
    const auto ex = [](const std::string& t) {
        return Guardado{Exp, "\"%ORV%/orv\"" + t + " \"%1\"" + '\0'};
    };
    const std::string T = "Ot\\shell\\";
    // clang-format off
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

} // namespace
} // namespace vesmadur
