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

using Par = std::pair<const char*, const char*>;

// A stored number and what the rewrite gives: the worked examples, then text
// compared exactly as stored (a leading blank is not trimmed; "0101..." loses
// one prefix only). A value is old-style exactly when the rewrite changes it.
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
OpcionesGenerador Forma(std::int32_t entradas, double antigua, double soloPrefijo, double nula) {
    OpcionesGenerador o;
    o.Entradas = entradas;
    o.ParteAntigua = antigua;
    o.ParteSoloPrefijo = soloPrefijo;
    o.ParteNula = nula;
    return o;
}

class ConteoGenerado : public testing::TestWithParam<OpcionesGenerador> {};

// The count equals what the generator wrote, leaves the handle empty and the
// file as it was.
TEST_P(ConteoGenerado, CuentaLoQueElGeneradorEscribio) {
    CarpetaTemporal carpeta;
    const auto resumen = GenerarInstalacion(carpeta.Ruta(), GetParam());
    const std::string antes = LeerBytes(resumen.RutaConfig);
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, resumen.RutaConfig.string()), resumen.Antiguas);
    EXPECT_EQ(base, nullptr);
    EXPECT_EQ(LeerBytes(resumen.RutaConfig), antes);
}

INSTANTIATE_TEST_SUITE_P(Formas, ConteoGenerado,
                         testing::Values(Forma(2000, 0.3, 0.01, 0.01), Forma(700, 1, 0, 0),
                                         Forma(900, 0.2, 0.3, 0.1), Forma(0, 0.5, 0, 0)));

// A database a maintainer makes by hand with the sqlcipher shell opens in the
// program, counts as the rules say, and takes the statements of the run.
TEST(FormatoCompartido, BaseHechaEnElShellAbreYCuenta) {
    CarpetaTemporal carpeta;
    const auto ruta = carpeta / "tablas.orv";
    ASSERT_EQ(EjecutarShell(ruta, "CREATE TABLE \"Numeros de lada\" (lnId INTEGER PRIMARY KEY, "
                                  "telefono TEXT, nota TEXT);\n"
                                  "INSERT INTO \"Numeros de lada\" VALUES (1, '015512345678', "
                                  "'a'), (2, '0445512345678', NULL), (3, '5512345678', NULL), "
                                  "(4, NULL, NULL), (5, ' 015512345678', NULL), (6, '045', "
                                  "NULL), (7, '', NULL), (9, '0101234', NULL);\n"),
              "");
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta), 4);
    EXPECT_EQ(base, nullptr);
    ASSERT_NE(base = AbrirComoPrograma(ruta), nullptr);
    base->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 6");
    base->Close();
    EXPECT_EQ(EjecutarShell(ruta, "SELECT count(*) FROM \"Numeros de lada\";\n"), "7\n");
}

// Nulls do not count; an empty table, or none at all, counts 0 and the file
// is closed again afterwards.
TEST(Conteo, NulosTablaVaciaYSinTabla) {
    CarpetaTemporal carpeta;
    const auto ruta = Generar(carpeta, 100).RutaConfig;
    std::unique_ptr<Database> base;
    for (const auto& [cambio, esperado] :
         {std::pair{"UPDATE [Numeros de lada] SET telefono = NULL WHERE lnId > 1", 0},
          std::pair{"UPDATE [Numeros de lada] SET telefono = '01' WHERE lnId = 1", 1},
          std::pair{"DELETE * FROM [Numeros de lada]", 0},
          std::pair{"DROP TABLE [Numeros de lada]", 0}}) {
        AbrirComoPrograma(ruta)->Execute(cambio);
        EXPECT_EQ(ContarMarcaciones(base, ruta.string()), esperado) << cambio;
        EXPECT_EQ(base, nullptr);
    }
    EXPECT_NE(AbrirComoPrograma(ruta), nullptr);
}

// The run on databases made by hand with the shell: its report from the walk
// on, and the rows it leaves (as the shell lists them). A key that is not an
// integer is never used to address a row; an empty table reads 0 of 0.
struct CorridaManual {
    const char* Nombre;
    const char* Filas;
    const char* Informe;
    const char* Despues;
    friend void PrintTo(const CorridaManual& c, std::ostream* os) { *os << c.Nombre; }
};

class Corrida : public testing::TestWithParam<CorridaManual> {};

