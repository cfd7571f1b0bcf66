// Failures of the disk under the database library, injected at the Nth read,
// write, sync, truncate, delete or lock of the count and of the adjustment
// run (its open, walk, statements and close), once and from then on. Each
// run ends; a run that failed says so in its panel; whatever it says, the
// database opens afterwards and every entry is as before or fully rewritten,
// and a run that reports no failure rewrote every old-style entry.
//
// A few points of each sweep run with the tests; VESMADUR_BARRIDO_COMPLETO=1
// sweeps every point and prints how many.
#include "ayudas/BaseDatos.h"
#include "database/VfsConFallos.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"

#include <gtest/gtest.h>
#include <set>

namespace vesmadur::prueba {
namespace {

// The points of a sweep over `total` operations: all of them, or a few
// spread over the range.
std::set<long long> Puntos(long long total) {
    std::set<long long> puntos;
    if (std::getenv("VESMADUR_BARRIDO_COMPLETO")) {
        for (long long n = 1; n <= total; ++n)
            puntos.insert(n);
        return puntos;
    }
    for (long long n : {1LL, 2LL, total / 2, total - 1, total})
        if (n >= 1 && n <= total)
            puntos.insert(n);
    return puntos;
}

const char* const kNombres[] = {"lectura", "escritura", "sincronizacion",
                                "truncado", "borrado",   "bloqueo"};

class FallosInyectados : public testing::TestWithParam<bool> {};

TEST_P(FallosInyectados, CadaFalloSeDiceYNadaSePierde) {
    const bool corrida = GetParam();
    CarpetaTemporal carpeta;
    const auto resumen = Generar(carpeta, 150);
    const std::string ruta = carpeta / "tablas.orv";
    const std::string original = LeerBytes(ruta);
    const Numeros antes = LeerNumeros(ruta);
    // One run of the phase on a fresh copy: the panel, or the count.
    const auto correr = [&] {
        EscribirArchivo(ruta, original);
        fs::remove(ruta + "-journal"), fs::remove(ruta + "-wal"), fs::remove(ruta + "-shm");
        std::unique_ptr<Database> base;
        if (!corrida)
            return std::to_string(ContarMarcaciones(base, ruta));
        InformeEnTexto panel;
        const auto hecho = AjustarMarcaciones(
            base, {carpeta.Ruta(), ruta, 0, [] { return ResultadoArchivo(); }}, panel);
        EXPECT_EQ(base, nullptr);
        // What the run tells its caller agrees with its panel.
        EXPECT_EQ(hecho.Completa, panel.Texto.find("Error") == std::string::npos) << panel.Texto;
        return panel.Texto;
    };
    long long barridos = 0, fallidos = 0;
    for (int o = 0; o < kOperacionesVfs; ++o) {
        const auto operacion = static_cast<OperacionVfs>(o);
        ArmarFallosVfs(operacion, 0, false);
        correr();
        const long long total = OperacionesVfsVistas(operacion);
        DesarmarFallosVfs();
        for (const bool persistente : {false, true})
            for (const long long n : Puntos(total)) {
                SCOPED_TRACE(std::string(kNombres[o]) + " " + std::to_string(n) + "/" +
                             std::to_string(total) + (persistente ? " en adelante" : ""));
                ArmarFallosVfs(operacion, n, persistente);
                const std::string dicho = correr();
                const bool fallo = FallosVfsHechos() > 0;
                DesarmarFallosVfs();
                EXPECT_TRUE(fallo) << "the point was never reached";
                ++barridos;
                fallidos += fallo;
                const Numeros despues = LeerNumeros(ruta);
                bool completa = true;
                for (const auto& [lnId, numero] : antes) {
                    const auto ajustado =
                        numero ? std::optional(AjustarNumero(*numero)) : numero;
                    const auto it = despues.find(lnId);
                    if (it == despues.end()) {
                        EXPECT_EQ(ajustado, "") << lnId << " gone";
                        continue;
                    }
                    EXPECT_TRUE(it->second == numero || it->second == ajustado) << lnId;
                    completa = completa && it->second == ajustado;
                }
                if (!corrida) {
                    EXPECT_TRUE(dicho == "0" || dicho == std::to_string(resumen.Antiguas))
                        << dicho;
                } else if (dicho.find("Error") == std::string::npos) {
                    EXPECT_TRUE(completa) << "success reported, work missing:\n" << dicho;
                }
            }
    }
    std::printf("%s: %lld puntos barridos, %lld con un fallo hecho\n",
                corrida ? "corrida" : "cuenta", barridos, fallidos);
}

INSTANTIATE_TEST_SUITE_P(Fases, FallosInyectados, testing::Values(false, true),
                         [](const auto& fila) { return fila.param ? "Corrida" : "Cuenta"; });

} // namespace
} // namespace vesmadur::prueba
