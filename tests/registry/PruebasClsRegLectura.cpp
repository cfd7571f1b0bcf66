// clsReg reading values: the conversion each type gets, Defecto and HayValor.
#include "ColmenaTemporal.h"

#include <cstdlib>

namespace vesmadur {
namespace {

using namespace prueba;

constexpr const char* Seccion = "SOFTWARE\\Vesmadur\\Lectura";

struct Conversion {
    const char* Nombre;
    std::uint32_t Tipo;
    Bytes Datos;
    Variante Esperado;
};

class ClsRegConversion : public ConBanco<::testing::TestWithParam<Conversion>> {};

TEST_P(ClsRegConversion, LeeSegunElTipoYLoAnota) {
    ::setenv("VESMADUR_PRUEBA_CARPETA", "/srv/orvanto", 1);
    b_.Poner(Seccion, "v", GetParam().Tipo, GetParam().Datos);
    EXPECT_EQ(b_.En(Seccion, "v").Valor(), GetParam().Esperado);
    EXPECT_EQ(b_.Reg.TipoValor(), static_cast<std::int32_t>(GetParam().Tipo));
}

const Conversion Conversiones[] = {
    {"OchoCaracteresYSuCero", REG_SZ, B("C:\\Datos\0"s), "C:\\Datos"},
    {"ListaUnidaPorCeros", REG_MULTI_SZ, B("a\0b\0\0"s), "a\0b"s},
    {"TextoPierdeLosCerosFinales", REG_SZ, B("abc\0\0"s), "abc"},
    {"TextoSinCeroPierdeSuUltimoByte", REG_SZ, B("abc"), "ab"},
    {"TextoSinBytes", REG_SZ, {}, ""},
    {"Dword", REG_DWORD, B({1, 0, 0, 0}), std::int32_t{1}},
    {"DwordNegativo", REG_DWORD, B({0xFF, 0xFF, 0xFF, 0xFF}), std::int32_t{-1}},
    {"DwordGranIndio", REG_DWORD_BIG_ENDIAN, B({1, 0, 0, 0}), std::int32_t{16777216}},
    {"DwordCorto", REG_DWORD, B({7, 1}), std::int32_t{263}},
    {"DwordLargoNoCabeYEsCero", REG_DWORD, B({1, 0, 0, 0, 9, 9, 9, 9}), std::int32_t{0}},
    {"ExpandibleReemplazaVariables", REG_EXPAND_SZ, B("%VESMADUR_PRUEBA_CARPETA%\\config\0"s),
     "/srv/orvanto\\config"},
    {"ExpandibleSinVariable", REG_EXPAND_SZ, B("%VESMADUR_NO_EXISTE%\\x\0"s),
     "%VESMADUR_NO_EXISTE%\\x"},
    {"ExpandibleSinDistinguirMayusculas", REG_EXPAND_SZ, B("%vesmadur_prueba_carpeta%\0"s),
     "/srv/orvanto"},
    {"ExpandibleTrasUnPorCientoSuelto", REG_EXPAND_SZ,
     B("%VESMADUR_NO_EXISTE%VESMADUR_PRUEBA_CARPETA%\0"s), "%VESMADUR_NO_EXISTE/srv/orvanto"},
    {"ExpandibleSinReferencias", REG_EXPAND_SZ, B("100%% y 50%\0"s), "100%% y 50%"},
    {"Binario", REG_BINARY, B({1, 2, 3}), B({1, 2, 3})},
    {"BinarioVacio", REG_BINARY, {}, Bytes{}},
    {"Ninguno", REG_NONE, B({0}), B({0})},
    {"TipoDesconocido", 0x12345678, B({9, 8}), B({9, 8})},
};
INSTANTIATE_TEST_SUITE_P(Tipos, ClsRegConversion, ::testing::ValuesIn(Conversiones),
                         [](const auto& i) { return std::string(i.param.Nombre); });

// The value changes between clsReg's size query and its read (or the
// environment between the two expansion calls): what is reported is the value
// as it is at the read, or Defecto when it cannot be read; never a buffer the
// registry did not fill.
struct Cambio {
    const char* Nombre;
    std::uint32_t Tipo;
    Bytes Datos;
    std::function<void(Banco&)> Cambiar;
    Variante Esperado;      // "nada" is Defecto
    std::int32_t TipoLeido; // -1: TipoValor is left as it was
    bool AlExpandir = false;
};

class ClsRegCambioEntreLlamadas : public ConBanco<::testing::TestWithParam<Cambio>> {};

TEST_P(ClsRegCambioEntreLlamadas, LeeElValorNuevoODefecto) {
    ::setenv("VESMADUR_PRUEBA_CAMBIA", "corto", 1);
    b_.Poner(Seccion, "v", GetParam().Tipo, GetParam().Datos);
    auto& gancho = GetParam().AlExpandir ? b_.Contado.AntesDeExpandir : b_.Contado.AntesDeLeer;
    gancho = [this] { GetParam().Cambiar(b_); };
    b_.En(Seccion, "v").Defecto("nada");
    b_.Reg.TipoValor(-1);
    EXPECT_EQ(b_.Reg.Valor(), GetParam().Esperado);
    EXPECT_EQ(b_.Reg.TipoValor(), GetParam().TipoLeido);
}

std::function<void(Banco&)> Pone(std::uint32_t tipo, Bytes datos) {
    return [=](Banco& b) { b.Poner(Seccion, "v", tipo, datos); };
}
void BorraLaClave(Banco& b) {
    EXPECT_EQ(b.Ops.BorrarClave(HKEY_LOCAL_MACHINE, Seccion), 0);
}
std::function<void(Banco&)> Variable(const char* valor) {
    return [=](Banco&) { ::setenv("VESMADUR_PRUEBA_CAMBIA", valor, 1); };
}

const Cambio Cambios[] = {
    {"TextoQueCrece", REG_SZ, B("ab\0"s), Pone(REG_SZ, B("abcdef\0"s)), "abcdef", REG_SZ},
    {"BinarioQueEncoge", REG_BINARY, B({1, 2, 3, 4}), Pone(REG_BINARY, B({9})), B({9}), REG_BINARY},
    {"TextoQuePasaADword", REG_SZ, B("abc\0"s), Pone(REG_DWORD, B({5, 0, 0, 0})), std::int32_t{5},
     REG_DWORD},
    {"TextoDeClaveBorrada", REG_SZ, B("abc\0"s), BorraLaClave, "nada", -1},
    {"DwordDeClaveBorrada", REG_DWORD, B({5, 0, 0, 0}), BorraLaClave, "nada", -1},
    {"VariableQueCrece", REG_EXPAND_SZ, B("%VESMADUR_PRUEBA_CAMBIA%!\0"s),
     Variable("mucho mas largo"), "mucho mas largo!", REG_EXPAND_SZ, true},
    {"VariableQueEncoge", REG_EXPAND_SZ, B("%VESMADUR_PRUEBA_CAMBIA%!\0"s), Variable("x"), "x!",
     REG_EXPAND_SZ, true},
};
INSTANTIATE_TEST_SUITE_P(Casos, ClsRegCambioEntreLlamadas, ::testing::ValuesIn(Cambios),
                         [](const auto& i) { return std::string(i.param.Nombre); });

using ClsRegLectura = ConBanco<>;

TEST_F(ClsRegLectura, SinArchivoClaveValorORaizSeLeeDefectoYElTipoQueda) {
    EXPECT_FALSE(b_.En(Seccion, "v").HaySeccionClave());
    EXPECT_FALSE(b_.Reg.HayValor());
    EXPECT_FALSE(std::filesystem::exists(b_.Carpeta.Hive())) << "reading creates no file";
    b_.Poner(Seccion, "v", REG_DWORD, B({1, 0, 0, 0}));
    b_.Reg.Valor();
    for (const auto* seccion : {Seccion, "SOFTWARE\\No\\Existe"}) {
        EXPECT_TRUE(b_.En(seccion, "no-existe").Valor().EsNulo()) << seccion;
        EXPECT_EQ(b_.Reg.TipoValor(), REG_DWORD);
    }
    b_.En(Seccion, "v", 0).Defecto("nada");
    EXPECT_EQ(b_.Reg.Valor(), Variante("nada"));
    EXPECT_FALSE(b_.Reg.HaySeccionClave());
    EXPECT_TRUE(b_.En(Seccion).HaySeccionClave());
}

TEST_F(ClsRegLectura, HayValorSegunElNombreElValorLeidoYDefecto) {
    b_.Poner(Seccion, "", REG_SZ, B("por defecto\0"s));
    b_.Poner(Seccion, "vacio", REG_SZ, B("\0"s));
    EXPECT_FALSE(b_.En(Seccion).HayValor()) << "the unnamed value never counts";
    EXPECT_EQ(b_.Reg.Valor(), Variante("por defecto"));
    EXPECT_EQ(b_.Reg.TipoValor(), REG_SZ);
    EXPECT_TRUE(b_.En(Seccion, "vacio").HayValor()) << "an empty text is a value, not Null";

    b_.En(Seccion, "ausente");
    EXPECT_FALSE(b_.Reg.HayValor());
    b_.Reg.Defecto("respaldo");
    EXPECT_EQ(b_.Reg.Valor(), Variante("respaldo"));
    EXPECT_TRUE(b_.Reg.HayValor());
    b_.Reg.Defecto(Variante(std::int32_t{0}));
    EXPECT_TRUE(b_.Reg.HayValor());
    EXPECT_FALSE(b_.En(Seccion).HayValor()) << "not even with a Defecto";
    b_.Reg.Defecto(Nulo{});
    EXPECT_FALSE(b_.En(Seccion, "ausente").HayValor());
}

} // namespace
} // namespace vesmadur