TEST_P(Corrida, InformaYDejaLasFilas) {
    struct : InformeAjuste {
        std::string Texto;
        void Reemplazar(std::string_view t) override { Texto = t; }
        void Agregar(std::string_view t) override { Texto += t; }
        void DibujarProgreso(float) override {}
        void ProcesarEventos() override {}
        std::string CaptionCerrar() const override { return "Cerrar"; }
    } informe;
    CarpetaTemporal carpeta;
    const auto ruta = carpeta / "tablas.orv";
    ASSERT_EQ(EjecutarShell(ruta, std::string("CREATE TABLE \"Numeros de lada\" (lnId, telefono);"
                                              "CREATE TABLE \"Tablas de ladas\" (n, nombre, d);") +
                                      GetParam().Filas + "\n"),
              "");
    std::unique_ptr<Database> base;
    const auto r = AjustarMarcaciones(
        base, {carpeta.Ruta(), ruta, 0, [] { return ResultadoArchivo(); }}, informe);
    EXPECT_TRUE(r.Completa);
    EXPECT_EQ(informe.Texto.substr(informe.Texto.find("Leyendo")), GetParam().Informe);
    EXPECT_EQ(EjecutarShell(ruta, "SELECT lnId, telefono FROM \"Numeros de lada\";\n"),
              GetParam().Despues);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Corrida,
    testing::Values(CorridaManual{"TablaVacia", "",
                                  "Leyendo marcaciones...\r\nMarcaciones ajustadas: 0 de 0\r\n"
                                  "Configuracion cerrada.\r\nProceso de ajuste finalizado.\r\n"
                                  "\r\nPresiona el boton <Cerrar> para terminar.",
                                  ""},
                    CorridaManual{"ClavesQueNoSonEnteros",
                                  "INSERT INTO \"Numeros de lada\" VALUES (1, 'original'), "
                                  "(1.5, '015512345678'), ('1', '0455'), (2, '01777');",
                                  "Leyendo marcaciones...\r\nMarcaciones ajustadas: 1 de 4\r\n"
                                  "Configuracion cerrada.\r\nProceso de ajuste finalizado.\r\n"
                                  "\r\nPresiona el boton <Cerrar> para terminar.",
                                  "1|original\n1.5|015512345678\n1|0455\n2|777\n"}),
    [](const auto& caso) { return std::string(caso.param.Nombre); });

// The same options give the same contents; another seed other contents.
TEST(Generador, MismaSemillaMismasFilasOtraSemillaOtras) {
    CarpetaTemporal carpeta;
    auto o = Forma(500, 0.3, 0.01, 0.01);
    std::vector<std::string> volcados;
    for (const std::uint64_t semilla : {1, 1, 2}) {
        o.Semilla = semilla;
        const auto ruta = carpeta / ("base" + std::to_string(volcados.size()));
        volcados.push_back(EjecutarShell(GenerarBaseConfiguracion(ruta, o).RutaConfig, ".dump\n"));
    }
    EXPECT_GT(volcados[0].size(), 20000u);
    EXPECT_EQ(volcados[0], volcados[1]);
    EXPECT_NE(volcados[0], volcados[2]);
}

// The installation has the schema the program reads: a catalogue of four
// purged and two kept tables, and "LD" tables whose idLada point at entries.
TEST(Generador, InstalacionConElEsquemaEsperado) {
    CarpetaTemporal carpeta;
    const auto r = GenerarInstalacion(carpeta / "Orvanto", Forma(1000, 0.3, 0.01, 0.01));
    EXPECT_EQ(r.RutaConfig, fs::path(carpeta / "Orvanto/config/tablas.orv"));
    std::string guion = "SELECT group_concat(depurar, '') FROM \"Tablas de ladas\";\nSELECT 0";
    for (int ld = 1; ld <= 6; ++ld)
        guion += " + (SELECT count(*) FROM LD" + std::to_string(ld) + " WHERE idLada IN " +
                 "(SELECT lnId FROM \"Numeros de lada\"))";
    EXPECT_EQ(EjecutarShell(r.RutaConfig, guion + ";\n"), "110110\n1000\n");
    EXPECT_EQ(r.Referencias, 1000);
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
    EXPECT_THROW(GenerarBaseConfiguracion(carpeta / "nueva.orv", Forma(-1, 0, 0, 0)),
                 ErrorGenerador);
    EXPECT_FALSE(fs::exists(carpeta / "nueva.orv"));
}

} // namespace
} // namespace vesmadur
