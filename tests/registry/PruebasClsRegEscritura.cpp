#include "ColmenaTemporal.h"
#include "RegistroContado.h"
#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <gtest/gtest.h>
#include <new>

namespace vesmadur {
namespace {

using namespace std::string_literals;
using prueba::B;
using prueba::CarpetaTemporal;
using prueba::LeerBytes;
using prueba::LeerCrudo;
using prueba::PonerCrudo;
using prueba::RegistroContado;

// clsReg over a fresh hive, through a counter that sees every key opened.
class ClsRegEscritura : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(contado_.Abiertas.empty()) << "a key stayed open"; }

    clsReg Nuevo(std::int32_t raiz, const std::string& seccion, const std::string& valor = "") {
        clsReg reg(contado_);
        reg.ClaseClave(raiz);
        reg.SeccionClave(seccion);
        reg.ValorClave(valor);
        return reg;
    }

    // Runs `accion`, which must raise, and returns what it raised.
    template <class Accion> ErrorRegistro Error(Accion&& accion) {
        try {
            accion();
        } catch (const ErrorRegistro& e) {
            return e;
        }
        ADD_FAILURE() << "nothing raised";
        return {0, "", ""};
    }

    CarpetaTemporal carpeta_;
    RegistroArchivo ops_{carpeta_.Hive()};
    RegistroContado contado_{ops_};
};

TEST_F(ClsRegEscritura, CrearClaveCreaPadresYNoCambiaLaQueExiste) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vesmadur\\Uno\\Dos");
    EXPECT_TRUE(reg.CrearClave());
    EXPECT_TRUE(reg.HaySeccionClave());
    const auto antes = LeerBytes(carpeta_.Hive());
    reg.SeccionClave("software\\VESMADUR\\uno\\dos");
    EXPECT_TRUE(reg.CrearClave());
    EXPECT_EQ(LeerBytes(carpeta_.Hive()), antes);
}

TEST_F(ClsRegEscritura, CrearClaveFallidaDiceLaSeccion) {
    auto reg = Nuevo(0, "SOFTWARE\\X");
    const auto e = Error([&] { reg.CrearClave(); });
    EXPECT_EQ(e.Numero, 26001);
    EXPECT_EQ(e.Origen, "clsReg.CrearClave");
    EXPECT_EQ(e.Descripcion, "Fallo al crear la clave de registro: 'SOFTWARE\\X'");
}

TEST_F(ClsRegEscritura, BorrarClaveConSubclavesSeNiega) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B");
    reg.CrearClave();
    reg.SeccionClave("SOFTWARE\\A");
    const auto e = Error([&] { reg.BorrarClave(); });
    EXPECT_EQ(e.Numero, 26001);
    EXPECT_EQ(e.Origen, "clsReg.BorrarClave");
    EXPECT_EQ(e.Descripcion,
              "Fallo al borrar la clave de registro: '-2147483646',Section: 'SOFTWARE\\A");
    EXPECT_TRUE(reg.HaySeccionClave());
    reg.SeccionClave("SOFTWARE\\A\\B");
    EXPECT_TRUE(reg.BorrarClave());
    EXPECT_FALSE(reg.HaySeccionClave());
    reg.SeccionClave("SOFTWARE\\A");
    EXPECT_TRUE(reg.BorrarClave());
    EXPECT_FALSE(reg.HaySeccionClave());
}

TEST_F(ClsRegEscritura, BorrarValorDeClaveAusente) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\No", "v");
    const auto e = Error([&] { reg.BorrarValor(); });
    EXPECT_EQ(e.Numero, 26001);
    EXPECT_EQ(e.Origen, "clsRegistro.BorrarValor");
    EXPECT_EQ(e.Descripcion,
              "Fallo al abrir la clave '-2147483646',Section: 'SOFTWARE\\No' para acceso de "
              "borrado.");
}

