#include "ayudas/BaseDatos.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"

#include <gtest/gtest.h>
#include <ostream>

namespace vesmadur {

// Generator options print as the shape they give, so test names are stable.
void PrintTo(const OpcionesGenerador& o, std::ostream* os) {
    *os << o.Entradas << " entradas, " << o.ParteAntigua << "/" << o.ParteSoloPrefijo << "/"
        << o.ParteNula;
}

namespace {

using namespace prueba;

using Par = std::pair<std::string, std::string>;

// A stored number, compared exactly as stored, and what the rewrite gives; a
// value is old-style exactly when the rewrite changes it.
class ReglaMarcacion : public testing::TestWithParam<Par> {};

TEST_P(ReglaMarcacion, ClasificaYAjustaComoLaTabla) {
    const std::string guardado = GetParam().first;
    EXPECT_EQ(AjustarNumero(guardado), GetParam().second) << '"' << guardado << '"';
    EXPECT_EQ(EsMarcacionAntigua(guardado), guardado != GetParam().second) << '"' << guardado;
}

INSTANTIATE_TEST_SUITE_P(
    Ejemplos, ReglaMarcacion,
    testing::Values(Par{"015512345678", "5512345678"}, Par{"0445512345678", "5512345678"},
                    Par{"0455512345678", "5512345678"}, Par{"0144123456", "44123456"},
                    Par{"0101234", "01234"}, Par{"04412", "12"}, Par{"01", ""}, Par{"045", ""},
                    Par{"044", ""}, Par{"0455", "5"}, Par{"5512345678", "5512345678"},
                    Par{"04", "04"}, Par{"0044123456", "0044123456"}, Par{"", ""},
                    Par{" 015512345678", " 015512345678"}, Par{"01015512345678", "015512345678"},
                    Par{"0", "0"}, Par{"046123", "046123"}, Par{"01-55-1234", "-55-1234"}));

TEST(ReglaMarcacion, NuloYNumerosNoSonAntiguos) {
    EXPECT_FALSE(EsMarcacionAntigua(Variante(Nulo{})));
    EXPECT_FALSE(EsMarcacionAntigua(Variante(std::int64_t{15512345678})));
    EXPECT_TRUE(EsMarcacionAntigua(Variante("045123")));
}

// Entries, and the shares of old-style entries, bare prefixes and nulls.
using Forma = OpcionesGenerador;

class ConteoGenerado : public testing::TestWithParam<OpcionesGenerador> {};

// The count equals what the generator wrote.
TEST_P(ConteoGenerado, CuentaLoQueElGeneradorEscribio) {
    CarpetaTemporal carpeta;
    const auto resumen = GenerarInstalacion(carpeta.Ruta(), GetParam());
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, resumen.RutaConfig.string()), resumen.Antiguas);
}

INSTANTIATE_TEST_SUITE_P(Formas, ConteoGenerado,
                         testing::Values(Forma{2000, 0.3, 0.01, 0.01}, Forma{700, 1, 0, 0},
                                         Forma{900, 0.2, 0.3, 0.1}, Forma{0, 0.5, 0, 0}));

// Databases made with the sqlcipher shell: the count, the run's report from
// the walk on, the rows left (a key that is not an integer addresses none).
struct BaseAMano {
    const char* Nombre;
    std::string Guion;
    std::int32_t Cuenta;
    std::string Walk;
    const char* Despues;    // nullptr: not listed
    std::string Ladas = ""; // a query listing the "LD" tables' rows after the numbers
    friend void PrintTo(const BaseAMano& b, std::ostream* os) { *os << b.Nombre; }
};

const std::string kTablas = "CREATE TABLE \"Tablas de ladas\" (n, nombre, d);"
                            "CREATE TABLE \"Numeros de lada\" (lnId, telefono, nota);"
                            "INSERT INTO \"Numeros de lada\" VALUES ";
// clang-format off
// Entry 3 is only "01": purged from LD2 and LD3 (listed in that order), kept
// in LD1 (not purged); 1 and 2 carry quotes, which are data, never SQL.
const std::string kPurga = kTablas + "(1, '01O''Brien', 0), (2, '045x'' WHERE lnId > 0 OR "
    "''1''=''1', 0), (3, '01', 0), (4, '5512345678', 0); INSERT INTO \"Tablas de ladas\" VALUES "
    "(2, 'b', 1), (1, 'a', 0), (3, 'c', 5); CREATE TABLE LD1 (idLada); CREATE TABLE LD2 (idLada);"
    "CREATE TABLE LD3 (idLada); INSERT INTO LD1 VALUES (3); INSERT INTO LD2 VALUES (3), (4);"
    "INSERT INTO LD3 VALUES (3), (3);";
