#include "Ayudas.h"
#include "dialing/Configuracion.h"
#include "dialing/Marcaciones.h"

namespace vesmadur {
namespace {

using namespace prueba;

std::vector<std::string> Filas(Database& base, const std::string& tabla) {
    std::vector<std::string> filas;
    auto c = base.OpenRecordset(tabla);
    for (; !c->Eof(); c->MoveNext()) {
        std::string fila;
        for (int i = 0; i < 3; ++i)
            fila += c->Fields(i).ComoTexto() + "|";
        filas.push_back(fila);
    }
    return filas;
}

TEST(Generador, MismaSemillaMismasFilasOtraSemillaOtras) {
    CarpetaTemporal carpeta;
    OpcionesGenerador o;
    o.Entradas = 500;
    GenerarBaseConfiguracion(carpeta / "a.orv", o);
    GenerarBaseConfiguracion(carpeta / "b.orv", o);
    o.Semilla = 2;
    GenerarBaseConfiguracion(carpeta / "c.orv", o);
    auto a = AbrirComoPrograma(carpeta / "a.orv");
    auto b = AbrirComoPrograma(carpeta / "b.orv");
    auto c = AbrirComoPrograma(carpeta / "c.orv");
    for (const char* tabla : {"Numeros de lada", "Tablas de ladas", "LD1", "LD4"})
        EXPECT_EQ(Filas(*a, tabla), Filas(*b, tabla)) << tabla;
    // The catalogue depends on the table count only; the rows on the seed.
    for (const char* tabla : {"Numeros de lada", "LD1", "LD4"})
        EXPECT_NE(Filas(*a, tabla), Filas(*c, tabla)) << tabla;
}

// The installation has the schema the program reads: entries, a catalogue
// with purged and kept tables, and "LD" tables whose idLada point at entries.
TEST(Generador, InstalacionConElEsquemaEsperado) {
    CarpetaTemporal carpeta;
    OpcionesGenerador o;
    o.Entradas = 1000;
    o.TablasLD = 6;
    o.ReferenciasPorEntrada = 2;
    const auto r = GenerarInstalacion(carpeta / "Orvanto", o);
    EXPECT_EQ(r.RutaConfig, carpeta / "Orvanto" / "config" / "tablas.orv");
    EXPECT_GT(r.Antiguas, 200);
    EXPECT_GT(r.SoloPrefijo, 0);
    EXPECT_GT(r.Nulas, 0);
    EXPECT_EQ(r.Referencias, 2000);

    auto base = AbrirComoPrograma(r.RutaConfig);
    ASSERT_NE(base, nullptr);
    const auto claves = ClavesDe(*base);
    EXPECT_EQ(claves.size(), 1000u);

    auto catalogo = base->OpenRecordset(kTablaCatalogo);
    int depuradas = 0, conservadas = 0;
    std::int64_t referencias = 0;
    for (; !catalogo->Eof(); catalogo->MoveNext()) {
        (*catalogo->Fields(2).Entero() > 0 ? depuradas : conservadas)++;
        auto ld = base->OpenRecordset("LD" + catalogo->Fields(0).ComoTexto());
        for (; !ld->Eof(); ld->MoveNext(), ++referencias) {
            const auto id = *ld->Fields(1).Entero();
            ASSERT_TRUE(std::binary_search(claves.begin(), claves.end(), id));
        }
    }
    EXPECT_EQ(depuradas, 4);
    EXPECT_EQ(conservadas, 2);
    EXPECT_EQ(referencias, 2000);
}

// Never overwrites: an existing file, or a folder where the file goes, is an
// error that leaves what was there untouched.
TEST(Generador, NoReemplazaNiDejaRestos) {
    CarpetaTemporal carpeta;
    EscribirBytes(carpeta / "tablas.orv", "datos del operador");
    EXPECT_THROW(GenerarBaseConfiguracion(carpeta / "tablas.orv", {}), ErrorGenerador);
    EXPECT_EQ(LeerBytes(carpeta / "tablas.orv"), "datos del operador");

    EscribirBytes(carpeta / "archivo", "x");
    EXPECT_THROW(GenerarInstalacion(carpeta / "archivo", {}), ErrorGenerador);
    OpcionesGenerador mala;
    mala.Entradas = -1;
    EXPECT_THROW(GenerarBaseConfiguracion(carpeta / "nueva.orv", mala), ErrorGenerador);
    EXPECT_FALSE(fs::exists(carpeta / "nueva.orv"));
}

} // namespace
} // namespace vesmadur