TEST_F(ClsRegEscritura, BorrarValorAusenteYPresente) {
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\S", "si", REG_SZ, B("1\0"s));
    auto reg = Nuevo(HKEY_CLASSES_ROOT, "x", "no");
    reg.ClaseClave(HKEY_LOCAL_MACHINE);
    reg.SeccionClave("SOFTWARE\\S");
    const auto e = Error([&] { reg.BorrarValor(); });
    EXPECT_EQ(e.Numero, 26001);
    EXPECT_EQ(e.Origen, "clsRegistro.BorrarValor");
    EXPECT_EQ(e.Descripcion,
              "Fallo al borrar la clave de registro: '-2147483646',Section: 'SOFTWARE\\S',Key: "
              "'no'");
    reg.ValorClave("SI");
    EXPECT_TRUE(reg.BorrarValor());
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\S", "si").Resultado,
              ERROR_FILE_NOT_FOUND);
}

TEST_F(ClsRegEscritura, ValorTextoSinReferenciaEsRegSz) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t");
    reg.TipoValor(REG_SZ);
    reg.Valor("C:\\Temp");
    auto c = LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t");
    EXPECT_EQ(c.Tipo, static_cast<std::uint32_t>(REG_SZ));
    EXPECT_EQ(c.Datos, B("C:\\Temp\0"s));
    EXPECT_EQ(c.Datos.size(), 8u);
}

// The stored type follows the text: a '%' with another at least two places on.
TEST_F(ClsRegEscritura, ReglaDeContenidoDeRegExpandSz) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t");
    const auto tipo = [&](std::int32_t pedido, const std::string& texto) {
        reg.TipoValor(pedido);
        reg.Valor(texto);
        return static_cast<std::int32_t>(
            LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t").Tipo);
    };
    EXPECT_EQ(tipo(REG_SZ, "%TEMP%\\x"), REG_EXPAND_SZ);
    EXPECT_EQ(tipo(REG_SZ, "100%%"), REG_SZ);
    EXPECT_EQ(tipo(REG_SZ, "a%%b"), REG_SZ);
    EXPECT_EQ(tipo(REG_SZ, "%a%"), REG_EXPAND_SZ);
    EXPECT_EQ(tipo(REG_SZ, "50% y 20%"), REG_EXPAND_SZ);
    EXPECT_EQ(tipo(REG_EXPAND_SZ, "sin referencias"), REG_SZ);
    EXPECT_EQ(tipo(REG_EXPAND_SZ, "%"), REG_SZ);
}

TEST_F(ClsRegEscritura, ValorNumericoYNuloComoTexto) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t");
    reg.TipoValor(REG_SZ);
    reg.Valor(Variante(std::int32_t{-42}));
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t").Datos, B("-42\0"s));
    reg.Valor(Variante());
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "t").Datos, B("\0"s));
}

TEST_F(ClsRegEscritura, EnteroCortoSeGuardaComoDword) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "n");
    reg.TipoValor(REG_DWORD_BIG_ENDIAN);
    reg.Valor(Variante(std::int16_t{5}));
    auto c = LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "n");
    EXPECT_EQ(c.Tipo, static_cast<std::uint32_t>(REG_DWORD));
    EXPECT_EQ(c.Datos, B({5, 0, 0, 0}));
    reg.TipoValor(REG_DWORD);
    reg.Valor(Variante(std::int32_t{-2}));
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "n").Datos,
              B({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(reg.Valor(), Variante(std::int32_t{-2}));
}

TEST_F(ClsRegEscritura, DwordDeOtraClaseDeValorSeNiega) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "n");
    reg.TipoValor(REG_DWORD);
    EXPECT_EQ(Error([&] { reg.Valor("5"); }).Numero, ErrPonerValor);
    EXPECT_EQ(Error([&] { reg.Valor(Variante(std::int64_t{5})); }).Numero, ErrPonerValor);
}

TEST_F(ClsRegEscritura, BinarioExigeBytes) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "b");
    reg.TipoValor(REG_BINARY);
    reg.Valor(B({1, 2, 3}));
    auto c = LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "b");
    EXPECT_EQ(c.Tipo, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(c.Datos, B({1, 2, 3}));
    const auto e = Error([&] { reg.Valor("abc"); });
    EXPECT_EQ(e.Numero, 26001);
    EXPECT_EQ(e.Origen, "");
    EXPECT_EQ(e.Descripcion, DescripcionGenerica);
}

