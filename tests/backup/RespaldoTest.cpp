#include "backup/Respaldo.h"

#include "ayudas/Archivos.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// One separator before the base, with or without a trailing one in the
// folder, and no name without a folder. Names taken at d, d + 1 s and
// d + 2 s give d + 3 s, the seconds carrying into the minutes, the day, the
// month and the year, every field zero-padded on the 24-hour clock.
TEST(NombreRespaldo, SaltaSegundoASegundoLosNombresOcupados) {
    CarpetaTemporal t;
    RelojFijo reloj(Momento(2019, 12, 31, 23, 59, 58));
    auto nombre = [&](const std::string& carpeta) {
        return NombreRespaldo(carpeta, BaseRespaldo, ExtensionRespaldo, reloj);
    };
    EXPECT_EQ(nombre(""), "");
    EXPECT_EQ(nombre(t.Ruta() + "/"), t / "config/tablas20191231-235958.resp");
    for (auto sello : {"20191231-235958", "20191231-235959", "20200101-000000"})
        EscribirArchivo(t / "config/tablas" + sello + ".resp", "x");
    EXPECT_EQ(nombre(t.Ruta()), t / "config/tablas20200101-000001.resp");
}

// An installation in T with its backup name reserved at 14:25:07.
struct Instalacion {
    CarpetaTemporal T;
    RelojFijo Reloj{Momento(2019, 8, 3, 14, 25, 7)};
    std::string Dir = T.Ruta() + "/", RutaConfig = T / "config/tablas.orv", RutaRespaldo;

    Instalacion() {
        EscribirArchivo(RutaConfig, ContenidoBinario(1'200'000));
        ::chmod(RutaConfig.c_str(), 0604);
        RutaRespaldo = NombreRespaldo(T.Ruta(), BaseRespaldo, ExtensionRespaldo, Reloj);
    }
    ResultadoArchivo Respaldar(Disco& disco = DiscoDelSistema()) {
        return RespaldarConfiguracion(RutaConfig, Dir, RutaRespaldo, Reloj, disco);
    }
};

// A byte-identical copy with the source's permissions (both in the snapshot),
// the source intact. The reserved name once taken (here by that backup), the
// next backup renews it with the current time, skipping taken names again and
// touching no existing backup.
TEST(Respaldo, CopiaIdenticaYNombreOcupadoRenovado) {
    Instalacion i;
    EscribirArchivo(i.T / "config/tablas20190803-150000.resp", "otro respaldo");
    for (auto [momento, sello] : {std::pair{i.Reloj.Momento, "142507"},
                                  std::pair{Momento(2019, 8, 3, 15, 0, 0), "150001"}}) {
        i.Reloj.Momento = momento;
        auto esperado = Arbol(i.T.Ruta());
        ASSERT_TRUE(i.Respaldar());
        EXPECT_EQ(i.RutaRespaldo, i.T / "config/tablas20190803-" + sello + ".resp");
        esperado["config/tablas20190803-" + std::string(sello) + ".resp"] =
            esperado["config/tablas.orv"];
        EXPECT_EQ(Arbol(i.T.Ruta()), esperado);
    }
}

struct CasoRespaldo {
    const char* Nombre;
    void (*Preparar)(Instalacion&, DiscoConFallos&);
    friend void PrintTo(const CasoRespaldo& c, std::ostream* os) { *os << c.Nombre; }
};

class RespaldoFallido : public testing::TestWithParam<CasoRespaldo> {};

// False; the source unchanged and nothing new in the folder, so nothing the
// backup listing would take for a backup, and no temporary file either. (How
// the copy itself fails is the copy's table.)
TEST_P(RespaldoFallido, NoDejaRespaldoParcial) {
    Instalacion i;
    DiscoConFallos disco;
    GetParam().Preparar(i, disco);
    auto antes = Arbol(i.T.Ruta());
    EXPECT_FALSE(i.Respaldar(disco));
    EXPECT_EQ(Arbol(i.T.Ruta()), antes);
}

using I = Instalacion&;
using D = DiscoConFallos&;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, RespaldoFallido, testing::Values(
    CasoRespaldo{"SinConfiguracionAlArrancar", [](I i, D) { i.RutaRespaldo.clear(); }},
    CasoRespaldo{"SinRutaDeConfiguracion", [](I i, D) { i.RutaConfig.clear(); }},
    // Taken after it was reserved: never replaced, nor followed.
    CasoRespaldo{"NombreTomadoPorCarpeta", [](I i, D) { fs::create_directory(i.RutaRespaldo); }},
    CasoRespaldo{"NombreTomadoPorEnlaceRoto",
                 [](I i, D) { fs::create_symlink(i.T / "nada", i.RutaRespaldo); }},
    // The backup asks for the copy to be read back.
    CasoRespaldo{"CopiaAlterada", [](I, D d) { d.Alterar = true; }}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