const std::string kLadas = "SELECT 'LD1', idLada FROM LD1 UNION ALL SELECT 'LD2', idLada FROM LD2 "
                           "UNION ALL SELECT 'LD3', idLada FROM LD3;";
// LD3 refuses to lose its last row, by `accion`.
std::string Protegida(const std::string& accion) {
    return "CREATE TRIGGER protegida AFTER DELETE ON LD3 WHEN (SELECT count(*) FROM LD3) = 0 "
           "BEGIN SELECT RAISE(" + accion + ", 'LD3 protegida'); END;";
}
const std::string kLD3Protegida =
    "Error al AJUSTAR las marcaciones: LD3 protegida\r\nMarcaciones ajustadas: 2 de 2";
const char* const kSinEntrada3 =
    "1|O'Brien\n2|x' WHERE lnId > 0 OR '1'='1\n3|01\n4|5512345678\nLD1|3\nLD2|4\nLD3|3\nLD3|3\n";
const BaseAMano kBasesAMano[] = {
    {"TablaVacia", kTablas + "(1, '5', 'a'); DELETE FROM \"Numeros de lada\";", 0,
     "Marcaciones ajustadas: 0 de 0", ""},
    {"ReglasYNulos", kTablas + "(1, '015512345678', 'a'), (2, '0445512345678', NULL), "
     "(3, '5512345678', NULL), (4, NULL, NULL), (5, ' 015512345678', NULL), (6, '045', NULL), "
     "(7, '', NULL), (9, '0101234', NULL);", 4, "Marcaciones ajustadas: 4 de 8",
     "1|5512345678\n2|5512345678\n3|5512345678\n4|\n5| 015512345678\n7|\n9|01234\n"},
    {"ClavesQueNoSonEnteros", kTablas + "(1, 'original', 0), (1.5, '015512345678', 0), "
     "('1', '0455', 0), (2, '01777', 0);", 3, "Marcaciones ajustadas: 1 de 4",
     "1|original\n1.5|015512345678\n1|0455\n2|777\n"},
    // Two entries sharing a key: a statement for one would change both.
    {"ClavesRepetidas", kTablas + "(1, '5512345678', 0), (1.0, '015587654321', 0), "
     "(2, '0155', 0), (3, '01', 0), (3, '0133', 0);", 4, "Marcaciones ajustadas: 1 de 5",
     "1|5512345678\n1.0|015587654321\n2|55\n3|01\n3|0133\n"},
    {"SinTablaDeNumeros", "CREATE TABLE \"Tablas de ladas\" (n, nombre, d);", 0,
     "Error al AJUSTAR las marcaciones: The database engine cannot find the input table or "
     "query 'Numeros de lada'.\r\nMarcaciones ajustadas: 0 de 0", nullptr},
    {"PurgaYGuardaComillas", kPurga, 3, "Marcaciones ajustadas: 3 de 4",
     "1|O'Brien\n2|x' WHERE lnId > 0 OR '1'='1\n4|5512345678\nLD1|3\nLD2|4\n", kLadas},
    // A listed table missing stops the run after the rows deleted before it; the entry stays.
    {"TablaListadaQueFalta", kPurga + "INSERT INTO \"Tablas de ladas\" VALUES (4, 'd', 1);", 3,
     "Error al AJUSTAR las marcaciones: no such table: LD4\r\nMarcaciones ajustadas: 2 de 2",
     "1|O'Brien\n2|x' WHERE lnId > 0 OR '1'='1\n3|01\n4|5512345678\nLD1|3\nLD2|4\n", kLadas},    // A statement failing part-way (a trigger refusing the second row it
    // deletes) undoes only itself; RAISE(ROLLBACK) undoes the library's whole
    // transaction, and what ran before the statement stays all the same.
    {"FallaAMitad", kPurga + Protegida("ABORT"), 3, kLD3Protegida, kSinEntrada3, kLadas},
    {"DeshaceLaTransaccion", kPurga + Protegida("ROLLBACK"), 3, kLD3Protegida, kSinEntrada3, kLadas},
};
// clang-format on

class HechaAMano : public testing::TestWithParam<BaseAMano> {};

