// The .reg text format on its own: what the parser accepts and what it makes
// of it.
#include "ColmenaTemporal.h"
#include "registry/FormatoReg.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace std::string_literals;
using prueba::B;

TEST(FormatoReg, BorradosDeClavesYValores) {
    const auto c = LeerFormatoReg("REGEDIT4\n"
                                  "[HKEY_CURRENT_USER\\A\\B]\n"
                                  "\"x\"=\"1\"\n"
                                  "\"y\"=\"2\"\n"
                                  "\"X\"=-\n"
                                  "[HKEY_CURRENT_USER\\A\\C]\n"
                                  "[-HKEY_CURRENT_USER\\a\\c]\n"
                                  "[-HKEY_CURRENT_USER\\NoExiste]\n");
    ASSERT_TRUE(c);
    const auto* b = c->Buscar({"HKEY_CURRENT_USER", "A", "B"});
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Valores.size(), 1u);
    EXPECT_EQ(b->Valores[0].Nombre, "y");
    EXPECT_EQ(c->Buscar({"HKEY_CURRENT_USER", "A", "C"}), nullptr);
}

TEST(FormatoReg, SeccionesRepetidasSeUnenYUnValorRepetidoConservaSuSitio) {
    const auto c = LeerFormatoReg("REGEDIT4\n"
                                  "[HKEY_USERS\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n"
                                  "[hkey_users\\k]\n\"A\"=dword:00000003\n\"c\"=\"4\"\n");
    ASSERT_TRUE(c);
    const auto* k = c->Buscar({"HKEY_USERS", "K"});
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Nombre, "K");
    ASSERT_EQ(k->Valores.size(), 3u);
    EXPECT_EQ(k->Valores[0].Nombre, "a");
    EXPECT_EQ(k->Valores[0].Tipo, 4u);
    EXPECT_EQ(k->Valores[2].Nombre, "c");
}

TEST(FormatoReg, VacioEsUnRegistroVacioYSinCabeceraEsIlegible) {
    EXPECT_EQ(LeerFormatoReg(""), Colmena{});
    EXPECT_TRUE(LeerFormatoReg("\xEF\xBB\xBFREGEDIT4\r\n"));
    EXPECT_TRUE(LeerFormatoReg("Windows Registry Editor Version 5.00\n"));
    EXPECT_FALSE(LeerFormatoReg("\n"));
    EXPECT_FALSE(LeerFormatoReg("REGEDIT5\n"));
    EXPECT_FALSE(LeerFormatoReg("REGEDIT4\n\"a\"=\"antes de toda clave\"\n"));
    EXPECT_FALSE(LeerFormatoReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'n') + "]\n"));
    EXPECT_TRUE(LeerFormatoReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + std::string(255, 'n') + "]\n"));
    EXPECT_FALSE(LeerFormatoReg("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"1\"\n"));
    EXPECT_FALSE(LeerFormatoReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,\n"));
    // A continuation that leads only to a blank line is nothing at all.
    EXPECT_TRUE(LeerFormatoReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\a]\n\\\n\n"));
}

// Keys nest at most 512 levels below their root. A deeper section is a
// damaged file (read as such, never walked until the stack runs out).
TEST(FormatoReg, ProfundidadLimitada) {
    const auto seccion = [](std::size_t niveles) {
        std::string ruta = "HKEY_LOCAL_MACHINE";
        for (std::size_t i = 0; i < niveles; ++i)
            ruta += "\\a";
        return "REGEDIT4\n[" + ruta + "]\n";
    };
    EXPECT_TRUE(LeerFormatoReg(seccion(512)));
    EXPECT_FALSE(LeerFormatoReg(seccion(513)));
    EXPECT_FALSE(LeerFormatoReg(seccion(100000)));
}

// Each seed of the fuzz corpus is a readable hive that survives a round trip.
TEST(FormatoReg, ElCorpusDeSemillasSeLeeYVuelveIgual) {
    int semillas = 0;
    for (const auto& e : std::filesystem::directory_iterator(VESMADUR_CORPUS_REG)) {
        SCOPED_TRACE(e.path().filename().string());
        auto leida = LeerFormatoReg(prueba::LeerBytes(e.path()));
        ASSERT_TRUE(leida);
        const auto escrita = EscribirFormatoReg(*leida);
        auto releida = LeerFormatoReg(escrita);
        ASSERT_TRUE(releida);
        EXPECT_EQ(EscribirFormatoReg(*releida), escrita);
        AsegurarClavesBase(*leida);
        AsegurarClavesBase(*releida);
        EXPECT_EQ(*leida, *releida);
        ++semillas;
    }
    EXPECT_GE(semillas, 5);
}

} // namespace
} // namespace vesmadur
