#include "database/CadenaConexion.h"
#include "database/DialectoJet.h"
#include "database/ErrorMotor.h"

#include <gtest/gtest.h>
#include <optional>

namespace vesmadur {
namespace {

// A text, whether it is a Jet statement (D) or a connect string (C), and
// what it gives: "" the text unchanged, nullptr refused.
struct Texto {
    const char* Nombre;
    bool Conexion;
    const char *Entrada, *Salida;
    friend void PrintTo(const Texto& t, std::ostream* os) { *os << t.Nombre; }
};
constexpr bool D = false, C = true;

// Statements as SQLite is given them: literals stay as they are, and nothing
// in a value may end a literal early and add a statement or a comment.
// Connect strings: the key of those that open.
class Textos : public testing::TestWithParam<Texto> {};

TEST_P(Textos, SalidaORechazo) {
    const auto& [nombre, conexion, entrada, salida] = GetParam();
    std::optional<std::string> dada;
    if (const auto opciones = conexion ? InterpretarConexion(entrada) : std::nullopt)
        dada = opciones->Clave;
    try {
        if (!conexion)
            dada = TraducirDialecto(entrada);
    } catch (const ErrorMotor&) {
    }
    EXPECT_EQ(dada, salida ? std::optional<std::string>(*salida ? salida : entrada) : std::nullopt);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Textos, testing::Values(
    Texto{"Actualizar", D, "UPDATE [Numeros de lada] SET telefono = '5512345678' WHERE lnId = 7", ""},
    Texto{"BorrarTodo", D, "DELETE * FROM [Numeros de lada] WHERE lnId = 5",
          "DELETE FROM [Numeros de lada] WHERE lnId = 5"},
    Texto{"BorrarTodoEnMinusculas", D, "  delete   *   from LD1", "  delete from LD1"},
    Texto{"AsteriscoPegado", D, "DELETE *FROM LD2", "DELETE FROM LD2"},
    Texto{"Borrar", D, "DELETE FROM LD1 WHERE idLada = 2", ""},
    Texto{"NoEsFrom", D, "DELETE * FROMX", ""},
    Texto{"BorrarTodoEnUnLiteral", D, "UPDATE t SET a = '[x] DELETE * FROM' WHERE b = 1", ""},
    Texto{"ComillaDoblada", D, "UPDATE t SET a = 'O''Hara'", ""},
    Texto{"ComentarioEnUnLiteral", D, "UPDATE t SET a = '--' WHERE b = ';'", ""},
    // Jet's double-quoted literal is a single-quoted one in SQLite.
    Texto{"LiteralEntreComillasDobles", D, "UPDATE t SET a = \"it's \"\"x\"\"\"",
          "UPDATE t SET a = 'it''s \"x\"'"},
    // A bracketed name stays bracketed, whatever it holds.
    Texto{"ComillaEnUnNombre", D, "SELECT [a\"b] FROM t", ""},
    Texto{"PuntoYComaFinal", D, "UPDATE t SET a = 1;", "UPDATE t SET a = 1"},
    Texto{"CorcheteAbierto", D, "UPDATE [Numeros de lada SET a = 1", nullptr},
    Texto{"LiteralDobleAbierto", D, "UPDATE t SET a = \"abierto", nullptr},
    Texto{"ComillaSuelta", D, "UPDATE t SET a = ''' WHERE 1", nullptr},
    Texto{"ComentarioDeLinea", D, "UPDATE t SET a = 1 -- resto", nullptr},
    Texto{"ComentarioDeBloque", D, "UPDATE t SET a = 1 /* resto */", nullptr},
    Texto{"CorcheteDentroDeUnNombre", D, "SELECT [a[b]] FROM t", nullptr},
    Texto{"Configuracion", C, ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5316", "KVTR5316"},
    Texto{"Access", C, "MS Access;PWD=abc", "abc"}, Texto{"IgualEnLaClave", C, ";pwd=a=b", "a=b"},
    Texto{"Blancos", C, ";pwd= x ", " x "}, Texto{"Vacia", C, "", ""},
    Texto{"IdiomaSin0x", C, ";LANGID=0409;pwd=x", "x"},
    Texto{"IdiomaMalo", C, ";LANGID=zz;pwd=x", nullptr},
    Texto{"PaginaMala", C, ";CP=12a;pwd=x", nullptr}, Texto{"DosClaves", C, ";pwd=x;pwd=y", nullptr},
    Texto{"Usuario", C, ";UID=admin;pwd=x", nullptr}, Texto{"ClaveSinIgual", C, ";pwd", nullptr},
    Texto{"Odbc", C, "ODBC;pwd=x", nullptr}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
