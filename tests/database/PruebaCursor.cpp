#include "ayudas/BaseDatos.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace vesmadur {
namespace {

using namespace prueba;

class Cursor : public testing::Test {
protected:
    // A database of `entradas` rows, open, and its keys.
    void Preparar(std::int32_t entradas) {
        ASSERT_NE(base_ = AbrirComoPrograma(Generar(carpeta_, entradas).RutaConfig), nullptr);
        for (const auto& fila : LeerNumeros(*base_))
            originales_.push_back(fila.first);
    }
    // A dynaset on the numbers, populated (standing on the last row, then
    // back on the first) unless `poblar` is false.
    std::unique_ptr<Recordset> Dinamico(bool poblar = true) {
        auto cursor = base_->OpenRecordset(kTablaNumeros, dbOpenDynaset);
        if (poblar) {
            cursor->MoveLast();
            EXPECT_FLOAT_EQ(cursor->PercentPosition(), 100.0f);
            cursor->MoveFirst();
        }
        return cursor;
    }
    void Fijar(std::int64_t clave, const std::string& valor) {
        base_->Execute("UPDATE [Numeros de lada] SET telefono = '" + valor +
                       "' WHERE lnId = " + std::to_string(clave));
    }
    void Borrar(std::int64_t clave) {
        base_->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = " + std::to_string(clave));
    }