TEST_P(HechaAMano, CuentaAjustaYDejaLasFilas) {
    InformeEnTexto informe;
    const auto& caso = GetParam();
    CarpetaTemporal carpeta;
    const auto ruta = carpeta / "tablas.orv";
    ASSERT_EQ(EjecutarShell(ruta, caso.Guion + "\n"), "");
    const auto bytes = LeerBytes(ruta);
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta), caso.Cuenta);
    EXPECT_EQ(base, nullptr);
    EXPECT_EQ(LeerBytes(ruta), bytes);

    AjustarMarcaciones(base, {carpeta.Ruta(), ruta, 0, [] { return ResultadoArchivo(); }}, informe);
    EXPECT_EQ(informe.Texto.substr(informe.Texto.find("Leyendo")),
              "Leyendo marcaciones...\r\n" + caso.Walk +
                  "\r\nConfiguracion cerrada.\r\nProceso de ajuste finalizado.\r\n\r\n"
                  "Presiona el boton <Cerrar> para terminar.");
    if (caso.Despues) {
        EXPECT_EQ(EjecutarShell(ruta, "SELECT lnId, telefono FROM \"Numeros de lada\";" +
                                          caso.Ladas + "\n"),
                  caso.Despues);
    }
}

INSTANTIATE_TEST_SUITE_P(Casos, HechaAMano, testing::ValuesIn(kBasesAMano),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// Numbers no telephone has: very long, with control characters and a NUL
// byte, in other scripts. Each is rewritten by the rule, byte for byte, and
// read back as it was stored.
TEST(NumerosRaros, SeAjustanByteAByte) {
    CarpetaTemporal carpeta;
    const auto ruta = carpeta / "tablas.orv";
    ASSERT_EQ(EjecutarShell(ruta, kTablas + "(1, '01' || printf('%.*c', 20000, '9'), 0), "
                                            "(2, '01' || char(1, 9, 10, 13, 127) || '55', 0), "
                                            "(3, '045ñandú☎', 0), (4, CAST(x'3031003535' AS TEXT), 0), "
                                            "(5, '０１５５', 0);\n"),
              "");
    Numeros antes = LeerNumeros(ruta);
    ASSERT_EQ(antes.at(4), std::string("01\0" "55", 5));
    InformeEnTexto informe;
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta), 4);
    const auto hecho =
        AjustarMarcaciones(base, {carpeta.Ruta(), ruta, 4, [] { return ResultadoArchivo(); }}, informe);
    EXPECT_TRUE(hecho.Completa);
    EXPECT_EQ(hecho.Ajustadas, 4);
    const Numeros esperados{{1, std::string(20000, '9')},
                            {2, std::string("\x01\t\n\r\x7f" "55")},
                            {3, std::string("ñandú☎")},
                            {4, std::string("\0" "55", 3)},
                            {5, std::string("０１５５")}};
    EXPECT_EQ(LeerNumeros(ruta), esperados);
}

// Same seed, same contents; the schema the program reads: four purged and two
// kept tables in the catalogue, "LD" tables whose idLada point at entries.
TEST(Generador, MismaSemillaMismasFilasYElEsquemaEsperado) {
    CarpetaTemporal carpeta;
    Forma o;
    std::vector<std::string> volcados;
    for (const std::uint64_t semilla : {1, 1, 2}) {
        o.Semilla = semilla;
        const auto r = GenerarInstalacion(carpeta / std::to_string(volcados.size()), o);
        volcados.push_back(EjecutarShell(r.RutaConfig, ".dump\n"));
        EXPECT_EQ(r.Referencias, 1000);
    }
    EXPECT_EQ(volcados[0], volcados[1]);
    EXPECT_NE(volcados[0], volcados[2]);
    std::string guion = "SELECT group_concat(depurar, '') FROM \"Tablas de ladas\";\nSELECT 0";
    for (int ld = 1; ld <= 6; ++ld)
        guion += " + (SELECT count(*) FROM LD" + std::to_string(ld) + " WHERE idLada IN " +
                 "(SELECT lnId FROM \"Numeros de lada\"))";
    EXPECT_EQ(EjecutarShell(carpeta / "0/config/tablas.orv", guion + ";\n"), "110110\n1000\n");
}

// Never overwrites: an existing file, or a file where the folder goes, is an
// error that leaves what was there untouched; bad options leave no file.
TEST(Generador, NoReemplazaNiDejaRestos) {
    CarpetaTemporal carpeta;
    EscribirArchivo(carpeta / "tablas.orv", "datos del operador");
    EXPECT_THROW(GenerarBaseConfiguracion(carpeta / "tablas.orv", {}), ErrorGenerador);
    EXPECT_EQ(LeerBytes(carpeta / "tablas.orv"), "datos del operador");
    EXPECT_THROW(GenerarInstalacion(EscribirArchivo(carpeta / "archivo", "x"), {}), ErrorGenerador);
    EXPECT_EQ(LeerBytes(carpeta / "archivo"), "x");
    EXPECT_THROW(GenerarBaseConfiguracion(carpeta / "nueva.orv", Forma{-1}), ErrorGenerador);
    EXPECT_FALSE(fs::exists(carpeta / "nueva.orv"));
}

} // namespace
} // namespace vesmadur
