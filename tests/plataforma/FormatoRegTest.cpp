// The .reg hive format on the target platform: a file read, written back and
// read again is the same hive.
#include "registry/FormatoReg.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

TEST(FormatoReg, IdaYVuelta) {
    const std::string texto =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
        "App Paths\\orvantop.exe]\r\n\"Path\"=\"C:\\\\Orvanto\\\\\"\r\n";
    const auto leida = LeerFormatoReg(texto);
    ASSERT_TRUE(leida);
    const auto escrita = EscribirFormatoReg(*leida);
    const auto releida = LeerFormatoReg(escrita);
    ASSERT_TRUE(releida);
    EXPECT_EQ(EscribirFormatoReg(*releida), escrita);
}

} // namespace
} // namespace vesmadur
