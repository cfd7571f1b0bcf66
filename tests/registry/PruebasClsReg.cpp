// clsReg over a hive file. Reading: the conversion each type gets, a value
// that changes while it is read, HayValor. Writing: keys, values in the form
// TipoValor chooses, the errors raised, enumeration, file-type associations.
// No operation may leave a key open, whatever it raises.
#include "ColmenaTemporal.h"

#include <cstdlib>
#include <new>

namespace vesmadur {
namespace {

using namespace prueba;
using ClsReg = ConBanco<>;

constexpr const char* Seccion = "SOFTWARE\\Vesmadur\\Lectura";
// Every value is stored under a name the .reg format must escape.
const std::string Nombre = "nombre \"con\" \\ raros = [x]";

struct Lectura : Fila {
    std::uint32_t Tipo;
    Bytes Datos;
    Variante Esperado; // "nada" is Defecto
    // Points clsReg elsewhere, or arms a change between clsReg's calls.
    std::function<void(Banco&)> Antes = nullptr;
    std::int32_t TipoLeido = 0; // with Antes; else the stored type. -1: left as it was
};

class ClsRegValor : public ConBanco<::testing::TestWithParam<Lectura>> {};

TEST_P(ClsRegValor, LeeSegunElTipoQueTieneAlLeerloYLoAnota) {
    const auto& p = GetParam();
    ::setenv("VESMADUR_PRUEBA_CARPETA", "/srv/orvanto", 1);
    b_.Poner(Seccion, Nombre, p.Tipo, p.Datos);
    b_.En(Seccion, Nombre).Defecto("nada");
    b_.Reg.TipoValor(-1);
    if (p.Antes)
        p.Antes(b_);
    EXPECT_EQ(b_.Reg.Valor(), p.Esperado);
    EXPECT_EQ(b_.Reg.TipoValor(), p.Antes ? p.TipoLeido : static_cast<std::int32_t>(p.Tipo));
}

// A change between clsReg's calls: of the value before its read, of the
// variable before the expansion.
std::function<void(Banco&)> Pone(std::uint32_t tipo, Bytes datos) {
    return [=](Banco& b) {
        b.Contado.AntesDeLeer = [&b, tipo, datos] { b.Poner(Seccion, Nombre, tipo, datos); };
    };
}
void BorraLaClave(Banco& b) {
    b.Contado.AntesDeLeer = [&b] { EXPECT_EQ(b.Ops.BorrarClave(HKLM, Seccion), 0); };
}
std::function<void(Banco&)> Carpeta(const char* valor) {
    return [=](Banco& b) {
        b.Contado.AntesDeExpandir = [=] { ::setenv("VESMADUR_PRUEBA_CARPETA", valor, 1); };
    };
}

constexpr auto Expandible = REG_EXPAND_SZ;
const Lectura Lecturas[] = {
    {"OchoCaracteresYSuCero", REG_SZ, B("C:\\Datos\0"s), "C:\\Datos"},
    {"TextoConComillasSaltoYEnie", REG_SZ, B("\"a\"\r\nb ñ\0"s), "\"a\"\r\nb ñ"},
    {"ListaUnidaPorCeros", REG_MULTI_SZ, B("a\0b\0\0"s), "a\0b"s},
    {"TextoPierdeLosCerosFinales", REG_SZ, B("abc\0\0"s), "abc"},
    {"TextoSinCeroPierdeSuUltimoByte", REG_SZ, B("abc"), "ab"},
    {"TextoSinBytes", REG_SZ, {}, ""},
    {"Dword", REG_DWORD, {1, 0, 0, 0}, std::int32_t{1}},
    {"DwordNegativo", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}},
    {"DwordGranIndio", REG_DWORD_BIG_ENDIAN, {1, 0, 0, 0}, std::int32_t{16777216}},
    {"DwordCorto", REG_DWORD, {7, 1}, std::int32_t{263}},
    {"DwordLargoNoCabeYEsCero", REG_DWORD, {1, 0, 0, 0, 9, 9, 9, 9}, std::int32_t{0}},
    {"ExpandibleReemplazaVariables", Expandible, B("%VESMADUR_PRUEBA_CARPETA%\\config\0"s),
     "/srv/orvanto\\config"},
    {"ExpandibleSinVariable", Expandible, B("%VESMADUR_NO_EXISTE%\\x\0"s),
     "%VESMADUR_NO_EXISTE%\\x"},
    {"ExpandibleSinDistinguirMayusculas", Expandible, B("%vesmadur_prueba_carpeta%\0"s),
     "/srv/orvanto"},
    {"ExpandibleTrasUnPorCientoSuelto", Expandible,
     B("%VESMADUR_NO_EXISTE%VESMADUR_PRUEBA_CARPETA%\0"s), "%VESMADUR_NO_EXISTE/srv/orvanto"},
    {"ExpandibleSinReferencias", Expandible, B("100%% y 50%\0"s), "100%% y 50%"},
    {"Binario", REG_BINARY, {1, 2, 3}, Bytes{1, 2, 3}},
    {"BinarioVacio", REG_BINARY, {}, Bytes{}},
    {"BinarioLargo", REG_BINARY, Bytes(200, 0xAB), Bytes(200, 0xAB)},
    {"Ninguno", REG_NONE, {0}, Bytes{0}},
    {"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
    {"TipoDesconocido", 0x12345678, {9, 8}, Bytes{9, 8}},
    // Defecto, and TipoValor left as it was, when there is nothing to read.
    {"ValorAusente", REG_SZ, {}, "nada", [](Banco& b) { b.Reg.ValorClave("otro"); }, -1},
    {"ClaveAusente", REG_SZ, {}, "nada", [](Banco& b) { b.Reg.SeccionClave("SOFTWARE\\No"); }, -1},
    {"SinRaiz", REG_SZ, {}, "nada", [](Banco& b) { b.Reg.ClaseClave(0); }, -1},
    // Read as it is at the read, or Defecto; never a buffer left unfilled.
    {"TextoQueCreceAlLeerlo", REG_SZ, B("ab\0"s), "abcdef", Pone(REG_SZ, B("abcdef\0"s)), REG_SZ},
    {"BinarioQueEncogeAlLeerlo", REG_BINARY, Bytes{1, 2, 3, 4}, Bytes{9}, Pone(REG_BINARY, {9}),
     REG_BINARY},
    {"MismosBytesPasanAExpandibleAlLeerlos", REG_SZ, B("%VESMADUR_PRUEBA_CARPETA%\0"s),
     "/srv/orvanto", Pone(Expandible, B("%VESMADUR_PRUEBA_CARPETA%\0"s)), Expandible},
    {"TextoQuePasaADwordAlLeerlo", REG_SZ, B("abc\0"s), std::int32_t{5},
     Pone(REG_DWORD, {5, 0, 0, 0}), REG_DWORD},
    {"TextoDeClaveBorradaAlLeerlo", REG_SZ, B("abc\0"s), "nada", BorraLaClave, -1},
    {"DwordDeClaveBorradaAlLeerlo", REG_DWORD, {5, 0, 0, 0}, "nada", BorraLaClave, -1},
    {"VariableQueCreceAlExpandir", Expandible, B("%VESMADUR_PRUEBA_CARPETA%!\0"s),
     "/srv/orvanto/mucho/mas/largo!", Carpeta("/srv/orvanto/mucho/mas/largo"), Expandible},
    {"VariableQueEncogeAlExpandir", Expandible, B("%VESMADUR_PRUEBA_CARPETA%!\0"s), "/x!",
     Carpeta("/x"), Expandible},
};
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegValor, ::testing::ValuesIn(Lecturas), PorNombre);

TEST_F(ClsReg, HayValorSegunElNombreElValorLeidoYDefecto) {
    EXPECT_FALSE(b_.En(Seccion, "ausente").HayValor());
    EXPECT_FALSE(b_.Reg.HaySeccionClave());
    EXPECT_FALSE(std::filesystem::exists(b_.Hive())) << "reading creates no file";
    b_.Poner(Seccion, "", REG_SZ, B("por defecto\0"s));
    b_.Poner(Seccion, "vacio", REG_SZ, B("\0"s));
    EXPECT_FALSE(b_.En(Seccion).HayValor()) << "the unnamed value never counts";
    EXPECT_EQ(b_.Reg.Valor(), Variante("por defecto"));
    EXPECT_TRUE(b_.En(Seccion, "vacio").HayValor()) << "an empty text is a value, not Null";

    EXPECT_TRUE(b_.En(Seccion, "ausente").Valor().EsNulo());
    EXPECT_FALSE(b_.Reg.HayValor());
    b_.Reg.Defecto(Variante(std::int32_t{0}));
    EXPECT_TRUE(b_.Reg.HayValor());
    EXPECT_FALSE(b_.En(Seccion).HayValor()) << "not even with a Defecto";
    b_.Reg.Defecto(Nulo{});
    EXPECT_FALSE(b_.En(Seccion, "ausente").HayValor());
}

const std::pair<std::int32_t, std::string> Raices[] = {{HKEY_CLASSES_ROOT, ""},
                                                       {HKLM, "SOFTWARE\\Classes\\"}};

// A stored text, its terminating zero included.
std::string Texto(Banco& b, std::int32_t raiz, const std::string& seccion) {
    const auto c = b.Leer(raiz, seccion);
    EXPECT_EQ(c.Resultado, 0) << seccion;
    return std::string(c.Datos.begin(), c.Datos.end());
}

// Names compare case-insensitively (Unicode letters too) and keep the case
// they were created with.
TEST_F(ClsReg, CrearYBorrarSinDistinguirMayusculas) {
    std::uint32_t disposicion = 0;
    ManejadorClave k = 0;
    EXPECT_EQ(b_.Ops.CrearClave(HKLM, "SOFTWARE\\Configuración\\B", 0, 0, k, &disposicion), 0);
    EXPECT_EQ(disposicion, 1u) << "created";
    b_.Ops.CerrarClave(k);
    b_.Poner("SOFTWARE\\Configuración", "si", REG_SZ, B("1\0"s));
    const auto antes = LeerBytes(b_.Hive());
    EXPECT_EQ(b_.Ops.CrearClave(HKLM, "software\\CONFIGURACIÓN\\b", 0, 0, k, &disposicion), 0);
    EXPECT_EQ(disposicion, 2u) << "it existed";
    b_.Ops.CerrarClave(k);
    EXPECT_TRUE(b_.En("software\\configuracIÓN\\b").CrearClave());
    EXPECT_EQ(LeerBytes(b_.Hive()), antes) << "an existing key is left as it is";
    EXPECT_EQ(b_.Subclaves(HKLM, "Software"), (V{"Classes", "Configuración"}));
    EXPECT_EQ(b_.Subclaves(HKLM, "software\\configuración"), V{"B"});
    EXPECT_TRUE(b_.En("SOFTWARE\\CONFIGURACIÓN", "SI").BorrarValor());
    EXPECT_EQ(b_.Leer(HKLM, "SOFTWARE\\Configuración", "si").Resultado, ERROR_FILE_NOT_FOUND);
    for (const auto* seccion : {"SOFTWARE\\configuración\\b", "SOFTWARE\\Configuración"}) {
        EXPECT_TRUE(b_.En(seccion).BorrarClave());
        EXPECT_FALSE(b_.Reg.HaySeccionClave());
    }
}

struct Escritura : Fila {
    std::int32_t Pedido;
    Variante Valor;
    std::uint32_t Guardado;
    Bytes Datos;
};

class ClsRegGuarda : public ConBanco<::testing::TestWithParam<Escritura>> {};

TEST_P(ClsRegGuarda, ElTipoYLosBytesQueTocan) {
    b_.En("SOFTWARE\\W", "v").TipoValor(GetParam().Pedido);
    b_.Reg.Valor(GetParam().Valor);
    const auto c = b_.Leer(HKLM, "SOFTWARE\\W", "v");
    EXPECT_EQ(c.Tipo, GetParam().Guardado);
    EXPECT_EQ(c.Datos, GetParam().Datos);
}

// A text's stored type follows its content: a '%' with another at least two
// places on makes REG_EXPAND_SZ, whichever of the two was asked for.
const Escritura Escrituras[] = {
    {"OchoCaracteresYSuCero", REG_SZ, "C:\\Datos", REG_SZ, B("C:\\Datos\0"s)},
    {"Referencia", REG_SZ, "%TEMP%\\x", REG_EXPAND_SZ, B("%TEMP%\\x\0"s)},
    {"ReferenciaCorta", REG_SZ, "%a%", REG_EXPAND_SZ, B("%a%\0"s)},
    {"PorCientosSeparados", REG_SZ, "50% y 20%", REG_EXPAND_SZ, B("50% y 20%\0"s)},
    {"PorCientosJuntosAlFinal", REG_SZ, "100%%", REG_SZ, B("100%%\0"s)},
    {"PorCientosJuntosEnMedio", REG_SZ, "a%%b", REG_SZ, B("a%%b\0"s)},
    {"ExpandibleSinReferencia", REG_EXPAND_SZ, "sin referencias", REG_SZ, B("sin referencias\0"s)},
    {"ExpandibleConUnPorCiento", REG_EXPAND_SZ, "%", REG_SZ, B("%\0"s)},
    {"NumeroComoTexto", REG_SZ, std::int32_t{-42}, REG_SZ, B("-42\0"s)},
    {"NuloComoTexto", REG_SZ, Variante(), REG_SZ, B("\0"s)},
    {"EnteroCortoEsDword", REG_DWORD_BIG_ENDIAN, std::int16_t{5}, REG_DWORD, {5, 0, 0, 0}},
    {"DwordNegativo", REG_DWORD, std::int32_t{-2}, REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}},
    {"Binario", REG_BINARY, Bytes{1, 2, 3}, REG_BINARY, {1, 2, 3}},
};
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegGuarda, ::testing::ValuesIn(Escrituras), PorNombre);

