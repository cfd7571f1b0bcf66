// The .reg text: what the reader takes and how the writer puts it back.
#include "registry/FormatoReg.h"

#include "BancoRegistro.h"

namespace vesmadur {
namespace {

using namespace prueba;

// A readable text, as the writer puts the hive it holds; that text reads back the same.
struct Legible : Fila {
    std::string Texto, Escrito;
};
struct FormatoRegLegible : ::testing::TestWithParam<Legible> {};

TEST_P(FormatoRegLegible, SeLeeComoLaColmenaQueSeEscribe) {
    const auto& p = GetParam();
    for (const auto& texto : {p.Texto, p.Escrito})
        EXPECT_EQ(EscribirFormatoReg(LeerFormatoReg(texto).value_or(Colmena{})), p.Escrito);
}

const std::string K = "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\K]\n";
// clang-format off
// Hex for text that is not printable UTF-8 or lacks its one zero; a long line continued.
const std::string Hex = K + "\"Ruta\"=\"C:\\\\O\\\\\"\n\"SinCero\"=hex(1):61,62\n"
    "\"Sustituto\"=hex(1):ed,a0,80,00\n\"" + std::string(67, 'n') + "\"=hex:01,\\\n  02,03\n";
const Legible Legibles[] = {
    {"Vacio", "", "REGEDIT4\n"},
    // A byte-order mark, CRLF, a comment, blanks around '=', a continued hex line.
    {"Regedit4AMano", "\xEF\xBB\xBFREGEDIT4\r\n\r\n; a mano\r\n[hkey_classes_root\\.orv]\r\n"
     "@=\"Orv.T\"\r\n\"Cuenta\" = dword:10\r\n\"Datos\"=hex:01,\\\r\n  02\r\n",
     Clases + "@=\"Orv.T\"\n\"Cuenta\"=dword:00000010\n\"Datos\"=hex:01,02\n"},
    // Text data in hex is UTF-16 there (a pair of surrogates too), and becomes UTF-8.
    {"Version5EnUtf16", Utf16(u"Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\K]\r\n"
     u"\"ñ\"=\"ñ\"\r\n\"L\"=hex(7):61,00,00,00,f1,00,00,00,00,00\r\n"
     u"\"U\"=hex(1):41,00,3d,d8,00,de\r\n\"E\"=hex(2):25,00,00,00\r\n"),
     K + "\"ñ\"=\"ñ\"\n\"L\"=hex(7):61,00,c3,b1,00,00\n\"U\"=hex(1):41,f0,9f,98,80\n"
     "\"E\"=hex(2):25,00\n"},
    {"EscapesYHex", Hex, Hex},
    {"ContinuacionEnBlanco", "REGEDIT4\n[HKEY_USERS\\K]\n\\\n\n", K},
    {"BorradosDeClavesYValores", "REGEDIT4\n[HKEY_USERS\\K\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
     "\"X\"=-\n[HKEY_USERS\\K\\C]\n[-HKEY_USERS\\k\\c]\n[-HKEY_USERS\\NoExiste]\n",
     K + "\n[HKEY_USERS\\K\\B]\n\"y\"=\"2\"\n"},
    {"SeccionRepetidaSeUneYUnValorRepetidoConservaSuSitio", "REGEDIT4\n[HKEY_USERS\\Ωk]\n"
     "\"a\"=\"1\"\n\"b\"=\"2\"\n[hkey_users\\ωK]\n\"A\"=dword:3\n\"c\"=\"4\"\n",
     "REGEDIT4\n\n[HKEY_USERS]\n\n[HKEY_USERS\\Ωk]\n\"a\"=dword:00000003\n\"b\"=\"2\"\n"
     "\"c\"=\"4\"\n"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, FormatoRegLegible, ::testing::ValuesIn(Legibles), PorNombre);

} // namespace
} // namespace vesmadur