TEST_F(ClsRegEscritura, TipoQueNoSeEscribeDaElErrorDeValor) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "m");
    reg.TipoValor(REG_MULTI_SZ);
    const auto e = Error([&] { reg.Valor("x"); });
    EXPECT_EQ(e.Numero, -2147194455);
    EXPECT_EQ(e.Origen, "clsReg.Valor");
    EXPECT_EQ(e.Descripcion, "Fallo al poner el valor de registro de la clave: "
                             "'-2147483646',Section: 'SOFTWARE\\W',Key: 'm' to value: 'x'");
    EXPECT_TRUE(reg.HaySeccionClave()) << "the key is created before the type is looked at";
}

TEST_F(ClsRegEscritura, ValorSinClaveDaElErrorDeClave) {
    auto reg = Nuevo(0, "SOFTWARE\\W", "v");
    reg.TipoValor(REG_SZ);
    const auto e = Error([&] { reg.Valor("abc"); });
    EXPECT_EQ(e.Numero, 26001);
    EXPECT_EQ(e.Origen, "clsReg.Valor");
    EXPECT_EQ(e.Descripcion, "Fallo al poner el valor de registro: '0',Section: "
                             "'SOFTWARE\\W',Key: 'v' al valor: 'abc'");
}

TEST_F(ClsRegEscritura, FalloAlGuardarCierraLaClave) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\W", "v");
    reg.TipoValor(REG_SZ);
    contado_.FalloPonerValor = ERROR_ACCESS_DENIED;
    EXPECT_EQ(Error([&] { reg.Valor("abc"); }).Numero, ErrPonerValor);
}

TEST_F(ClsRegEscritura, EnumerarValoresEnOrdenDeCreacion) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\E");
    std::vector<std::string> nombres{"viejo"};
    std::int32_t cuenta = 7;
    EXPECT_TRUE(reg.EnumerarValores(nombres, cuenta));
    EXPECT_EQ(cuenta, 0);
    EXPECT_TRUE(nombres.empty());

    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\E", "b", REG_SZ, B("\0"s));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\E", "a", REG_SZ, B("\0"s));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\E", "", REG_SZ, B("\0"s));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\E", "nombre largo", REG_SZ, B("\0"s));
    EXPECT_TRUE(reg.EnumerarValores(nombres, cuenta));
    EXPECT_EQ(cuenta, 4);
    EXPECT_EQ(nombres, (std::vector<std::string>{"b", "a", "", "nombre largo"}));
}

TEST_F(ClsRegEscritura, EnumerarSeccionesSeDetieneEnUnNombreDe255) {
    const std::string largo254(254, 'B');
    const std::string largo255(255, 'C');
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "");
    for (const auto& nombre : {"a1"s, "d1"s, largo255, largo254}) {
        reg.SeccionClave("SOFTWARE\\S\\" + nombre);
        reg.CrearClave();
    }
    reg.SeccionClave("SOFTWARE\\S");
    std::vector<std::string> nombres;
    std::int32_t cuenta = 0;
    EXPECT_TRUE(reg.EnumerarSecciones(nombres, cuenta));
    EXPECT_EQ(cuenta, 2);
    EXPECT_EQ(nombres, (std::vector<std::string>{"a1", largo254}));

    reg.SeccionClave("SOFTWARE\\No");
    EXPECT_TRUE(reg.EnumerarSecciones(nombres, cuenta));
    EXPECT_EQ(cuenta, 0);
    EXPECT_TRUE(nombres.empty());
}