struct CasoError : Fila {
    std::function<void(Banco&)> Accion; // prepares and makes the call that raises
    std::int32_t Numero;
    std::string Origen;
    std::string Descripcion;
    std::function<void(Banco&)> Despues = nullptr;
};

class ClsRegError : public ConBanco<::testing::TestWithParam<CasoError>> {};

TEST_P(ClsRegError, NumeroOrigenYDescripcion) {
    try {
        GetParam().Accion(b_);
        ADD_FAILURE() << "nothing raised";
    } catch (const ErrorRegistro& e) {
        EXPECT_EQ(e.Numero, GetParam().Numero);
        EXPECT_EQ(e.Origen, GetParam().Origen);
        EXPECT_EQ(e.Descripcion, GetParam().Descripcion);
    }
    if (GetParam().Despues)
        GetParam().Despues(b_);
}

// Writes `valor` with TipoValor `tipo` to SOFTWARE\W, value "v"; the store
// answers `fallo` when it is not 0.
std::function<void(Banco&)> Poner(std::int32_t tipo, Variante valor, std::int32_t fallo = 0) {
    return [=](Banco& b) {
        b.Contado.FalloPonerValor = fallo;
        b.En("SOFTWARE\\W", "v").TipoValor(tipo);
        b.Reg.Valor(valor);
    };
}

