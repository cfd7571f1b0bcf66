// clsReg writing: keys, values in the form TipoValor chooses, the errors it
// raises, enumeration and file-type associations. No operation may leave a
// key open, whatever it raises.
#include "ColmenaTemporal.h"

#include <new>

namespace vesmadur {
namespace {

using namespace prueba;
using V = std::vector<std::string>;
using ClsRegEscritura = ConBanco<>;

const std::pair<std::int32_t, std::string> Raices[] = {{HKEY_CLASSES_ROOT, ""},
                                                       {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\"}};

// A stored text, its terminating zero included.
std::string Texto(Banco& b, std::int32_t raiz, const std::string& seccion) {
    const auto c = b.Leer(raiz, seccion);
    EXPECT_EQ(c.Resultado, 0) << seccion;
    return std::string(c.Datos.begin(), c.Datos.end());
}

TEST_F(ClsRegEscritura, CrearYBorrarSinDistinguirMayusculas) {
    EXPECT_TRUE(b_.En("SOFTWARE\\A\\B").CrearClave());
    EXPECT_TRUE(b_.Reg.HaySeccionClave());
    b_.Poner("SOFTWARE\\A", "si", REG_SZ, B("1\0"s));
    const auto antes = LeerBytes(b_.Carpeta.Hive());
    EXPECT_TRUE(b_.En("software\\a\\b").CrearClave());
    EXPECT_EQ(LeerBytes(b_.Carpeta.Hive()), antes) << "an existing key is left as it is";
    EXPECT_TRUE(b_.En("software\\a", "SI").BorrarValor());
    EXPECT_EQ(b_.Leer(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "si").Resultado, ERROR_FILE_NOT_FOUND);
    for (const auto* seccion : {"SOFTWARE\\a\\b", "SOFTWARE\\A"}) {
        EXPECT_TRUE(b_.En(seccion).BorrarClave());
        EXPECT_FALSE(b_.Reg.HaySeccionClave());
    }
}

struct Escritura {
    const char* Nombre;
    std::int32_t Pedido;
    Variante Valor;
    std::uint32_t Guardado;
    Bytes Datos;
};

class ClsRegGuarda : public ConBanco<::testing::TestWithParam<Escritura>> {};

TEST_P(ClsRegGuarda, ElTipoYLosBytesQueTocan) {
    b_.En("SOFTWARE\\W", "v").TipoValor(GetParam().Pedido);
    b_.Reg.Valor(GetParam().Valor);
    const auto c = b_.Leer(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "v");
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
    {"EnteroCortoEsDword", REG_DWORD_BIG_ENDIAN, std::int16_t{5}, REG_DWORD, B({5, 0, 0, 0})},
    {"DwordNegativo", REG_DWORD, std::int32_t{-2}, REG_DWORD, B({0xFE, 0xFF, 0xFF, 0xFF})},
    {"Binario", REG_BINARY, B({1, 2, 3}), REG_BINARY, B({1, 2, 3})},
};
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegGuarda, ::testing::ValuesIn(Escrituras),
                         [](const auto& i) { return std::string(i.param.Nombre); });

struct CasoError {
    const char* Nombre;
    std::function<void(Banco&)> Accion; // prepares and makes the call that raises
    std::int32_t Numero;
    std::string Origen;
    std::string Descripcion;
    std::function<void(Banco&)> Despues = nullptr;
};

class ClsRegError : public ConBanco<::testing::TestWithParam<CasoError>> {};

TEST_P(ClsRegError, NumeroOrigenYDescripcion) {
    const auto e = Capturar([&] { GetParam().Accion(b_); });
    EXPECT_EQ(e.Numero, GetParam().Numero);
    EXPECT_EQ(e.Origen, GetParam().Origen);
    EXPECT_EQ(e.Descripcion, GetParam().Descripcion);
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
         b.Subclaves(HKEY_LOCAL_MACHINE, "SOFTWARE");
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
INSTANTIATE_TEST_SUITE_P(Casos, ClsRegError, ::testing::ValuesIn(Errores),
                         [](const auto& i) { return std::string(i.param.Nombre); });

TEST_F(ClsRegEscritura, EnumerarValoresEnOrdenDeCreacion) {
    V nombres{"viejo"};
    std::int32_t cuenta = 7;
    EXPECT_TRUE(b_.En("SOFTWARE\\E").EnumerarValores(nombres, cuenta));
    EXPECT_EQ(cuenta, 0);
    EXPECT_TRUE(nombres.empty());
    for (const auto* nombre : {"b", "a", "", "nombre largo"})
        b_.Poner("SOFTWARE\\E", nombre, REG_SZ, B("\0"s));
    EXPECT_TRUE(b_.Reg.EnumerarValores(nombres, cuenta));
    EXPECT_EQ(cuenta, 4);
    EXPECT_EQ(nombres, (V{"b", "a", "", "nombre largo"}));
}

TEST_F(ClsRegEscritura, EnumerarSeccionesSeDetieneEnUnNombreDe255) {
    const std::string largo254(254, 'B'), largo255(255, 'C');
    for (const auto& nombre : {"a1"s, "d1"s, largo255, largo254})
        b_.En("SOFTWARE\\S\\" + nombre).CrearClave();
    V nombres;
    std::int32_t cuenta = 0;
    EXPECT_TRUE(b_.En("SOFTWARE\\S").EnumerarSecciones(nombres, cuenta));
    EXPECT_EQ(cuenta, 2);
    EXPECT_EQ(nombres, (V{"a1", largo254}));
    EXPECT_TRUE(b_.En("SOFTWARE\\No").EnumerarSecciones(nombres, cuenta));
    EXPECT_EQ(cuenta, 0);
    EXPECT_TRUE(nombres.empty());
}

TEST_F(ClsRegEscritura, AsociacionConLosValoresPorDefectoEscribeCuatroClavesBajoCadaRaiz) {
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
    EXPECT_EQ(b_.Reg.ClaseClave(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(b_.Reg.TipoValor(), REG_SZ);
    EXPECT_EQ(b_.Reg.ValorClave(), "");
    EXPECT_EQ(b_.Reg.SeccionClave(), "Orvanto.Tablas\\shell\\open\\command");
}

// A reference in the program's path makes its commands REG_EXPAND_SZ.
TEST_F(ClsRegEscritura, AsociacionConTodosLosVerbosYReferenciaEnLaRuta) {
    b_.Reg.CreateEXEAssociation("\"%ORV%/orvantoo\"", "Orv.T", "T", "orv", "", true, "", true,
                                "Nuevo &registro", true, "", 0);
    const auto texto = [&](const std::string& s) { return Texto(b_, HKEY_CLASSES_ROOT, s); };
    EXPECT_EQ(texto("Orv.T\\shell\\open"), "&Open\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\print"), "&Print\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\print\\command"), "\"%ORV%/orvantoo\" /p \"%1\"\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\add"), "&Install orv\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\add\\command"), "\"%ORV%/orvantoo\" /a \"%1\"\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\new"), "Nuevo &registro\0"s);
    EXPECT_EQ(texto("Orv.T\\shell\\new\\command"), "\"%ORV%/orvantoo\" /n \"%1\"\0"s);
    EXPECT_EQ(texto("Orv.T\\DefaultIcon"), "\"%ORV%/orvantoo\",0\0"s);
    EXPECT_EQ(b_.Reg.SeccionClave(), "Orv.T\\DefaultIcon");
    EXPECT_EQ(b_.Leer(HKEY_CLASSES_ROOT, "Orv.T\\shell\\open\\command").Tipo,
              std::uint32_t(REG_EXPAND_SZ));
    EXPECT_EQ(b_.Leer(HKEY_CLASSES_ROOT, "Orv.T\\shell\\open").Tipo, std::uint32_t(REG_SZ));
}

TEST_F(ClsRegEscritura, AsociacionesAdicionalesBajoAmbasRaicesSiguenTrasUnFallo) {
    b_.Reg.CreateEXEAssociation("x.exe", "Orv.T", "T", "orv");
    b_.Reg.ClaseClave(HKEY_CLASSES_ROOT);
    b_.Reg.CreateAdditionalEXEAssociations(
        "Orv.T", {"mal\nnombre", "&Mal", "m", "ver", "&Ver", "\"x.exe\" /v \"%1\""});
    for (const auto& [raiz, base] : Raices) {
        EXPECT_EQ(Texto(b_, raiz, base + "Orv.T\\shell\\ver"), "&Ver\0"s);
        EXPECT_EQ(Texto(b_, raiz, base + "Orv.T\\shell\\ver\\command"), "\"x.exe\" /v \"%1\"\0"s);
    }
    EXPECT_EQ(b_.Subclaves(HKEY_CLASSES_ROOT, "Orv.T\\shell"), (V{"open", "ver"}));
    EXPECT_EQ(b_.Reg.ClaseClave(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(b_.Reg.SeccionClave(), "Orv.T\\shell\\ver\\command");
}

} // namespace
} // namespace vesmadur
