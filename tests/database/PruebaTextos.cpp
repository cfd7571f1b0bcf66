#include "database/CadenaConexion.h"
#include "database/DialectoJet.h"
#include "database/ErrorMotor.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using Par = std::pair<const char*, const char*>;

// Jet statements and what SQLite is given ("" when unchanged, nullptr when
// refused): literals stay as they are, and nothing in a value may end a
// literal early and add a statement or a comment.
class Dialecto : public testing::TestWithParam<Par> {};

TEST_P(Dialecto, TraduceSinTocarLiteralesORechaza) {
    const auto [jet, sql] = GetParam();
    if (!sql) {
        EXPECT_THROW(TraducirDialecto(jet), ErrorMotor);
    } else {
        EXPECT_EQ(TraducirDialecto(jet), *sql ? sql : jet);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sentencias, Dialecto,
    testing::Values(
        Par{"UPDATE [Numeros de lada] SET telefono = '5512345678' WHERE lnId = 7", ""},
        Par{"DELETE * FROM [Numeros de lada] WHERE lnId = 5",
            "DELETE FROM [Numeros de lada] WHERE lnId = 5"},
        Par{"  delete   *   from LD1", "  delete from LD1"},
        Par{"DELETE *FROM LD2", "DELETE FROM LD2"}, Par{"DELETE FROM LD1 WHERE idLada = 2", ""},
        Par{"DELETE * FROMX", ""}, Par{"UPDATE t SET a = '[x] DELETE * FROM' WHERE b = 1", ""},
        Par{"UPDATE t SET a = 'O''Hara'", ""}, Par{"UPDATE t SET a = '--' WHERE b = ';'", ""},
        // Jet's double-quoted literal is a single-quoted one in SQLite.
        Par{"UPDATE t SET a = \"it's \"\"x\"\"\"", "UPDATE t SET a = 'it''s \"x\"'"},
        // A bracketed name stays bracketed, whatever it holds.
        Par{"SELECT [a\"b] FROM t", ""}, Par{"UPDATE t SET a = 1;", "UPDATE t SET a = 1"},
        Par{"UPDATE t SET a = 'abierto", nullptr},
        Par{"UPDATE [Numeros de lada SET a = 1", nullptr},
        Par{"UPDATE t SET a = \"abierto", nullptr}, Par{"UPDATE t SET a = ''' WHERE 1", nullptr},
        Par{"UPDATE t SET a = 'x'; DROP TABLE t", nullptr},
        Par{"UPDATE t SET a = 1 -- resto", nullptr}, Par{"UPDATE t SET a = 1 /* resto */", nullptr},
        Par{"SELECT [a[b]] FROM t", nullptr}));

// Connect strings: the key of those that open; nullptr for those refused.
class CadenaDeConexion : public testing::TestWithParam<Par> {};

TEST_P(CadenaDeConexion, ClaveOFallo) {
    const auto opciones = InterpretarConexion(GetParam().first);
    ASSERT_EQ(opciones.has_value(), GetParam().second != nullptr);
    if (opciones) {
        EXPECT_EQ(opciones->Clave, GetParam().second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Textos, CadenaDeConexion,
    testing::Values(Par{";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5316", "KVTR5316"},
                    Par{"MS Access;PWD=abc", "abc"}, Par{";pwd=a=b", "a=b"}, Par{";pwd= x ", " x "},
                    Par{"", ""}, Par{";LANGID=0409;pwd=x", "x"}, Par{";LANGID=zz;pwd=x", nullptr},
                    Par{";CP=12a;pwd=x", nullptr}, Par{";pwd=x;pwd=y", nullptr},
                    Par{";UID=admin;pwd=x", nullptr}, Par{";pwd", nullptr},
                    Par{"ODBC;pwd=x", nullptr}));

} // namespace
} // namespace vesmadur
