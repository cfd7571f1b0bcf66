#include "Ayudas.h"
#include "dialing/Configuracion.h"

#include <map>
#include <set>

namespace vesmadur {
namespace {

using namespace prueba;

class Cursor : public testing::Test {
protected:
    void Generar(std::int32_t entradas) {
        OpcionesGenerador o;
        o.Entradas = entradas;
        o.TablasLD = 2;
        o.ParteNula = 0.05;
        GenerarBaseConfiguracion(carpeta_ / "tablas.orv", o);
        base_ = AbrirComoPrograma(carpeta_ / "tablas.orv");
        ASSERT_NE(base_, nullptr);
    }
    void Ejecutar(const std::string& sentencia) { base_->Execute(sentencia); }

    CarpetaTemporal carpeta_;
    std::unique_ptr<Database> base_;
};

// The walk of the adjustment run: populated first, then rows changed and
// deleted through Execute around the cursor. Every original row is visited
// once, in order; changes made ahead show when the row is reached; a row
// deleted ahead is still visited, as deleted, with Null fields; rows added
// during the walk are not part of it. The table spans several read blocks.
TEST_F(Cursor, RecorridoConCambiosYBorradosVisitaCadaFilaOriginalUnaVez) {
    Generar(1200);
    const auto originales = ClavesDe(*base_);
    ASSERT_EQ(originales.size(), 1200u);

    auto cursor = base_->OpenRecordset(kTablaNumeros, dbOpenDynaset);
    cursor->MoveLast();
    cursor->MoveFirst();

    std::map<std::int64_t, std::string> esperado; // changes made ahead of the cursor
    std::set<std::int64_t> borradas;
    std::int64_t nueva = originales.back() + 1000;
    std::size_t i = 0;
    for (; !cursor->Eof(); cursor->MoveNext(), ++i) {
        ASSERT_LT(i, originales.size());
        const std::int64_t clave = originales[i];
        if (borradas.count(clave)) {
            EXPECT_TRUE(cursor->FilaBorrada()) << clave;
            EXPECT_TRUE(cursor->Fields(0).EsNulo());
            EXPECT_TRUE(cursor->Fields(1).EsNulo());
            continue;
        }
        ASSERT_FALSE(cursor->FilaBorrada()) << clave;
        ASSERT_EQ(cursor->Fields(0).Entero(), clave);
        if (esperado.count(clave)) {
            EXPECT_EQ(cursor->Fields(1), Variante(esperado[clave]));
        }

        const auto id = std::to_string(clave);
        // The current row, then rows ahead, behind, and a new one.
        Ejecutar("UPDATE [Numeros de lada] SET telefono = 'actual' WHERE lnId = " + id);
        EXPECT_EQ(cursor->Fields(1), Variante("actual"));
        if (i + 7 < originales.size() && !borradas.count(originales[i + 7])) {
            const std::string valor = "adelante " + id;
            Ejecutar("UPDATE [Numeros de lada] SET telefono = '" + valor +
                     "' WHERE lnId = " + std::to_string(originales[i + 7]));
            esperado[originales[i + 7]] = valor;
        }
        if (i % 10 == 0 && i + 3 < originales.size()) {
            Ejecutar("DELETE * FROM [Numeros de lada] WHERE lnId = " +
                     std::to_string(originales[i + 3]));
            borradas.insert(originales[i + 3]);
        }
        if (i % 25 == 0 && i > 0)
            Ejecutar("DELETE * FROM [Numeros de lada] WHERE lnId = " +
                     std::to_string(originales[i - 1]));
        Ejecutar("INSERT INTO [Numeros de lada] (lnId, telefono) VALUES (" +
                 std::to_string(nueva++) + ", 'nueva')");
    }
    EXPECT_EQ(i, originales.size());
    EXPECT_THROW(cursor->MoveNext(), ErrorMotor);
    EXPECT_THROW(cursor->Fields(0), ErrorMotor);
    cursor->Close();

    // The changes are in the database.
    const auto despues = ClavesDe(*base_);
    for (auto b : borradas)
        EXPECT_FALSE(std::binary_search(despues.begin(), despues.end(), b));
    EXPECT_EQ(TelefonoDe(*base_, originales[5]), Variante("actual"));
}

// The count walks without populating first: keys are taken block by block.
// Changes ahead still show when reached, and every row is visited once.
TEST_F(Cursor, RecorridoSinPoblarVeLosCambiosAdelante) {
    Generar(1000);
    const auto originales = ClavesDe(*base_);
    auto cursor = base_->OpenRecordset(kTablaNumeros);
    std::size_t i = 0;
    for (; !cursor->Eof(); cursor->MoveNext(), ++i) {
        ASSERT_EQ(cursor->Fields(0).Entero(), originales[i]);
        if (i > 0) {
            EXPECT_EQ(cursor->Fields(1), Variante("marcada"));
        }
        if (i + 1 < originales.size())
            Ejecutar("UPDATE [Numeros de lada] SET telefono = 'marcada' WHERE lnId = " +
                     std::to_string(originales[i + 1]));
    }
    EXPECT_EQ(i, originales.size());
}

// A row whose key changes ahead of the cursor has left its place: it reads
// as deleted there, and its new key is not part of the populated walk.
TEST_F(Cursor, FilaQueCambiaDeClaveAdelanteSeVeBorrada) {
    Generar(30);
    const auto originales = ClavesDe(*base_);
    auto cursor = base_->OpenRecordset(kTablaNumeros);
    cursor->MoveLast();
    cursor->MoveFirst();
    ASSERT_FALSE(cursor->FilaBorrada());
    Ejecutar("UPDATE [Numeros de lada] SET lnId = 100000 WHERE lnId = " +
             std::to_string(originales[4]));
    std::vector<bool> borradas;
    for (; !cursor->Eof(); cursor->MoveNext())
        borradas.push_back(cursor->FilaBorrada());
    ASSERT_EQ(borradas.size(), originales.size());
    for (std::size_t i = 0; i < borradas.size(); ++i)
        EXPECT_EQ(borradas[i], i == 4) << i;
}

// Emptying the whole table at once (a change the library does not report
// row by row) still leaves no stale values on the cursor.
TEST_F(Cursor, VaciarLaTablaDuranteElRecorrido) {
    Generar(50);
    auto cursor = base_->OpenRecordset(kTablaNumeros);
    cursor->MoveLast();
    cursor->MoveFirst();
    EXPECT_FALSE(cursor->FilaBorrada());
    Ejecutar("DELETE * FROM [Numeros de lada]");
    std::size_t visitas = 0;
    for (; !cursor->Eof(); cursor->MoveNext(), ++visitas) {
        EXPECT_TRUE(cursor->FilaBorrada());
        EXPECT_TRUE(cursor->Fields(1).EsNulo());
    }
    EXPECT_EQ(visitas, 50u);
}

TEST_F(Cursor, PorcentajeDeCeroACien) {
    Generar(5);
    for (bool poblar : {false, true}) {
        auto cursor = base_->OpenRecordset(kTablaNumeros);
        if (poblar) {
            cursor->MoveLast();
            EXPECT_FLOAT_EQ(cursor->PercentPosition(), 100.0f);
            cursor->MoveFirst();
        }
        std::vector<float> posiciones;
        for (; !cursor->Eof(); cursor->MoveNext())
            posiciones.push_back(cursor->PercentPosition());
        EXPECT_EQ(posiciones, (std::vector<float>{0.0f, 25.0f, 50.0f, 75.0f, 100.0f}));
        EXPECT_FLOAT_EQ(cursor->PercentPosition(), 100.0f);
    }
}

// An empty table: end of file at once; populating and going back to the
// first row do nothing instead of failing.
TEST_F(Cursor, TablaVacia) {
    Generar(20);
    Ejecutar("DELETE * FROM [Numeros de lada]");
    auto cursor = base_->OpenRecordset(kTablaNumeros);
    EXPECT_TRUE(cursor->Eof());
    EXPECT_NO_THROW(cursor->MoveLast());
    EXPECT_NO_THROW(cursor->MoveFirst());
    EXPECT_TRUE(cursor->Eof());
    EXPECT_FLOAT_EQ(cursor->PercentPosition(), 0.0f);
    EXPECT_THROW(cursor->Fields(1), ErrorMotor);
    EXPECT_THROW(cursor->MoveNext(), ErrorMotor);
}

TEST_F(Cursor, CamposPorPosicionConSuTipo) {
    Generar(40);
    auto catalogo = base_->OpenRecordset("tablas DE LADAS");
    ASSERT_FALSE(catalogo->Eof());
    EXPECT_EQ(catalogo->Fields(0), Variante(std::int64_t{1}));
    EXPECT_EQ(catalogo->Fields(1), Variante("Ladas zona 1"));
    EXPECT_EQ(catalogo->Fields(2), Variante(std::int64_t{1}));
    EXPECT_THROW(catalogo->Fields(3), ErrorMotor);
    EXPECT_THROW(catalogo->Fields(-1), ErrorMotor);

    Ejecutar("UPDATE LD1 SET tarifa = 1.5 WHERE idRegistro = (SELECT min(idRegistro) FROM LD1)");
    auto ld = base_->OpenRecordset("LD1");
    ASSERT_FALSE(ld->Eof());
    EXPECT_EQ(ld->Fields(2), Variante(1.5));

    std::size_t nulos = 0;
    auto numeros = base_->OpenRecordset(kTablaNumeros);
    for (; !numeros->Eof(); numeros->MoveNext()) {
        const auto telefono = numeros->Fields(1);
        EXPECT_TRUE(telefono.EsTexto() || telefono.EsNulo());
        nulos += telefono.EsNulo();
    }
    EXPECT_GT(nulos, 0u);

    EXPECT_THROW(base_->OpenRecordset("LD99"), ErrorMotor);
    EXPECT_THROW(base_->OpenRecordset("sqlite_master"), ErrorMotor);
    EXPECT_THROW(base_->OpenRecordset(kTablaNumeros, 4), ErrorMotor);
}

} // namespace
} // namespace vesmadur