    CarpetaTemporal carpeta_;
    std::unique_ptr<Database> base_;
    std::vector<std::int64_t> originales_;
};

// The walk of the adjustment run: populated first, then rows changed and
// deleted through Execute around the cursor. Every original row is visited
// once, in order; changes made ahead show when the row is reached; a row
// deleted ahead is still visited, as deleted, with Null fields; rows added
// during the walk are not part of it. The table spans several read blocks.
TEST_F(Cursor, RecorridoConCambiosYBorradosVisitaCadaFilaOriginalUnaVez) {
    Preparar(1200);
    auto cursor = Dinamico();
    const auto& o = originales_;
    std::map<std::int64_t, std::string> esperado; // changes made ahead of the cursor
    std::set<std::int64_t> borradas;
    std::int64_t nueva = o.back() + 1000;
    std::size_t i = 0;
    for (; !cursor->Eof(); cursor->MoveNext(), ++i) {
        ASSERT_LT(i, o.size());
        if (borradas.count(o[i])) {
            EXPECT_TRUE(cursor->FilaBorrada() && cursor->Fields(0).EsNulo() &&
                        cursor->Fields(1).EsNulo())
                << o[i];
            continue;
        }
        ASSERT_FALSE(cursor->FilaBorrada()) << o[i];
        ASSERT_EQ(cursor->Fields(0).Entero(), o[i]);
        if (esperado.count(o[i])) {
            EXPECT_EQ(cursor->Fields(1), Variante(esperado[o[i]]));
        }
        // The current row, then rows ahead, behind, and a new one.
        Fijar(o[i], "actual");
        EXPECT_EQ(cursor->Fields(1), Variante("actual"));
        if (i + 7 < o.size() && !borradas.count(o[i + 7]))
            Fijar(o[i + 7], esperado[o[i + 7]] = "adelante " + std::to_string(o[i]));
        if (i % 10 == 0 && i + 3 < o.size()) {
            Borrar(o[i + 3]);
            borradas.insert(o[i + 3]);
        }
        if (i % 25 == 0 && i > 0)
            Borrar(o[i - 1]);
        base_->Execute("INSERT INTO [Numeros de lada] (lnId, telefono) VALUES (" +
                       std::to_string(nueva++) + ", 'nueva')");
    }
    EXPECT_EQ(i, o.size());
    EXPECT_THROW(cursor->MoveNext(), ErrorMotor);
    EXPECT_THROW(cursor->Fields(0), ErrorMotor);
}

// The count walks without populating first, taking keys block by block:
// changes ahead still show when reached, and every row is visited once.
TEST_F(Cursor, RecorridoSinPoblarVeLosCambiosAdelante) {
    Preparar(1000);
    auto cursor = Dinamico(false);
    std::size_t i = 0;
    for (; !cursor->Eof(); cursor->MoveNext(), ++i) {
        ASSERT_EQ(cursor->Fields(0).Entero(), originales_[i]);
        if (i > 0) {
            EXPECT_EQ(cursor->Fields(1), Variante("marcada"));
        }
        if (i + 1 < originales_.size())
            Fijar(originales_[i + 1], "marcada");
    }
    EXPECT_EQ(i, originales_.size());
}

// A row whose key changes ahead of the cursor has left its place: it reads as
// deleted there, and its new key is not part of the populated walk. Emptying
// the whole table at once (a change the library does not report row by row)
// leaves no stale values either. A cursor on the empty table is at its end at
// once; populating and going back do nothing.
TEST_F(Cursor, FilasQueSeVanDelanteDelCursorSeVenBorradas) {
    Preparar(30);
    auto cursor = Dinamico();
    base_->Execute("UPDATE [Numeros de lada] SET lnId = 100000 WHERE lnId = " +
                   std::to_string(originales_[4]));
    std::vector<bool> borradas, esperado(30, false);
    esperado[4] = true;
    std::fill(esperado.begin() + 10, esperado.end(), true);
    for (; !cursor->Eof(); cursor->MoveNext()) {
        if (borradas.size() == 10)
            base_->Execute("DELETE * FROM [Numeros de lada]");
        borradas.push_back(cursor->FilaBorrada() && cursor->Fields(1).EsNulo());
    }
    EXPECT_EQ(borradas, esperado);

    auto vacio = base_->OpenRecordset(kTablaNumeros);
    EXPECT_TRUE(vacio->Eof());
    EXPECT_NO_THROW(vacio->MoveLast());
    EXPECT_NO_THROW(vacio->MoveFirst());
    EXPECT_TRUE(vacio->Eof());
    EXPECT_FLOAT_EQ(vacio->PercentPosition(), 0.0f);
    EXPECT_THROW(vacio->Fields(1), ErrorMotor);
    EXPECT_THROW(vacio->MoveNext(), ErrorMotor);
}

TEST_F(Cursor, PorcentajeDeCeroACien) {
    Preparar(5);
    for (bool poblar : {false, true}) {
        auto cursor = Dinamico(poblar);
        std::vector<float> posiciones;
        for (; !cursor->Eof(); cursor->MoveNext())
            posiciones.push_back(cursor->PercentPosition());
        EXPECT_EQ(posiciones, (std::vector<float>{0.0f, 25.0f, 50.0f, 75.0f, 100.0f}));
        EXPECT_FLOAT_EQ(cursor->PercentPosition(), 100.0f);
    }
}

// Fields by 0-based position with their stored type; positions out of range,
// unknown or internal tables and other recordset types are refused.
TEST_F(Cursor, CamposPorPosicionConSuTipo) {
    Preparar(40);
    base_->Execute("UPDATE LD1 SET tarifa = 1.5 WHERE idRegistro = (SELECT min(idRegistro) FROM "
                   "LD1)");
    Fijar(originales_[1], "");
    base_->Execute("UPDATE [Numeros de lada] SET telefono = NULL WHERE lnId = 1");
    auto ld = base_->OpenRecordset("ld1");
    EXPECT_TRUE(ld->Fields(0).Entero().has_value());
    EXPECT_EQ(ld->Fields(2), Variante(1.5));
    EXPECT_THROW(ld->Fields(3), ErrorMotor);
    EXPECT_THROW(ld->Fields(-1), ErrorMotor);
    EXPECT_EQ(LeerNumeros(*base_).at(1), std::nullopt);
    EXPECT_EQ(LeerNumeros(*base_).at(originales_[1]), "");
    for (const char* tabla : {"LD99", "sqlite_master"})
        EXPECT_THROW(base_->OpenRecordset(tabla), ErrorMotor) << tabla;
    EXPECT_THROW(base_->OpenRecordset(kTablaNumeros, 4), ErrorMotor);
}

} // namespace
} // namespace vesmadur
