#include "InstalacionPrueba.h"
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
// deleted with none of its rows left in a purged table; counts of each.
struct Coherencia {
    int Reescritas = 0, Borradas = 0;
};

Coherencia Comparar(InstalacionPrueba& inst, const Numeros& antes) {
    const auto despues = inst.LeerNumeros();
    std::set<std::optional<std::string>> purgadas; // the entries the purged tables refer to
    for (const auto& t : inst.Resumen.Tablas)
        if (t.Depurar > 0)
            for (const auto& fila : LeerNumeros(inst.RutaConfig(), "LD" + std::to_string(t.Numero)))
                purgadas.insert(fila.second);
    Coherencia c;
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

TEST(Ajuste, CorridaMuertaConSigkillDejaUnaBaseCoherente) {
    InstalacionPrueba inst(Opciones(3000, 11));
    const auto antes = inst.LeerNumeros();
    Proceso corrida([&inst] {
        inst.AbrirVentana();
        // Each processing of events tells the parent how far the walk got.
        inst.Vista->AlProcesarEventos = [] {
            if (::write(1, ".", 1) != 1)
                ::_exit(1);
        };
        inst.Ajustar();
        return 0;
    });
    ASSERT_EQ(corrida.Leer(100), std::string(100, '.')) << "la corrida termino antes de tiempo";
    EXPECT_EQ(corrida.Matar(), -SIGKILL);

    // The database opens and is coherent; the run was cut part-way.
    const auto c = Comparar(inst, antes);
    EXPECT_GT(c.Reescritas + c.Borradas, 0);
    EXPECT_LT(c.Reescritas + c.Borradas, inst.Resumen.Antiguas) << "la corrida no se interrumpio";
}

} // namespace
} // namespace vesmadur