const std::string NoSePuso = "Fallo al poner el valor de registro de la clave: "
                             "'-2147483646',Section: 'SOFTWARE\\W',Key: 'v' to value: ";
const CasoError Errores[] = {
    {"CrearClaveSinRaiz", [](Banco& b) { b.En("SOFTWARE\\X", "", 0).CrearClave(); }, 26001,
     "clsReg.CrearClave", "Fallo al crear la clave de registro: 'SOFTWARE\\X'"},
    {"BorrarClaveConSubclaves",
     [](Banco& b) {
         b.En("SOFTWARE\\A\\B").CrearClave();
         b.En("SOFTWARE\\A").BorrarClave();
     },
     26001, "clsReg.BorrarClave",
     "Fallo al borrar la clave de registro: '-2147483646',Section: 'SOFTWARE\\A",
     [](Banco& b) { EXPECT_TRUE(b.Reg.HaySeccionClave()); }},
    {"BorrarValorDeClaveAusente", [](Banco& b) { b.En("SOFTWARE\\No", "v").BorrarValor(); }, 26001,
     "clsRegistro.BorrarValor",
     "Fallo al abrir la clave '-2147483646',Section: 'SOFTWARE\\No' para acceso de borrado."},
    {"BorrarValorAusente", [](Banco& b) { b.En("SOFTWARE", "no").BorrarValor(); }, 26001,
     "clsRegistro.BorrarValor",
     "Fallo al borrar la clave de registro: '-2147483646',Section: 'SOFTWARE',Key: 'no'"},
    {"ValorSinRaiz", [](Banco& b) { b.En("SOFTWARE\\W", "v", 0).Valor("abc"); }, 26001,
     "clsReg.Valor",
     "Fallo al poner el valor de registro: '0',Section: 'SOFTWARE\\W',Key: 'v' al valor: 'abc'"},
    {"TipoQueNoSeEscribe", Poner(REG_MULTI_SZ, "x"), -2147194455, "clsReg.Valor", NoSePuso + "'x'",
     [](Banco& b) { EXPECT_TRUE(b.Reg.HaySeccionClave()) << "the key is created first"; }},
    {"DwordDeTexto", Poner(REG_DWORD, "5"), ErrPonerValor, "clsReg.Valor", NoSePuso + "'5'"},
    {"DwordDe64Bits", Poner(REG_DWORD, std::int64_t{5}), ErrPonerValor, "clsReg.Valor",
     NoSePuso + "'5'"},
    {"BinarioDeTexto", Poner(REG_BINARY, "abc"), 26001, "",
     "Application-defined or object-defined error"},
    {"FalloAlGuardar", Poner(REG_SZ, "abc", ERROR_ACCESS_DENIED), ErrPonerValor, "clsReg.Valor",
     NoSePuso + "'abc'"},
    {"EnumerarSeccionesSinMemoria",
     [](Banco& b) {
         b.Contado.AntesDeEnumerarClave = [] { throw std::bad_alloc(); };
         b.Subclaves(HKLM, "SOFTWARE");
     },
     -2147194454, "pruebas_registrycRegistry.EnumerarSecciones", std::bad_alloc().what()},
    {"AsociacionQueFallaSeDetiene",
     [](Banco& b) {
         b.Contado.FalloPonerValor = ERROR_ACCESS_DENIED;
         b.Reg.CreateEXEAssociation("x", "Orv.T", "T", "orv");
     },
     ErrPonerValor, "clsReg.Valor",
     "Fallo al poner el valor de registro de la clave: '-2147483648',Section: '.orv',Key: '' "
     "to value: 'Orv.T'",
     [](Banco& b) { EXPECT_EQ(b.Contado.Aperturas, 1); }},
    {"AsociacionesAdicionalesSinTriples",
     [](Banco& b) {
         b.Reg.CreateAdditionalEXEAssociations("Orv.T", {"a", "b"});
     },
     -2147194452, "pruebas_registry.clsReg",
     "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
     "Name/Text/Command",
     [](Banco& b) { EXPECT_EQ(b.Reg.SeccionClave(), ""); }},
    {"AsociacionesAdicionalesSinClase",
     [](Banco& b) {
         b.Reg.CreateAdditionalEXEAssociations("Orv.T", {"ver", "&Ver", "v"});
     },
     -2147194451, "pruebas_registry.clsReg",
     "Error - attempt to create additional associations before class defined.",
     [](Banco& b) { EXPECT_EQ(b.Subclaves(HKEY_CLASSES_ROOT, ""), V{}); }},
};
INSTANTIATE_TEST_SUITE_P(Casos, ClsRegError, ::testing::ValuesIn(Errores), PorNombre);