TEST_F(ClsRegEscritura, EnumerarSeccionesSinMemoriaDaSuError) {
    auto reg = Nuevo(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes");
    contado_.AntesDeEnumerarClave = [] { throw std::bad_alloc(); };
    std::vector<std::string> nombres;
    std::int32_t cuenta = 0;
    const auto e = Error([&] { reg.EnumerarSecciones(nombres, cuenta); });
    EXPECT_EQ(e.Numero, -2147194454);
    EXPECT_EQ(e.Origen, "pruebas_registrycRegistry.EnumerarSecciones");
    EXPECT_EQ(e.Descripcion, std::bad_alloc().what());
}

// The four keys the defaults write, as seen under one root.
void ComprobarAsociacion(OperacionesRegistro& ops, std::int32_t raiz, const std::string& base) {
    SCOPED_TRACE(base);
    const auto texto = [&](const std::string& seccion) {
        auto c = LeerCrudo(ops, raiz, base + seccion, "");
        EXPECT_EQ(c.Resultado, 0) << seccion;
        return std::string(c.Datos.begin(), c.Datos.end());
    };
    EXPECT_EQ(texto(".orv"), "Orvanto.Tablas\0"s);
    EXPECT_EQ(texto("Orvanto.Tablas"), "Tablas de Orvanto\0"s);
    EXPECT_EQ(texto("Orvanto.Tablas\\shell\\open"), "&Open\0"s);
    EXPECT_EQ(texto("Orvanto.Tablas\\shell\\open\\command"),
              "\"C:\\Orvanto\\orvantoo.exe\" \"%1\"\0"s);
}

std::vector<std::string> Subclaves(OperacionesRegistro& ops, std::int32_t raiz,
                                   const std::string& seccion) {
    clsReg reg(ops);
    reg.ClaseClave(raiz);
    reg.SeccionClave(seccion);
    std::vector<std::string> nombres;
    std::int32_t cuenta = 0;
    reg.EnumerarSecciones(nombres, cuenta);
    return nombres;
}

TEST_F(ClsRegEscritura, AsociacionConLosValoresPorDefectoEscribeCuatroClavesBajoCadaRaiz) {
    clsReg reg(contado_);
    reg.CreateEXEAssociation("  C:\\Orvanto\\orvantoo.exe ", "Orvanto.Tablas", "Tablas de Orvanto",
                             "orv");
    ComprobarAsociacion(ops_, HKEY_CLASSES_ROOT, "");
    ComprobarAsociacion(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\");
    using V = std::vector<std::string>;
    EXPECT_EQ(Subclaves(ops_, HKEY_CLASSES_ROOT, ""), (V{".orv", "Orvanto.Tablas"}));
    EXPECT_EQ(Subclaves(ops_, HKEY_CLASSES_ROOT, "Orvanto.Tablas"), V{"shell"});
    EXPECT_EQ(Subclaves(ops_, HKEY_CLASSES_ROOT, "Orvanto.Tablas\\shell"), V{"open"});
    EXPECT_EQ(Subclaves(ops_, HKEY_CLASSES_ROOT, "Orvanto.Tablas\\shell\\open"), V{"command"});
    EXPECT_TRUE(Subclaves(ops_, HKEY_CLASSES_ROOT, ".orv").empty());

    EXPECT_EQ(reg.ClaseClave(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.TipoValor(), REG_SZ);
    EXPECT_EQ(reg.ValorClave(), "");
    EXPECT_EQ(reg.SeccionClave(), "Orvanto.Tablas\\shell\\open\\command");
    EXPECT_EQ(contado_.Aperturas, 8);
}

TEST_F(ClsRegEscritura, AsociacionConTodosLosVerbos) {
    clsReg reg(contado_);
    reg.CreateEXEAssociation("\"/opt/orvanto/orvantoo\"", "Orv.T", "T", "orv", "", true, "", true,
                             "Nuevo &registro", true, "", 0);
    const auto texto = [&](const std::string& seccion) {
        const auto d = LeerCrudo(ops_, HKEY_CLASSES_ROOT, seccion, "").Datos;
        return std::string(d.begin(), d.end() - (d.empty() ? 0 : 1));
    };
    EXPECT_EQ(texto("Orv.T\\shell\\open"), "&Open");
    EXPECT_EQ(texto("Orv.T\\shell\\print"), "&Print");
    EXPECT_EQ(texto("Orv.T\\shell\\print\\command"), "\"/opt/orvanto/orvantoo\" /p \"%1\"");
    EXPECT_EQ(texto("Orv.T\\shell\\add"), "&Install orv");
    EXPECT_EQ(texto("Orv.T\\shell\\add\\command"), "\"/opt/orvanto/orvantoo\" /a \"%1\"");
    EXPECT_EQ(texto("Orv.T\\shell\\new"), "Nuevo &registro");
    EXPECT_EQ(texto("Orv.T\\shell\\new\\command"), "\"/opt/orvanto/orvantoo\" /n \"%1\"");
    EXPECT_EQ(texto("Orv.T\\DefaultIcon"), "\"/opt/orvanto/orvantoo\",0");
    EXPECT_EQ(reg.SeccionClave(), "Orv.T\\DefaultIcon");
}

TEST_F(ClsRegEscritura, AsociacionConReferenciaEnLaRutaEsExpandible) {
    clsReg reg(contado_);
    reg.CreateEXEAssociation("%ProgramFiles%\\Orvanto\\orvantoo.exe", "Orv.T", "T", "orv");
    const auto comando = LeerCrudo(ops_, HKEY_CLASSES_ROOT, "Orv.T\\shell\\open\\command", "");
    EXPECT_EQ(comando.Tipo, static_cast<std::uint32_t>(REG_EXPAND_SZ));
    EXPECT_EQ(LeerCrudo(ops_, HKEY_CLASSES_ROOT, "Orv.T\\shell\\open", "").Tipo,
              static_cast<std::uint32_t>(REG_SZ));
}

TEST_F(ClsRegEscritura, AsociacionQueFallaSeDetiene) {
    clsReg reg(contado_);
    contado_.FalloPonerValor = ERROR_ACCESS_DENIED;
    const auto e = Error([&] { reg.CreateEXEAssociation("x", "Orv.T", "T", "orv"); });
    EXPECT_EQ(e.Numero, ErrPonerValor);
    EXPECT_EQ(e.Descripcion, "Fallo al poner el valor de registro de la clave: "
                             "'-2147483648',Section: '.orv',Key: '' to value: 'Orv.T'");
    EXPECT_EQ(contado_.Aperturas, 1);
}

TEST_F(ClsRegEscritura, AsociacionesAdicionalesPidenTriples) {
    clsReg reg(contado_);
    const auto e = Error([&] { reg.CreateAdditionalEXEAssociations("Orv.T", {"a", "b"}); });
    EXPECT_EQ(e.Numero, -2147194452);
    EXPECT_EQ(e.Origen, "pruebas_registry.clsReg");
    EXPECT_EQ(e.Descripcion, "Invalid parameter list passed to CreateAdditionalEXEAssociations - "
                             "expected Name/Text/Command");
    EXPECT_EQ(reg.SeccionClave(), "");
}

TEST_F(ClsRegEscritura, AsociacionesAdicionalesExigenLaClase) {
    clsReg reg(contado_);
    const auto e = Error([&] {
        reg.CreateAdditionalEXEAssociations("Orv.T", {"ver", "&Ver", "v %1"});
    });
    EXPECT_EQ(e.Numero, -2147194451);
    EXPECT_EQ(e.Origen, "pruebas_registry.clsReg");
    EXPECT_EQ(e.Descripcion,
              "Error - attempt to create additional associations before class defined.");
    EXPECT_EQ(Subclaves(ops_, HKEY_CLASSES_ROOT, ""), std::vector<std::string>{});
}

TEST_F(ClsRegEscritura, AsociacionesAdicionalesBajoAmbasRaices) {
    clsReg reg(contado_);
    reg.CreateEXEAssociation("x.exe", "Orv.T", "T", "orv");
    reg.ClaseClave(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations("Orv.T", {"ver", "&Ver", "\"x.exe\" /v \"%1\""});
    for (const auto& [raiz, base] : {std::pair{HKEY_CLASSES_ROOT, ""s},
                                     std::pair{HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\"s}}) {
        EXPECT_EQ(LeerCrudo(ops_, raiz, base + "Orv.T\\shell\\ver", "").Datos, B("&Ver\0"s));
        EXPECT_EQ(LeerCrudo(ops_, raiz, base + "Orv.T\\shell\\ver\\command", "").Datos,
                  B("\"x.exe\" /v \"%1\"\0"s));
    }
    EXPECT_EQ(reg.ClaseClave(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.SeccionClave(), "Orv.T\\shell\\ver\\command");
}

TEST_F(ClsRegEscritura, AsociacionesAdicionalesSiguenTrasUnFallo) {
    clsReg reg(contado_);
    reg.CreateEXEAssociation("x.exe", "Orv.T", "T", "orv");
    const std::string nombreInvalido = "mal\nnombre";
    reg.ClaseClave(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations(
        "Orv.T", {Variante(nombreInvalido), "&Mal", "m", "ver", "&Ver", "v"});
    EXPECT_EQ(LeerCrudo(ops_, HKEY_CLASSES_ROOT, "Orv.T\\shell\\ver", "").Datos, B("&Ver\0"s));
    EXPECT_EQ(Subclaves(ops_, HKEY_CLASSES_ROOT, "Orv.T\\shell"),
              (std::vector<std::string>{"open", "ver"}));
}

} // namespace
} // namespace vesmadur
