#include "database/CadenaConexion.h"
#include "database/DialectoJet.h"
#include "database/ErrorMotor.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

// A text given to a function and what it gives back (nullptr when refused).
struct Texto {
    const char *Nombre, *Entrada, *Salida;
    friend void PrintTo(const Texto& t, std::ostream* os) { *os << t.Nombre; }
};

// Jet statements and what SQLite is given ("" when unchanged): literals stay
// as they are, and nothing in a value may end a literal early and add a
// statement or a comment.
class Dialecto : public testing::TestWithParam<Texto> {};

TEST_P(Dialecto, TraduceSinTocarLiteralesORechaza) {
    const auto [nombre, jet, sql] = GetParam();
    if (!sql) {
        EXPECT_THROW(TraducirDialecto(jet), ErrorMotor);
    } else {
        EXPECT_EQ(TraducirDialecto(jet), *sql ? sql : jet);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Sentencias, Dialecto, testing::Values(
    Texto{"Actualizar", "UPDATE [Numeros de lada] SET telefono = '5512345678' WHERE lnId = 7", ""},
    Texto{"BorrarTodo", "DELETE * FROM [Numeros de lada] WHERE lnId = 5",
          "DELETE FROM [Numeros de lada] WHERE lnId = 5"},
    Texto{"BorrarTodoEnMinusculas", "  delete   *   from LD1", "  delete from LD1"},
    Texto{"AsteriscoPegado", "DELETE *FROM LD2", "DELETE FROM LD2"},
    Texto{"Borrar", "DELETE FROM LD1 WHERE idLada = 2", ""},
    Texto{"NoEsFrom", "DELETE * FROMX", ""},
    Texto{"BorrarTodoEnUnLiteral", "UPDATE t SET a = '[x] DELETE * FROM' WHERE b = 1", ""},
    Texto{"ComillaDoblada", "UPDATE t SET a = 'O''Hara'", ""},
    Texto{"ComentarioEnUnLiteral", "UPDATE t SET a = '--' WHERE b = ';'", ""},
    // Jet's double-quoted literal is a single-quoted one in SQLite.
    Texto{"LiteralEntreComillasDobles", "UPDATE t SET a = \"it's \"\"x\"\"\"",
          "UPDATE t SET a = 'it''s \"x\"'"},
    // A bracketed name stays bracketed, whatever it holds.
    Texto{"ComillaEnUnNombre", "SELECT [a\"b] FROM t", ""},
    Texto{"PuntoYComaFinal", "UPDATE t SET a = 1;", "UPDATE t SET a = 1"},
    Texto{"LiteralAbierto", "UPDATE t SET a = 'abierto", nullptr},
    Texto{"CorcheteAbierto", "UPDATE [Numeros de lada SET a = 1", nullptr},
    Texto{"LiteralDobleAbierto", "UPDATE t SET a = \"abierto", nullptr},
    Texto{"ComillaSuelta", "UPDATE t SET a = ''' WHERE 1", nullptr},
    Texto{"SegundaSentencia", "UPDATE t SET a = 'x'; DROP TABLE t", nullptr},
    Texto{"ComentarioDeLinea", "UPDATE t SET a = 1 -- resto", nullptr},
    Texto{"ComentarioDeBloque", "UPDATE t SET a = 1 /* resto */", nullptr},
    Texto{"CorcheteDentroDeUnNombre", "SELECT [a[b]] FROM t", nullptr}),
    testing::PrintToStringParamName());
// clang-format on

// Connect strings: the key of those that open.
class CadenaDeConexion : public testing::TestWithParam<Texto> {};

TEST_P(CadenaDeConexion, ClaveOFallo) {
    const auto opciones = InterpretarConexion(GetParam().Entrada);
    ASSERT_EQ(opciones.has_value(), GetParam().Salida != nullptr);
    if (opciones) {
        EXPECT_EQ(opciones->Clave, GetParam().Salida);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Textos, CadenaDeConexion, testing::Values(
    Texto{"Configuracion", ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5316", "KVTR5316"},
    Texto{"Access", "MS Access;PWD=abc", "abc"}, Texto{"IgualEnLaClave", ";pwd=a=b", "a=b"},
    Texto{"Blancos", ";pwd= x ", " x "}, Texto{"Vacia", "", ""},
    Texto{"IdiomaSin0x", ";LANGID=0409;pwd=x", "x"},
    Texto{"IdiomaMalo", ";LANGID=zz;pwd=x", nullptr},
    Texto{"PaginaMala", ";CP=12a;pwd=x", nullptr}, Texto{"DosClaves", ";pwd=x;pwd=y", nullptr},
    Texto{"Usuario", ";UID=admin;pwd=x", nullptr}, Texto{"ClaveSinIgual", ";pwd", nullptr},
    Texto{"Odbc", "ODBC;pwd=x", nullptr}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
