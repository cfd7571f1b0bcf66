#include "Ayudas.h"
#include "dialing/Configuracion.h"
#include "dialing/Marcaciones.h"

namespace vesmadur {
namespace {

using namespace prueba;

// The count on generated installations of several shapes equals what the
// generator wrote, and leaves the handle empty and the file as it was.
struct Forma {
    const char* Nombre;
    std::int32_t Entradas;
    double Antigua;
    double SoloPrefijo;
    double Nula;
};

void PrintTo(const Forma& f, std::ostream* os) {
    *os << f.Nombre;
}

class ConteoGenerado : public testing::TestWithParam<Forma> {};

TEST_P(ConteoGenerado, CuentaLoQueElGeneradorEscribio) {
    CarpetaTemporal carpeta;
    OpcionesGenerador o;
    o.Entradas = GetParam().Entradas;
    o.ParteAntigua = GetParam().Antigua;
    o.ParteSoloPrefijo = GetParam().SoloPrefijo;
    o.ParteNula = GetParam().Nula;
    const auto resumen = GenerarInstalacion(carpeta.Ruta(), o);
    const std::string antes = LeerBytes(resumen.RutaConfig);

    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, resumen.RutaConfig.string()), resumen.Antiguas);
    EXPECT_EQ(base, nullptr);
    EXPECT_EQ(LeerBytes(resumen.RutaConfig), antes);
}

INSTANTIATE_TEST_SUITE_P(Formas, ConteoGenerado,
                         testing::Values(Forma{"Habitual", 2000, 0.3, 0.01, 0.01},
                                         Forma{"TodasAntiguas", 700, 1.0, 0.0, 0.0},
                                         Forma{"NingunaAntigua", 700, 0.0, 0.0, 0.0},
                                         Forma{"MuchosPrefijosSolos", 900, 0.2, 0.3, 0.1},
                                         Forma{"SinEntradas", 0, 0.5, 0.0, 0.0}),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

TEST(Conteo, NulosNoCuentanYTablaVaciaDaCero) {
    CarpetaTemporal carpeta;
    OpcionesGenerador o;
    o.Entradas = 100;
    const auto ruta = GenerarBaseConfiguracion(carpeta / "tablas.orv", o).RutaConfig;
    {
        auto base = AbrirComoPrograma(ruta);
        base->Execute("UPDATE [Numeros de lada] SET telefono = NULL");
        base->Execute("UPDATE [Numeros de lada] SET telefono = '01' WHERE lnId = 1");
    }
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta.string()), 1);
    {
        auto b = AbrirComoPrograma(ruta);
        b->Execute("DELETE * FROM [Numeros de lada]");
    }
    EXPECT_EQ(ContarMarcaciones(base, ruta.string()), 0);
}

// A database that opens but has no dialing table counts 0 and is closed
// again (it opens afterwards).
TEST(Conteo, SinTablaDeNumerosDaCeroYCierra) {
    CarpetaTemporal carpeta;
    OpcionesGenerador o;
    o.Entradas = 10;
    const auto ruta = GenerarBaseConfiguracion(carpeta / "tablas.orv", o).RutaConfig;
    {
        auto base = AbrirComoPrograma(ruta);
        base->Execute("DROP TABLE [Numeros de lada]");
    }
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta.string()), 0);
    EXPECT_EQ(base, nullptr);
    EXPECT_NE(AbrirComoPrograma(ruta), nullptr);
}

} // namespace
} // namespace vesmadur
