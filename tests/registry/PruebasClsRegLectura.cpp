#include "ColmenaTemporal.h"
#include "RegistroContado.h"
#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace std::string_literals;
using prueba::B;
using prueba::CarpetaTemporal;
using prueba::EscribirBytes;
using prueba::PonerCrudo;

constexpr const char* Seccion = "SOFTWARE\\Vesmadur\\Lectura";

// A hive with one value of the given type and bytes, read through clsReg.
class ClsRegValor : public ::testing::Test {
protected:
    Variante Leer(std::uint32_t tipo, const Bytes& datos) {
        PonerCrudo(ops_, HKEY_LOCAL_MACHINE, Seccion, "v", tipo, datos);
        reg_.ClaseClave(HKEY_LOCAL_MACHINE);
        reg_.SeccionClave(Seccion);
        reg_.ValorClave("v");
        return reg_.Valor();
    }

    void TearDown() override { EXPECT_TRUE(contado_.Abiertas.empty()) << "a key stayed open"; }

    CarpetaTemporal carpeta_;
    RegistroArchivo ops_{carpeta_.Hive()};
    prueba::RegistroContado contado_{ops_};
    clsReg reg_{contado_};
};

TEST_F(ClsRegValor, ObjetoNuevoEmpiezaVacio) {
    EXPECT_EQ(reg_.ClaseClave(), 0);
    EXPECT_EQ(reg_.SeccionClave(), "");
    EXPECT_EQ(reg_.ValorClave(), "");
    EXPECT_TRUE(reg_.Defecto().EsNulo());
    EXPECT_EQ(reg_.TipoValor(), 0);
}

TEST_F(ClsRegValor, RaizCeroLeeDefectoYNoHayClave) {
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, Seccion, "v", REG_SZ, B("x\0"s));
    reg_.SeccionClave(Seccion);
    reg_.ValorClave("v");
    reg_.Defecto("nada");
    EXPECT_EQ(reg_.Valor(), Variante("nada"));
    EXPECT_FALSE(reg_.HaySeccionClave());
    reg_.ClaseClave(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(reg_.HaySeccionClave());
}

TEST_F(ClsRegValor, TextoDeOchoConSuCeroFinal) {
    EXPECT_EQ(Leer(REG_SZ, B("C:\\Temp\0"s)), Variante("C:\\Temp"));
    EXPECT_EQ(reg_.TipoValor(), REG_SZ);
}

TEST_F(ClsRegValor, ListaDeTextosQuedaUnidaPorCeros) {
    EXPECT_EQ(Leer(REG_MULTI_SZ, B("a\0b\0\0"s)), Variante("a\0b"s));
    EXPECT_EQ(reg_.TipoValor(), REG_MULTI_SZ);
}

TEST_F(ClsRegValor, TextoPierdeTodosLosCerosFinales) {
    EXPECT_EQ(Leer(REG_SZ, B("abc\0\0"s)), Variante("abc"));
}

TEST_F(ClsRegValor, TextoSinCeroFinalPierdeSuUltimoByte) {
    EXPECT_EQ(Leer(REG_SZ, B("abc")), Variante("ab"));
}

TEST_F(ClsRegValor, TextoVacioSinBytes) {
    EXPECT_EQ(Leer(REG_SZ, {}), Variante(""));
}

TEST_F(ClsRegValor, DwordEnAmbosOrdenes) {
    const auto uno = Leer(REG_DWORD, B({1, 0, 0, 0}));
    ASSERT_NE(std::get_if<std::int32_t>(&uno.Valor()), nullptr);
    EXPECT_EQ(uno, Variante(std::int32_t{1}));
    EXPECT_EQ(Leer(REG_DWORD_BIG_ENDIAN, B({1, 0, 0, 0})), Variante(std::int32_t{16777216}));
    EXPECT_EQ(reg_.TipoValor(), REG_DWORD_BIG_ENDIAN);
    EXPECT_EQ(Leer(REG_DWORD, B({0xFF, 0xFF, 0xFF, 0xFF})), Variante(std::int32_t{-1}));
}

TEST_F(ClsRegValor, DwordDeOtroTamanoNoLeeMasDeCuatroBytes) {
    EXPECT_EQ(Leer(REG_DWORD, B({7, 1})), Variante(std::int32_t{263}));
    EXPECT_EQ(Leer(REG_DWORD, B({1, 0, 0, 0, 9, 9, 9, 9})), Variante(std::int32_t{0}));
}

TEST_F(ClsRegValor, TextoExpandibleReemplazaVariables) {
    ::setenv("VESMADUR_PRUEBA_CARPETA", "/srv/orvanto", 1);
    EXPECT_EQ(Leer(REG_EXPAND_SZ, B("%VESMADUR_PRUEBA_CARPETA%\\config\0"s)),
              Variante("/srv/orvanto\\config"));
    EXPECT_EQ(reg_.TipoValor(), REG_EXPAND_SZ);
    EXPECT_EQ(Leer(REG_EXPAND_SZ, B("%VESMADUR_NO_EXISTE%\\x\0"s)),
              Variante("%VESMADUR_NO_EXISTE%\\x"));
}

