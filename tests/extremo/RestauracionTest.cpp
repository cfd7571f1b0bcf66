#include "InstalacionPrueba.h"

#include <gtest/gtest.h>
#include <map>

namespace vesmadur {
namespace {

using namespace prueba;

// The operator adjusts, and at the next start regrets it: the chooser counts
// each backup with the engine (the adjustment's backup still holds the old
// entries; a backup held by another program, or one that is not a database,
// counts 0 and is left as it was), and the chosen one is put back whole.
TEST(Restauracion, TrasAjustarElRespaldoElegidoVuelveEntero) {
    OpcionesGenerador opciones;
    opciones.Entradas = 300;
    opciones.TablasLD = 2;
    InstalacionPrueba inst(opciones);
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    inst.AbrirVentana();
    inst.Ajustar();
    ASSERT_EQ(inst.Respaldos().size(), 1u);
    const auto respaldo = inst.Respaldos()[0];
    const auto ajena =
        EscribirArchivo(inst.Carpeta() + "/config/tablas20200101-000000.resp", "no es una base");

    auto& ventana = inst.AbrirVentana();
    ASSERT_EQ(ventana.MarcacionesDetectadas(), 0);
    ASSERT_TRUE(inst.Vista->Restaurar);
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
    EXPECT_EQ(inst.Vista->Info, "Directorio: \r\n    " + inst.Carpeta() +
                                    "\r\n\r\n\r\nRestaurando configuracion...\r\n"
                                    "Respaldo hecho exitosamente.\r\n\r\n"
                                    "Presiona el boton <Cerrar> para terminar.");
    EXPECT_FALSE(inst.Vista->Restaurar);
    EXPECT_TRUE(LeerBytes(inst.RutaConfig()) == bytesAntes);
    EXPECT_TRUE(LeerBytes(respaldo) == bytesAntes);
    EXPECT_EQ(LeerBytes(ajena), "no es una base");
    EXPECT_EQ(Nombres(inst.Carpeta() + "/config"),
              (std::vector<std::string>{"tablas.orv", "tablas20190803-142507.resp",
                                        "tablas20200101-000000.resp"}));
    EXPECT_EQ(inst.AbrirVentana().MarcacionesDetectadas(), inst.Resumen.Antiguas);
}

} // namespace
} // namespace vesmadur
