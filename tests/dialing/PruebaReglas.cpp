#include "dialing/Marcaciones.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

// One row of the worked-examples table: the stored number, whether it is
// old-style, and what the rewrite gives.
struct Ejemplo {
    const char* Guardado;
    bool Antiguo;
    const char* Resultado;
};

void PrintTo(const Ejemplo& e, std::ostream* os) {
    *os << '"' << e.Guardado << '"';
}

class ReglaMarcacion : public testing::TestWithParam<Ejemplo> {};

TEST_P(ReglaMarcacion, ClasificaYAjustaComoLaTabla) {
    const auto& e = GetParam();
    EXPECT_EQ(EsMarcacionAntigua(e.Guardado), e.Antiguo);
    EXPECT_EQ(AjustarNumero(e.Guardado), e.Resultado);
    // Every old-style value changes under the rewrite and no other does: the
    // count equals the entries the run will change.
    EXPECT_EQ(AjustarNumero(e.Guardado) != e.Guardado, e.Antiguo);
}

INSTANTIATE_TEST_SUITE_P(
    EjemplosResueltos, ReglaMarcacion,
    testing::Values(Ejemplo{"015512345678", true, "5512345678"},
                    Ejemplo{"0445512345678", true, "5512345678"},
                    Ejemplo{"0455512345678", true, "5512345678"},
                    Ejemplo{"0144123456", true, "44123456"}, Ejemplo{"0101234", true, "01234"},
                    Ejemplo{"04412", true, "12"}, Ejemplo{"01", true, ""}, Ejemplo{"045", true, ""},
                    Ejemplo{"5512345678", false, "5512345678"}, Ejemplo{"04", false, "04"},
                    Ejemplo{"0044123456", false, "0044123456"}, Ejemplo{"", false, ""}));

// The stored text is compared exactly: no trimming, no other prefixes.
INSTANTIATE_TEST_SUITE_P(TextoTalComoEsta, ReglaMarcacion,
                         testing::Values(Ejemplo{" 015512345678", false, " 015512345678"},
                                         Ejemplo{"01015512345678", true, "015512345678"},
                                         Ejemplo{"044", true, ""}, Ejemplo{"0", false, "0"},
                                         Ejemplo{"046123", false, "046123"},
                                         Ejemplo{"01-55-1234", true, "-55-1234"},
                                         Ejemplo{"0455", true, "5"}));

TEST(ReglaMarcacionVariante, NuloYNumerosNoSonAntiguos) {
    EXPECT_FALSE(EsMarcacionAntigua(Variante(Nulo{})));
    EXPECT_FALSE(EsMarcacionAntigua(Variante(std::int64_t{15512345678})));
    EXPECT_TRUE(EsMarcacionAntigua(Variante("045123")));
    EXPECT_FALSE(EsMarcacionAntigua(Variante("")));
}

} // namespace
} // namespace vesmadur
