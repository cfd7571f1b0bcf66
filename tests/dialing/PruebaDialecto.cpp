#include "dialing/CadenaConexion.h"
#include "dialing/DialectoJet.h"
#include "dialing/ErrorMotor.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

struct Traduccion {
    const char* Jet;
    const char* Sql;
};

void PrintTo(const Traduccion& t, std::ostream* os) {
    *os << t.Jet;
}

class Dialecto : public testing::TestWithParam<Traduccion> {};

TEST_P(Dialecto, TraduceSinTocarLiterales) {
    EXPECT_EQ(TraducirDialecto(GetParam().Jet), GetParam().Sql);
}

INSTANTIATE_TEST_SUITE_P(
    Sentencias, Dialecto,
    testing::Values(
        // The statements of the adjustment run, as they are built.
        Traduccion{"UPDATE [Numeros de lada] SET telefono = '5512345678' WHERE lnId = 7",
                   "UPDATE \"Numeros de lada\" SET telefono = '5512345678' WHERE lnId = 7"},
        Traduccion{"DELETE * FROM LD3 WHERE idLada = 5", "DELETE FROM LD3 WHERE idLada = 5"},
        Traduccion{"DELETE * FROM [Numeros de lada] WHERE lnId = 5",
                   "DELETE FROM \"Numeros de lada\" WHERE lnId = 5"},
        Traduccion{"  delete   *   from LD1", "  delete from LD1"},
        Traduccion{"DELETE FROM LD1 WHERE idLada = 2", "DELETE FROM LD1 WHERE idLada = 2"},
        // Literals keep brackets, stars and doubled quotes as they are.
        Traduccion{"UPDATE t SET a = '[x] DELETE * FROM' WHERE b = 1",
                   "UPDATE t SET a = '[x] DELETE * FROM' WHERE b = 1"},
        Traduccion{"UPDATE t SET a = 'O''Hara'", "UPDATE t SET a = 'O''Hara'"},
        Traduccion{"UPDATE t SET a = '--' WHERE b = ';'", "UPDATE t SET a = '--' WHERE b = ';'"},
        // Jet's double-quoted literal is a single-quoted one in SQLite.
        Traduccion{"UPDATE t SET a = \"it's \"\"x\"\"\"", "UPDATE t SET a = 'it''s \"x\"'"},
        // A double quote inside a bracketed name is doubled in the identifier.
        Traduccion{"SELECT [a\"b] FROM t", "SELECT \"a\"\"b\" FROM t"},
        Traduccion{"UPDATE t SET a = 1;", "UPDATE t SET a = 1"},
        Traduccion{"DELETE *FROM LD2", "DELETE FROM LD2"},
        Traduccion{"DELETE * FROMX", "DELETE * FROMX"}));

class DialectoRechazado : public testing::TestWithParam<const char*> {};

// Nothing in a value may end a literal early and add a statement or a comment.
TEST_P(DialectoRechazado, LanzaErrorMotor) {
    EXPECT_THROW(TraducirDialecto(GetParam()), ErrorMotor);
}

INSTANTIATE_TEST_SUITE_P(
    Malformadas, DialectoRechazado,
    testing::Values("UPDATE t SET a = 'abierto", "UPDATE [Numeros de lada SET a = 1",
                    "UPDATE t SET a = \"abierto", "UPDATE t SET a = ''' WHERE 1",
                    "UPDATE t SET a = 'x'; DROP TABLE t", "UPDATE t SET a = 1 -- resto",
                    "UPDATE t SET a = 1 /* resto */", "SELECT [a[b]] FROM t"));

// Connect strings: what opens and what is refused.
struct Conexion {
    const char* Texto;
    bool Aceptada;
    const char* Clave;
};

void PrintTo(const Conexion& c, std::ostream* os) {
    *os << '"' << c.Texto << '"';
}

class CadenaDeConexion : public testing::TestWithParam<Conexion> {};

TEST_P(CadenaDeConexion, ClaveYOpciones) {
    const auto opciones = InterpretarConexion(GetParam().Texto);
    ASSERT_EQ(opciones.has_value(), GetParam().Aceptada);
    if (opciones) {
        EXPECT_EQ(opciones->Clave, GetParam().Clave);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Textos, CadenaDeConexion,
    testing::Values(Conexion{";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5316", true, "KVTR5316"},
                    Conexion{"MS Access;PWD=abc", true, "abc"}, Conexion{";pwd=a=b", true, "a=b"},
                    Conexion{";pwd= x ", true, " x "}, Conexion{"", true, ""},
                    Conexion{";LANGID=0409;pwd=x", true, "x"},
                    Conexion{";LANGID=zz;pwd=x", false, ""}, Conexion{";CP=12a;pwd=x", false, ""},
                    Conexion{";pwd=x;pwd=y", false, ""}, Conexion{";UID=admin;pwd=x", false, ""},
                    Conexion{";pwd", false, ""}, Conexion{"ODBC;pwd=x", false, ""}));

} // namespace
} // namespace vesmadur
