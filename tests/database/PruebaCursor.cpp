#include "ayudas/BaseDatos.h"

#include <gtest/gtest.h>
#include <set>

namespace vesmadur {
namespace {

using namespace prueba;

// A database of `entradas` rows, open, with its keys; a dynaset on the
// numbers, populated (standing on the last row, then on the first) or not.
class Cursor : public testing::Test {
protected:
    void Preparar(std::int32_t entradas) {
        ASSERT_NE(base_ = AbrirComoPrograma(Generar(carpeta_, entradas).RutaConfig), nullptr);
        for (const auto& fila : LeerNumeros(*base_))
            o_.push_back(fila.first);
    }
    std::unique_ptr<Recordset> Dinamico(bool poblar) {
        auto cursor = base_->OpenRecordset(kTablaNumeros, dbOpenDynaset);
        if (poblar)
            cursor->MoveLast(), cursor->MoveFirst();
        return cursor;
    }
    // Runs `sentencia` on the row of key `clave`.
    void En(std::int64_t clave, const std::string& sentencia) {
        base_->Execute(sentencia + " WHERE lnId = " + std::to_string(clave));
    }
    void Fijar(std::int64_t clave, const std::string& valor) {
        En(clave, "UPDATE [Numeros de lada] SET telefono = '" + valor + "'");
    }
    CarpetaTemporal carpeta_;
    std::unique_ptr<Database> base_;
    std::vector<std::int64_t> o_; // the original keys
};

// The count's walk (unpopulated, keys taken block by block) and the run's
// (populated, while Execute changes rows around it) visit each original row
// once, in order, with every change made before it is reached, and no row
// added; a row deleted, moved to a new key or gone with the table reads Null.
TEST_F(Cursor, RecorridosConCambiosVisitanCadaFilaOriginalUnaVez) {
    Preparar(1200);
    std::size_t i = 0;
    for (auto cuenta = Dinamico(false); !cuenta->Eof(); cuenta->MoveNext(), ++i) {
        ASSERT_EQ(cuenta->Fields(0).Entero(), o_[i]);
        EXPECT_TRUE(i == 0 || cuenta->Fields(1) == Variante("marcada")) << o_[i];
        Fijar(o_[std::min(i + 1, o_.size() - 1)], "marcada");
    }
    ASSERT_EQ(i, o_.size());
    auto cursor = Dinamico(true);
    std::map<std::int64_t, std::string> esperado; // changes made ahead of the cursor
    std::set<std::int64_t> borradas;
    std::int64_t nueva = o_.back() + 1000;
    for (i = 0; !cursor->Eof(); cursor->MoveNext(), ++i) {
        ASSERT_LT(i, o_.size());
        if (i == o_.size() - 20) {
            base_->Execute("DELETE * FROM [Numeros de lada]");
            borradas.insert(o_.begin() + static_cast<std::ptrdiff_t>(i), o_.end());
        }
        if (borradas.count(o_[i])) {
            EXPECT_TRUE(cursor->FilaBorrada() && cursor->Fields(0).EsNulo() &&
                        cursor->Fields(1).EsNulo())
                << o_[i];
            continue;
        }
        ASSERT_FALSE(cursor->FilaBorrada()) << o_[i];
        ASSERT_EQ(cursor->Fields(0).Entero(), o_[i]);
        if (esperado.count(o_[i])) {
            EXPECT_EQ(cursor->Fields(1), Variante(esperado[o_[i]]));
        }
        Fijar(o_[i], "actual");
        EXPECT_EQ(cursor->Fields(1), Variante("actual"));
        if (i + 7 < o_.size() && !borradas.count(o_[i + 7]))
            Fijar(o_[i + 7], esperado[o_[i + 7]] = "adelante " + std::to_string(o_[i]));
        if (i % 10 == 0 && i + 3 < o_.size()) {
            En(o_[i + 3], "DELETE * FROM [Numeros de lada]");
            borradas.insert(o_[i + 3]);
        }
        if (i % 25 == 0 && i > 0)
            En(o_[i - 1], "DELETE * FROM [Numeros de lada]");
        if (i == 100) {
            En(o_[i + 20], "UPDATE [Numeros de lada] SET lnId = " + std::to_string(nueva++));
            borradas.insert(o_[i + 20]);
        }
        base_->Execute("INSERT INTO [Numeros de lada] (lnId, telefono) VALUES (" +
                       std::to_string(nueva++) + ", 'nueva')");
    }
    EXPECT_EQ(i, o_.size());
    EXPECT_THROW(cursor->MoveNext(), ErrorMotor);
    EXPECT_THROW(cursor->Fields(0), ErrorMotor);
}

// Position 0 to 100, populated or not. Fields by position with their stored
// type; positions out of range, unknown or internal tables and other recordset
// types refused. On an empty table the cursor is at its end, and stays there.
TEST_F(Cursor, PorcentajeCamposYTablaVacia) {
    Preparar(5);
    for (bool poblar : {false, true}) {
        auto cursor = Dinamico(poblar);
        std::vector<float> posiciones;
        for (; !cursor->Eof(); cursor->MoveNext())
            posiciones.push_back(cursor->PercentPosition());
        EXPECT_EQ(posiciones, (std::vector<float>{0.0f, 25.0f, 50.0f, 75.0f, 100.0f}));
        EXPECT_FLOAT_EQ(cursor->PercentPosition(), 100.0f);
    }
    base_->Execute("UPDATE LD1 SET tarifa = 1.5");
    Fijar(o_[1], "");
    En(o_[0], "UPDATE [Numeros de lada] SET telefono = NULL");
    auto ld = base_->OpenRecordset("ld1");
    EXPECT_TRUE(ld->Fields(0).Entero().has_value());
    EXPECT_EQ(ld->Fields(2), Variante(1.5));
    EXPECT_THROW(ld->Fields(3), ErrorMotor);
    EXPECT_THROW(ld->Fields(-1), ErrorMotor);
    const auto numeros = LeerNumeros(*base_);
    EXPECT_EQ(numeros.at(o_[0]), std::nullopt);
    EXPECT_EQ(numeros.at(o_[1]), "");
    for (const char* tabla : {"LD99", "sqlite_master"})
        EXPECT_THROW(base_->OpenRecordset(tabla), ErrorMotor) << tabla;
    EXPECT_THROW(base_->OpenRecordset(kTablaNumeros, 4), ErrorMotor);
    base_->Execute("DELETE * FROM [Numeros de lada]");
    auto vacio = base_->OpenRecordset(kTablaNumeros);
    EXPECT_TRUE(vacio->Eof());
    vacio->MoveLast();
    vacio->MoveFirst();
    EXPECT_TRUE(vacio->Eof());
    EXPECT_FLOAT_EQ(vacio->PercentPosition(), 0.0f);
}

} // namespace
} // namespace vesmadur