TEST_F(ClsRegValor, BinarioYTiposDesconocidosSonBytes) {
    EXPECT_EQ(Leer(REG_BINARY, B({1, 2, 3})), Variante(B({1, 2, 3})));
    EXPECT_EQ(Leer(REG_NONE, B({0})), Variante(B({0})));
    EXPECT_EQ(Leer(0x12345678, B({9, 8})), Variante(B({9, 8})));
    EXPECT_EQ(reg_.TipoValor(), 0x12345678);
    EXPECT_EQ(Leer(REG_BINARY, {}), Variante(Bytes{}));
}

TEST_F(ClsRegValor, ValorAusenteConservaElTipoAnterior) {
    Leer(REG_DWORD, B({1, 0, 0, 0}));
    reg_.ValorClave("no-existe");
    EXPECT_TRUE(reg_.Valor().EsNulo());
    EXPECT_EQ(reg_.TipoValor(), REG_DWORD);
    reg_.SeccionClave("SOFTWARE\\No\\Existe");
    EXPECT_TRUE(reg_.Valor().EsNulo());
    EXPECT_EQ(reg_.TipoValor(), REG_DWORD);
}

TEST_F(ClsRegValor, HayValorIgnoraElValorSinNombre) {
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, Seccion, "", REG_SZ, B("por defecto\0"s));
    reg_.ClaseClave(HKEY_LOCAL_MACHINE);
    reg_.SeccionClave(Seccion);
    EXPECT_FALSE(reg_.HayValor());
    EXPECT_EQ(reg_.Valor(), Variante("por defecto"));
    EXPECT_EQ(reg_.TipoValor(), REG_SZ);
}

TEST_F(ClsRegValor, DefectoHaceQueHayaValor) {
    Leer(REG_SZ, B("x\0"s));
    reg_.ValorClave("ausente");
    EXPECT_FALSE(reg_.HayValor());
    reg_.Defecto("respaldo");
    EXPECT_EQ(reg_.Valor(), Variante("respaldo"));
    EXPECT_TRUE(reg_.HayValor());
    reg_.Defecto(Variante(std::int32_t{0}));
    EXPECT_TRUE(reg_.HayValor());
    reg_.Defecto(Nulo{});
    EXPECT_FALSE(reg_.HayValor());
}

TEST_F(ClsRegValor, HayValorMiraElValorLeido) {
    Leer(REG_SZ, B("\0"s));
    EXPECT_TRUE(reg_.HayValor()) << "an empty text is a value, not Null";
}

// The lookup installation detection makes, against a hive written by hand.
TEST(ClsRegDeteccion, LeeLaRutaDeAplicacionSinDistinguirMayusculas) {
    CarpetaTemporal carpeta;
    EscribirBytes(carpeta.Hive(),
                  "REGEDIT4\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                  "Paths\\orvantoo.exe]\r\n"
                  "@=\"C:\\\\Orvanto\\\\orvantoo.exe\"\r\n"
                  "\"Path\"=\"C:\\\\Orvanto\\\\\"\r\n");
    RegistroArchivo ops(carpeta.Hive());
    clsReg reg(ops);
    reg.ClaseClave(HKEY_LOCAL_MACHINE);
    reg.ValorClave("path");
    reg.SeccionClave("software\\microsoft\\windows\\CurrentVersion\\app paths\\orvantoo.exe");
    ASSERT_TRUE(reg.HayValor());
    EXPECT_EQ(reg.Valor().ComoTexto(), "C:\\Orvanto\\");
    EXPECT_EQ(reg.TipoValor(), REG_SZ);

    reg.SeccionClave("software\\microsoft\\windows\\CurrentVersion\\app paths\\orvantod.exe");
    EXPECT_FALSE(reg.HayValor());
    EXPECT_EQ(reg.Valor().ComoTexto(), "");
}

TEST(ClsRegDeteccion, SinArchivoNoHayNada) {
    CarpetaTemporal carpeta;
    RegistroArchivo ops(carpeta.Hive());
    clsReg reg(ops);
    reg.ClaseClave(HKEY_LOCAL_MACHINE);
    reg.ValorClave("path");
    reg.SeccionClave("software\\microsoft\\windows\\CurrentVersion\\app paths\\orvantoo.exe");
    EXPECT_FALSE(reg.HayValor());
    EXPECT_FALSE(reg.HaySeccionClave());
    EXPECT_FALSE(std::filesystem::exists(carpeta.Hive()));
}

} // namespace
} // namespace vesmadur
