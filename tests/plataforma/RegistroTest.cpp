// clsReg over the platform's registry: a value written, read back, listed.
#include "registry/ConstantesRegistro.h"
#include "registry/clsReg.h"
#ifdef _WIN32
#include "registry/RegistroWin32.h"
#endif

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

#ifdef _WIN32
TEST(ClsRegWin32, EscribeLeeYEnumera) {
    RegistroWin32 registro;
    clsReg reg(registro);
    reg.ClaseClave(HKEY_CURRENT_USER);
    reg.SeccionClave("Software\\VesmadurPruebas\\Basica");
    ASSERT_TRUE(reg.CrearClave());
    reg.ValorClave("Path");
    reg.TipoValor(REG_SZ);
    reg.Valor(Variante(std::string("C:\\Orvanto\\ñandú\\")));
    EXPECT_TRUE(reg.HayValor());
    EXPECT_EQ(reg.Valor().ComoTexto(), "C:\\Orvanto\\ñandú\\");
    std::vector<std::string> nombres;
    std::int32_t cuantos = 0;
    ASSERT_TRUE(reg.EnumerarValores(nombres, cuantos));
    EXPECT_EQ(cuantos, 1);
    EXPECT_TRUE(reg.BorrarValor());
    EXPECT_TRUE(reg.BorrarClave());
}
#endif

} // namespace
} // namespace vesmadur
