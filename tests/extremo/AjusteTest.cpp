#include "InstalacionPrueba.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"

#include <csignal>
#include <gtest/gtest.h>
#include <ostream>
#include <unistd.h>
#include <vector>

namespace vesmadur {
namespace {

using namespace prueba;

OpcionesGenerador Opciones(std::int32_t entradas, double antiguas = 0.5,
                           std::uint64_t semilla = 7) {
    OpcionesGenerador o;
    o.Entradas = entradas;
    o.ParteAntigua = antiguas;
    o.ParteSoloPrefijo = antiguas / 10;
    o.ParteNula = antiguas / 10;
    o.TablasLD = 4;
    o.ReferenciasPorEntrada = 2;
    o.Semilla = semilla;
    return o;
}

// Lines, each ended by CR LF, then the closing instruction.
std::string Panel(const std::vector<std::string>& lineas) {
    std::string texto;
    for (const auto& l : lineas)
        texto += l + "\r\n";
    return texto + "Proceso de ajuste finalizado.\r\n\r\nPresiona el boton <Cerrar> para terminar.";
}

std::string Ajustadas(std::int32_t cuantas, std::int32_t de) {
    return "Marcaciones ajustadas: " + std::to_string(cuantas) + " de " + std::to_string(de);
}

// Each entry of `antes` is as before, fully rewritten, or (a bare prefix)
// deleted with none of its rows left in a purged table; counts of each.
struct Coherencia {
    int Iguales = 0, Reescritas = 0, Borradas = 0;
};

Coherencia Comparar(InstalacionPrueba& inst, const Numeros& antes) {
    const auto despues = inst.LeerNumeros();
    Coherencia c;
    for (const auto& [lnId, telefono] : antes) {
        if (!despues.count(lnId)) {
            EXPECT_TRUE(telefono && AjustarNumero(*telefono).empty()) << lnId;
            for (const auto& t : inst.Resumen.Tablas)
                EXPECT_TRUE(t.Depurar <= 0 ||
                            inst.Referencias("LD" + std::to_string(t.Numero), lnId) == 0)
                    << lnId;
            ++c.Borradas;
        } else if (despues.at(lnId) == telefono) {
            ++c.Iguales;
        } else {
            EXPECT_TRUE(telefono && despues.at(lnId) == AjustarNumero(*telefono)) << lnId;
            ++c.Reescritas;
        }
    }
    EXPECT_EQ(despues.size(), antes.size() - c.Borradas) << "an entry appeared";
    return c;
}

// The whole run, beside a journal with a zeroed header (what a kill while an
// earlier run switched journals leaves), which must not stand in the way.
TEST(Ajuste, CorridaCompletaReescribeBorraYRespalda) {
    InstalacionPrueba inst(Opciones(400));
    const auto antes = inst.LeerNumeros();
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    EscribirArchivo(inst.RutaConfig() + "-journal", std::string(1544, '\0'));
    auto& ventana = inst.AbrirVentana();
    ASSERT_EQ(ventana.MarcacionesDetectadas(), inst.Resumen.Antiguas);
    ASSERT_GT(inst.Resumen.SoloPrefijo, 0);
    ASSERT_GT(inst.Resumen.Nulas, 0);

    inst.Ajustar();

    EXPECT_EQ(inst.Vista->Info,
              Panel({"Directorio: ", "    " + inst.Carpeta(), "",
                     "Marcaciones detectadas a procesar: " + std::to_string(inst.Resumen.Antiguas),
                     "", "Respaldando configuracion...", "Abriendo configuracion...",
                     "Leyendo marcaciones...", Ajustadas(inst.Resumen.Antiguas, 400),
                     "Configuracion cerrada."}));
    // Exactly the rewritten numbers; bare prefixes gone; Null left alone.
    const auto c = Comparar(inst, antes);
    EXPECT_EQ(c.Borradas, inst.Resumen.SoloPrefijo);
    EXPECT_EQ(c.Reescritas + c.Borradas, inst.Resumen.Antiguas);

    // The backup is the database as it was; nothing is left beside them.
    EXPECT_EQ(Nombres(inst.Carpeta() + "/config"),
              (std::vector<std::string>{"tablas.orv", "tablas20190803-142507.resp"}));
    EXPECT_EQ(LeerBytes(inst.Respaldos()[0]), bytesAntes);
    // Progress drawn from the first row on, ending full.
    ASSERT_FALSE(inst.Vista->Fracciones.empty());
    EXPECT_EQ(inst.Vista->Fracciones.front(), 0.0f);
    EXPECT_EQ(inst.Vista->Fracciones.back(), 1.0f);
    EXPECT_GE(inst.Vista->EventosProcesados, 400 / 5);
}

// Six entries: 3 is only "01", in LD2 and LD3 (purged, in that order) and LD1
// (not purged); 1 and 2 carry quotes, 5 is Null, the rest current.
const std::vector<std::string> kUnaEntradaABorrar = {
    "DELETE * FROM LD1",
    "DELETE * FROM LD2",
    "DELETE * FROM LD3",
    "UPDATE [Numeros de lada] SET telefono = '5512345678'",
    "UPDATE [Numeros de lada] SET telefono = '01' WHERE lnId = 3",
    "DELETE * FROM [Tablas de ladas]",
    "INSERT INTO [Tablas de ladas] VALUES (2, 'b', 1)",
    "INSERT INTO [Tablas de ladas] VALUES (1, 'a', 0)",
    "INSERT INTO [Tablas de ladas] VALUES (3, 'c', 5)",
    "INSERT INTO LD1 (idLada) VALUES (3)",
    "INSERT INTO LD2 (idLada) VALUES (3)",
    "INSERT INTO LD2 (idLada) VALUES (4)",
    "INSERT INTO LD3 (idLada) VALUES (3)",
    "INSERT INTO LD3 (idLada) VALUES (3)",
    "UPDATE [Numeros de lada] SET telefono = '01O''Brien' WHERE lnId = 1",
    "UPDATE [Numeros de lada] SET telefono = '045x'' WHERE lnId > 0 OR ''1''=''1' "
    "WHERE lnId = 2",
    "UPDATE [Numeros de lada] SET telefono = NULL WHERE lnId = 5",
};

// The run on that database: the entries rewritten or deleted, LD2's and
// LD3's rows of entry 3 gone, another entry's row and LD1's untouched.
void Ajustada(InstalacionPrueba& inst) {
    EXPECT_EQ(inst.LeerNumeros(), (Numeros{{1, "O'Brien"},
                                           {2, "x' WHERE lnId > 0 OR '1'='1"},
                                           {4, "5512345678"},
                                           {5, std::nullopt},
                                           {6, "5512345678"}}));
    EXPECT_EQ(inst.Referencias("LD2", 3) + inst.Referencias("LD3", 3), 0);
    EXPECT_EQ(inst.Referencias("LD2", 4), 1);
    EXPECT_EQ(inst.Referencias("LD1", 3), 1);
}

// The run over that database: the panel from the backup on, the backup, the
// database after (`Despues`; else unchanged). `Sentencias` run before the
// window loads, `Preparar` after; what it returns lives during the run.
struct Caso {
    const char* Nombre;
    std::vector<std::string> Sentencias;
    std::function<std::shared_ptr<void>(InstalacionPrueba&)> Preparar;
    std::vector<std::string> Lineas;
    bool Respaldada;
    std::function<void(InstalacionPrueba&)> Despues;
    friend void PrintTo(const Caso& c, std::ostream* os) { *os << c.Nombre; }
};

// The database lives elsewhere; the configuration path is a link to it.
std::shared_ptr<void> Enlazada(InstalacionPrueba& inst) {
    std::filesystem::rename(inst.RutaConfig(), inst.Carpeta() + "/real.orv");
    std::filesystem::create_symlink(inst.Carpeta() + "/real.orv", inst.RutaConfig());
    return nullptr;
}

// A second program holding the database open, as Orvanto would.
std::shared_ptr<void> Retenida(InstalacionPrueba& inst) {
    return Listo(Retener(inst.RutaConfig()));
}

// A database under another key in place of the real one.
std::shared_ptr<void> OtraClave(InstalacionPrueba& inst) {
    const auto ajena = inst.Carpeta() + "/ajena.orv";
    EXPECT_EQ(EjecutarShell(ajena, "PRAGMA key='otra'; CREATE TABLE t(a);\n", false), "");
    std::filesystem::rename(ajena, inst.RutaConfig());
    return nullptr;
}

// Something that is not a file where the journal goes: not ours to remove.
std::shared_ptr<void> CarpetaEnLugarDelDiario(InstalacionPrueba& inst) {
    std::filesystem::create_directory(inst.RutaConfig() + "-journal");
    return nullptr;
}

// With LD3 gone the run stops after LD2's rows went, before the entry did;
// what was done stays and the database opens again.
void ParoEnLD3(InstalacionPrueba& inst) {
    EXPECT_EQ(inst.LeerNumeros().at(1), "O'Brien");
    EXPECT_EQ(inst.LeerNumeros().at(3), "01");
    EXPECT_EQ(inst.Referencias("LD2", 3), 0);
    EXPECT_EQ(inst.Referencias("LD1", 3), 1);
}

const std::vector<std::string> kCompleta = {"Abriendo configuracion...", "Leyendo marcaciones...",
                                            Ajustadas(3, 6), "Configuracion cerrada."};

// clang-format off
const Caso kCasos[] = {
    {"PurgaYGuardaComillasYNulos", {}, {}, kCompleta, true, Ajustada},
    {"ConfiguracionEnlazada", {}, Enlazada, kCompleta, true, [](InstalacionPrueba& inst) {
         Ajustada(inst);
         EXPECT_TRUE(std::filesystem::is_symlink(inst.RutaConfig()));
     }},
    {"TablaListadaQueFalta", {"DROP TABLE LD3"}, {},
     {"Abriendo configuracion...", "Leyendo marcaciones...",
      "Error al AJUSTAR las marcaciones: no such table: LD3", Ajustadas(2, 2),
      "Configuracion cerrada."}, true, ParoEnLD3},
    {"RetenidaPorOtroProceso", {}, Retenida, {"Error al RESPALDAR la configuracion!"}, false, {}},
    {"CarpetaEnLugarDelDiario", {}, CarpetaEnLugarDelDiario,
     {"Error al RESPALDAR la configuracion!"}, false, {}},
    {"OtraClave", {}, OtraClave,
     {"Abriendo configuracion...", "Error al ABRIR la configuracion!"}, true, {}},
};
// clang-format on

class Corrida : public ::testing::TestWithParam<Caso> {};

TEST_P(Corrida, InformaYNoPierdeNada) {
    const auto& caso = GetParam();
    InstalacionPrueba inst(Opciones(6, 0));
    inst.Preparar(kUnaEntradaABorrar);
    inst.Preparar(caso.Sentencias);
    inst.AbrirVentana();
    const auto retencion = caso.Preparar ? caso.Preparar(inst) : nullptr;
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    inst.Ajustar();

    const auto& info = inst.Vista->Info;
    EXPECT_EQ(info.substr(info.find("Respaldando")),
              "Respaldando configuracion...\r\n" + Panel(caso.Lineas));
    ASSERT_EQ(inst.Respaldos().size(), caso.Respaldada ? 1u : 0u);
    EXPECT_TRUE(!caso.Respaldada || LeerBytes(inst.Respaldos()[0]) == bytesAntes);
    if (caso.Despues)
        caso.Despues(inst);
    else
        EXPECT_TRUE(LeerBytes(inst.RutaConfig()) == bytesAntes);
    EXPECT_FALSE(inst.Vista->Ajustar);
}

INSTANTIATE_TEST_SUITE_P(Casos, Corrida, ::testing::ValuesIn(kCasos),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

TEST(Ajuste, CorridaMuertaConSigkillDejaUnaBaseCoherente) {
    InstalacionPrueba inst(Opciones(3000, 0.5, 11));
    const auto antes = inst.LeerNumeros();
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
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
    ASSERT_EQ(inst.Respaldos().size(), 1u);
    EXPECT_EQ(LeerBytes(inst.Respaldos()[0]), bytesAntes);
}

} // namespace
} // namespace vesmadur
