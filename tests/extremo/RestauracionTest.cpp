#include "InstalacionPrueba.h"

#include <gtest/gtest.h>
#include <map>

namespace vesmadur {
namespace {

using namespace prueba;

// The operator adjusts, and at the next start regrets it: the chooser counts
// each backup with the engine (a backup held by another program, or one that
// is not a database, counts 0), and the chosen one is put back whole.
TEST(Restauracion, TrasAjustarElRespaldoElegidoVuelveEntero) {
    InstalacionPrueba inst({.Entradas = 300, .TablasLD = 2});
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    inst.AbrirVentana();
    inst.Ajustar();
    const auto respaldo = inst.Respaldo();
    const auto ajena =
        EscribirArchivo(inst.Carpeta() + "/config/tablas20200101-000000.resp", "no es una base");

    auto& ventana = inst.AbrirVentana();
    ASSERT_EQ(ventana.MarcacionesDetectadas(), 0);
    std::map<std::string, int> cuentas;
    int retenida = -1;
    inst.Vista->EnElSelector = [&](frmArchivos& f) {
        const int propio = f.SellosRespaldo().at(0) == "20190803-142507" ? 0 : 1;
        for (int i : {0, 1}) {
            f.List1Click(i);
            cuentas[f.ArchivoSel()] = f.MarcacionesRespaldo();
        }
        {
            const auto otro = Listo(Retener(respaldo));
            f.List1Click(propio);
            retenida = f.MarcacionesRespaldo();
        }
        f.List1Click(propio);
        f.btnAceptarPulsado();
    };
    ventana.btnRestaurarPulsado();

    EXPECT_EQ(cuentas, (std::map<std::string, int>{{respaldo, inst.Resumen.Antiguas}, {ajena, 0}}));
    EXPECT_EQ(retenida, 0);
    EXPECT_TRUE(inst.Vista->Info.ends_with("Respaldo hecho exitosamente.\r\n\r\n"
                                           "Presiona el boton <Cerrar> para terminar."));
    EXPECT_TRUE(LeerBytes(inst.RutaConfig()) == bytesAntes);
}

} // namespace
} // namespace vesmadur
