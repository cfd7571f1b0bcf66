#include "InstalacionPrueba.h"
#include "database/VigiaConfirmaciones.h"
#include "dialing/Marcaciones.h"

#include <csignal>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <unistd.h>
#include <vector>

namespace vesmadur {
namespace {

using namespace prueba;

OpcionesGenerador Opciones(std::int32_t entradas, std::uint64_t semilla = 7) {
    return {.Entradas = entradas,
            .ParteAntigua = 0.5,
            .ParteSoloPrefijo = 0.05,
            .ParteNula = 0.05,
            .TablasLD = 4,
            .ReferenciasPorEntrada = 2,
            .Semilla = semilla};
}

// Lines, each ended by CR LF, then the closing instruction.
std::string Panel(const std::vector<std::string>& lineas) {
    std::string texto;
    for (const auto& l : lineas)
        texto += l + "\r\n";
    return texto + "Proceso de ajuste finalizado.\r\n\r\nPresiona el boton <Cerrar> para terminar.";
}

// Each entry of `antes` is as before, fully rewritten, or (a bare prefix)
// deleted with none of its rows left in a purged table; counts of each, and
// the rows left in purged tables.
struct Coherencia {
    int Reescritas = 0, Borradas = 0, FilasDepuradas = 0;
    int Cambios(const Coherencia& inicial) const {
        return Reescritas + Borradas + inicial.FilasDepuradas - FilasDepuradas;
    }
};

Coherencia Comparar(InstalacionPrueba& inst, const Numeros& antes) {
    const auto despues = inst.LeerNumeros();
    std::set<std::optional<std::string>> purgadas; // the entries the purged tables refer to
    Coherencia c;
    for (const auto& t : inst.Resumen.Tablas)
        if (t.Depurar > 0)
            for (const auto& fila : LeerNumeros(inst.RutaConfig(), "LD" + std::to_string(t.Numero)))
                purgadas.insert(fila.second), ++c.FilasDepuradas;
    for (const auto& [lnId, telefono] : antes) {
        if (!despues.count(lnId)) {
            EXPECT_TRUE(telefono && AjustarNumero(*telefono).empty()) << lnId;
            EXPECT_FALSE(purgadas.count(std::to_string(lnId))) << lnId;
            ++c.Borradas;
        } else if (despues.at(lnId) != telefono) {
            EXPECT_TRUE(telefono && despues.at(lnId) == AjustarNumero(*telefono)) << lnId;
            ++c.Reescritas;
        }
    }
    EXPECT_EQ(despues.size(), antes.size() - c.Borradas) << "an entry appeared";
    return c;
}

// The whole run, also through a link to the database elsewhere (which stays a link).
TEST(Ajuste, CorridaCompletaReescribeBorraYRespalda) {
    for (bool enlazada : {false, true}) {
        InstalacionPrueba inst(Opciones(400));
        const auto antes = inst.LeerNumeros();
        const auto bytesAntes = LeerBytes(inst.RutaConfig());
        if (enlazada) {
            std::filesystem::rename(inst.RutaConfig(), inst.Carpeta() + "/real.orv");
            std::filesystem::create_symlink(inst.Carpeta() + "/real.orv", inst.RutaConfig());
        }
        auto& ventana = inst.AbrirVentana();
        ASSERT_EQ(ventana.MarcacionesDetectadas(), inst.Resumen.Antiguas);
        ASSERT_TRUE(inst.Resumen.SoloPrefijo > 0 && inst.Resumen.Nulas > 0);

        inst.Ajustar();

        const auto antiguas = std::to_string(inst.Resumen.Antiguas);
        EXPECT_EQ(inst.Vista->Info,
                  Panel({"Directorio: ", "    " + inst.Carpeta(), "",
                         "Marcaciones detectadas a procesar: " + antiguas, "",
                         "Respaldando configuracion...", "Abriendo configuracion...",
                         "Leyendo marcaciones...", "Marcaciones ajustadas: " + antiguas + " de 400",
                         "Configuracion cerrada."}));
        // Exactly the rewritten numbers; bare prefixes gone; Null left alone.
        const auto c = Comparar(inst, antes);
        EXPECT_EQ(c.Borradas, inst.Resumen.SoloPrefijo);
        EXPECT_EQ(c.Reescritas + c.Borradas, inst.Resumen.Antiguas);
        EXPECT_EQ(std::filesystem::is_symlink(inst.RutaConfig()), enlazada);
        EXPECT_TRUE(LeerBytes(inst.Respaldo()) == bytesAntes)
            << "the backup is the database as it was";
        // Progress drawn from the first row on, ending full.
        ASSERT_FALSE(inst.Vista->Fracciones.empty());
        EXPECT_EQ(inst.Vista->Fracciones.front(), 0.0f);
        EXPECT_EQ(inst.Vista->Fracciones.back(), 1.0f);
        EXPECT_GE(inst.Vista->EventosProcesados, 400 / 5);
    }
}

// A run that cannot start says why from the backup on; the database is as it was.
struct Caso {
    const char* Nombre;
    std::shared_ptr<void> (*Preparar)(InstalacionPrueba&); // what it gives lives during the run
    std::vector<std::string> Lineas;
    bool Respaldada;
    friend void PrintTo(const Caso& c, std::ostream* os) { *os << c.Nombre; }
};

using I = InstalacionPrueba&;
using Retencion = std::shared_ptr<void>;
// clang-format off
const Caso kCasos[] = {
    // A second program holding the database open, as Orvanto would.
    {"RetenidaPorOtroProceso", [](I i) -> Retencion { return Listo(Retener(i.RutaConfig())); },
     {"Error al RESPALDAR la configuracion!"}, false},
    {"OtraClave", [](I i) {
        EjecutarShell(i.RutaConfig(), "PRAGMA rekey='otra';\n"); return Retencion(); },
     {"Abriendo configuracion...", "Error al ABRIR la configuracion!"}, true},
};
// clang-format on

class Corrida : public ::testing::TestWithParam<Caso> {};

TEST_P(Corrida, InformaYNoPierdeNada) {
    const auto& caso = GetParam();
    InstalacionPrueba inst(Opciones(6));
    inst.AbrirVentana();
    const auto retencion = caso.Preparar(inst);
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    inst.Ajustar();

    const auto& info = inst.Vista->Info;
    EXPECT_EQ(info.substr(info.find("Respaldando")),
              "Respaldando configuracion...\r\n" + Panel(caso.Lineas));
    EXPECT_TRUE(caso.Respaldada ? LeerBytes(inst.Respaldo()) == bytesAntes
                                : !std::filesystem::exists(inst.Respaldo()));
    EXPECT_TRUE(LeerBytes(inst.RutaConfig()) == bytesAntes);
}

INSTANTIATE_TEST_SUITE_P(Casos, Corrida, ::testing::ValuesIn(kCasos),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// A run killed at a moment of its commits: `Confirmacion`-th commit, just
// before or after it, or (without one) anywhere after the first commit.
struct Muerte {
    const char* Nombre;
    std::optional<MomentoConfirmacion> Momento;
    int Confirmacion = 0;
    friend void PrintTo(const Muerte& m, std::ostream* os) { *os << m.Nombre; }
};
class CorridaMuerta : public ::testing::TestWithParam<Muerte> {};
Muerte gMuerte;

// The database opens, is coherent, holds exactly what was committed, and a
// second run finishes the job.
TEST_P(CorridaMuerta, DejaLoConfirmadoYOtraCorridaTermina) {
    gMuerte = GetParam();
    InstalacionPrueba inst(Opciones(3000, 11));
    const auto antes = inst.LeerNumeros();
    const auto inicial = Comparar(inst, antes);
    Proceso corrida([&inst] {
        inst.AbrirVentana();
        // Each commit tells the parent the changes committed so far.
        VigilarConfirmaciones([](MomentoConfirmacion m, long long confirmados) {
            std::printf("%d %lld\n", static_cast<int>(m), confirmados);
            std::fflush(stdout);
            if (m == gMuerte.Momento && --gMuerte.Confirmacion == 0)
                std::raise(SIGKILL);
        });
        inst.Ajustar();
        return 0;
    });
    // Its lines up to its death; for a kill anywhere, up to its first commit.
    std::string linea, ultima;
    while (!(linea = corrida.Linea()).empty() && (ultima = linea, GetParam().Momento || linea[0] == '0')) {
    }
    EXPECT_EQ(corrida.Matar(), -SIGKILL);
    const auto c = Comparar(inst, antes);
    EXPECT_GT(c.Cambios(inicial), 0);
    EXPECT_LT(c.Reescritas + c.Borradas, inst.Resumen.Antiguas) << "la corrida no se interrumpio";
    if (GetParam().Momento) {
        EXPECT_EQ(std::to_string(c.Cambios(inicial)), ultima.substr(2));
    }

    std::filesystem::remove(inst.Respaldo()); // the second run's backup has a later name
    inst.AbrirVentana();
    inst.Ajustar();
    const auto final = Comparar(inst, antes);
    EXPECT_EQ(final.Reescritas + final.Borradas, inst.Resumen.Antiguas);
}

using M = MomentoConfirmacion;
INSTANTIATE_TEST_SUITE_P(Momentos, CorridaMuerta,
                         ::testing::Values(Muerte{"EnCualquierMomento", std::nullopt},
                                           Muerte{"AntesDeConfirmar", M::Antes, 2},
                                           Muerte{"DespuesDeConfirmar", M::Despues, 1}),
                         ::testing::PrintToStringParamName());

} // namespace
} // namespace vesmadur
