#include "ColmenaTemporal.h"
#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribirBytes;

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
    EXPECT_FALSE(std::filesystem::exists(carpeta.Hive()));
}

} // namespace
} // namespace vesmadur