// Value names are listed in creation order (see RegistroArchivoLlamadas);
// both lists are emptied first, and stay empty for a key that is missing.
TEST_F(ClsReg, EnumerarSeccionesSeDetieneEnUnNombreDe255) {
    const std::string largo254(254, 'B'), largo255(255, 'C');
    for (const auto& nombre : {"a1"s, "d1"s, largo255, largo254})
        b_.En("SOFTWARE\\S\\" + nombre).CrearClave();
    V nombres{"viejo"};
    std::int32_t cuenta = 7;
    EXPECT_TRUE(b_.En("SOFTWARE\\S").EnumerarSecciones(nombres, cuenta));
    EXPECT_EQ(cuenta, 2);
    EXPECT_EQ(nombres, (V{"a1", largo254}));
    for (auto enumerar : {&clsReg::EnumerarSecciones, &clsReg::EnumerarValores}) {
        V otros{"viejo"};
        cuenta = 7;
        EXPECT_TRUE((b_.En("SOFTWARE\\No").*enumerar)(otros, cuenta));
        EXPECT_EQ(cuenta, 0);
        EXPECT_EQ(otros, V{});
    }
}

TEST_F(ClsReg, AsociacionConLosValoresPorDefectoEscribeCuatroClavesBajoCadaRaiz) {
    b_.Reg.CreateEXEAssociation("  C:\\Orvanto\\orvantoo.exe ", "Orvanto.Tablas",
                                "Tablas de Orvanto", "orv");
    EXPECT_EQ(b_.Contado.Aperturas, 8) << "each key written under both roots";
    for (const auto& [raiz, base] : Raices) {
        SCOPED_TRACE(base);
        EXPECT_EQ(Texto(b_, raiz, base + ".orv"), "Orvanto.Tablas\0"s);
        EXPECT_EQ(Texto(b_, raiz, base + "Orvanto.Tablas"), "Tablas de Orvanto\0"s);
        EXPECT_EQ(Texto(b_, raiz, base + "Orvanto.Tablas\\shell\\open"), "&Open\0"s);
        EXPECT_EQ(Texto(b_, raiz, base + "Orvanto.Tablas\\shell\\open\\command"),
                  "\"C:\\Orvanto\\orvantoo.exe\" \"%1\"\0"s);
    }
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, ""), (V{".orv", "Orvanto.Tablas"}));
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, ".orv"), V{});
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, "Orvanto.Tablas"), V{"shell"});
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, "Orvanto.Tablas\\shell"), V{"open"});
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, "Orvanto.Tablas\\shell\\open"), V{"command"});
    EXPECT_EQ(b_.Subclaves(HKLM, "SOFTWARE"), V{"Classes"}) << "nothing beside the classes";
    EXPECT_EQ(b_.Reg.ClaseClave(), HKLM);
    EXPECT_EQ(b_.Reg.TipoValor(), REG_SZ);
    EXPECT_EQ(b_.Reg.ValorClave(), "");
    EXPECT_EQ(b_.Reg.SeccionClave(), "Orvanto.Tablas\\shell\\open\\command");
}

// A reference in the program's path makes its commands REG_EXPAND_SZ. Verbs
// added later are written under both roots; one that fails is skipped.
TEST_F(ClsReg, AsociacionConTodosLosVerbosYReferenciaEnLaRutaYVerbosAdicionales) {
    b_.Reg.CreateEXEAssociation("\"%ORV%/orvantoo\"", "Orv.T", "T", "orv", "", true, "", true,
                                "Nuevo &registro", true, "", 0);
    EXPECT_EQ(b_.Reg.SeccionClave(), "Orv.T\\DefaultIcon");
    b_.Reg.ClaseClave(HKEY_CLASSES_ROOT);
    b_.Reg.CreateAdditionalEXEAssociations(
        "Orv.T", {"mal\nnombre", "&Mal", "m", "ver", "&Ver", "\"x.exe\" /v \"%1\""});
    const auto texto = [&](const std::string& s) { return Texto(b_, HKEY_CLASSES_ROOT, s); };
    EXPECT_EQ(texto("Orv.T\\shell\\open"), "&Open\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\print"), "&Print\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\print\\command"), "\"%ORV%/orvantoo\" /p \"%1\"\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\add"), "&Install orv\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\add\\command"), "\"%ORV%/orvantoo\" /a \"%1\"\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\new"), "Nuevo &registro\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\new\\command"), "\"%ORV%/orvantoo\" /n \"%1\"\0"s);
    EXPECT_EQ(texto("Orv.T\\DefaultIcon"), "\"%ORV%/orvantoo\",0\0"s);
    EXPECT_EQ(b_.Leer(HKEY_CLASSES_ROOT, "Orv.T\\shell\\open\\command").Tipo,
              std::uint32_t(REG_EXPAND_SZ));
    EXPECT_EQ(b_.Leer(HKEY_CLASSES_ROOT, "Orv.T\\shell\\open").Tipo, std::uint32_t(REG_SZ));
    for (const auto& [raiz, base] : Raices) {
        EXPECT_EQ(Texto(b_, raiz, base + "Orv.T\\shell\\ver"), "&Ver\0"s);
        EXPECT_EQ(Texto(b_, raiz, base + "Orv.T\\shell\\ver\\command"), "\"x.exe\" /v \"%1\"\0"s);
    }
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, "Orv.T\\shell"),
              (V{"add", "new", "open", "print", "ver"}));
    EXPECT_EQ(b_.Reg.ClaseClave(), HKLM);
    EXPECT_EQ(b_.Reg.SeccionClave(), "Orv.T\\shell\\ver\\command");
}

} // namespace
} // namespace vesmadur
