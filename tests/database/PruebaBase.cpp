#include "ayudas/BaseDatos.h"
#include "database/CadenaConexion.h"
#include "database/DialectoJet.h"
#include "database/FormaSentencia.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;
using C = const std::string&;
using R = std::shared_ptr<void>&;

// A text, a Jet statement (D) or a connect string (K), and what it gives:
// "" the text unchanged, nullptr refused.
struct Texto {
    const char* Nombre;
    bool Conexion;
    const char *Entrada, *Salida;
    friend void PrintTo(const Texto& t, std::ostream* os) { *os << t.Nombre; }
};
class Textos : public testing::TestWithParam<Texto> {};

// Statements as SQLite gets them: literals untouched, and nothing in a value
// may end a literal early. Connect strings: the key of those that open.
TEST_P(Textos, SalidaORechazo) {
    const auto& [nombre, conexion, entrada, salida] = GetParam();
    std::optional<std::string> dada;
    try {
        if (const auto opciones = conexion ? InterpretarConexion(entrada) : std::nullopt)
            dada = opciones->Clave;
        else if (std::string sql; !conexion)
            TraducirDialecto(entrada, sql), dada = sql;
    } catch (const ErrorMotor&) {
    }
    EXPECT_EQ(dada, salida ? std::optional<std::string>(*salida ? salida : entrada) : std::nullopt);
}

constexpr bool D = false, K = true;
constexpr const char* No = nullptr;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Textos, testing::Values(
    Texto{"BorrarTodo", D, "DELETE * FROM [Numeros de lada] WHERE lnId = 5",
          "DELETE FROM [Numeros de lada] WHERE lnId = 5"},
    Texto{"BorrarTodoEnMinusculas", D, "  delete   *   from LD1", "  delete from LD1"},
    Texto{"Borrar", D, "DELETE FROM t WHERE a = 2", ""}, Texto{"NoEsFrom", D, "DELETE * FROMX", ""},
    Texto{"BorrarTodoEnUnLiteral", D, "UPDATE t SET a = '[x] DELETE * FROM' WHERE b = 1", ""},
    Texto{"ComillaDoblada", D, "UPDATE t SET a = 'O''Hara'", ""},
    Texto{"ComentarioEnUnLiteral", D, "UPDATE t SET a = '--' WHERE b = ';'", ""},
    // Jet's double-quoted literal is a single-quoted one in SQLite; a
    // bracketed name stays bracketed, whatever it holds.
    Texto{"LiteralEntreComillasDobles", D, "UPDATE t SET a = \"it's \"\"x\"\"\"",
          "UPDATE t SET a = 'it''s \"x\"'"},
    Texto{"ComillaEnUnNombre", D, "SELECT [a\"b] FROM t", ""},
    Texto{"PuntoYComaFinal", D, "UPDATE t SET a = 1;", "UPDATE t SET a = 1"},
    Texto{"CorcheteAbierto", D, "UPDATE [t SET a", No},
    Texto{"CorcheteDentroDeUnNombre", D, "SELECT [a[b]] FROM t", No},
    Texto{"LiteralDobleAbierto", D, "UPDATE t SET a = \"b", No},
    Texto{"ComillaSuelta", D, "UPDATE t SET a = ''' WHERE 1", No},
    Texto{"ComentarioDeLinea", D, "UPDATE t SET a = 1 -- b", No},
    Texto{"ComentarioDeBloque", D, "UPDATE t SET a = 1 /* b */", No},
    Texto{"Configuracion", K, ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5316", "KVTR5316"},
    Texto{"Access", K, "MS Access;PWD=abc", "abc"}, Texto{"IgualEnLaClave", K, ";pwd=a=b", "a=b"},
    Texto{"Blancos", K, ";pwd= x ", " x "}, Texto{"Vacia", K, "", ""},
    Texto{"IdiomaSin0x", K, ";LANGID=0409;pwd=x", "x"}, Texto{"Odbc", K, "ODBC;pwd=x", No},
    Texto{"IdiomaMalo", K, ";LANGID=zz;pwd=x", No}, Texto{"DosClaves", K, ";pwd=x;pwd=y", No},
    Texto{"PaginaMala", K, ";CP=12a;pwd=x", No}, Texto{"Usuario", K, ";UID=admin;pwd=x", No},
    Texto{"ClaveSinIgual", K, ";pwd", No}),
    testing::PrintToStringParamName());
// clang-format on

// A path that must not open, in a folder with a generated tablas.orv: what
// spoils the file or holds it first, the path opened and the connect string.
struct ArchivoMalo {
    const char* Nombre;
    void (*Preparar)(C tablas, R retenida) = [](C, R) {};
    const char *Relativa = "tablas.orv", *Conexion = kConexionConfiguracion;
    friend void PrintTo(const ArchivoMalo& a, std::ostream* os) { *os << a.Nombre; }
};
class AperturaFallida : public testing::TestWithParam<ArchivoMalo> {};

// An empty handle, read-write or read-only, nothing printed, the folder as it was.
TEST_P(AperturaFallida, ManejadorVacioSinMensajeNiCambios) {
    CarpetaTemporal carpeta;
    std::shared_ptr<void> retenida;
    GetParam().Preparar(Generar(carpeta, 300).RutaConfig, retenida);
    const auto antes = Arbol(carpeta.Ruta());
    const std::string ruta = carpeta / GetParam().Relativa;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto& espacio = DBEngine::Instancia().Workspaces(0);
    EXPECT_EQ(espacio.OpenDatabase(ruta, true, false, GetParam().Conexion), nullptr);
    EXPECT_EQ(espacio.OpenDatabase(ruta, false, true, GetParam().Conexion), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Arbol(carpeta.Ruta()), antes);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, AperturaFallida, testing::Values(
    ArchivoMalo{.Nombre = "ClaveIncorrecta", .Conexion = ";LANGID=0x0409;COUNTRY=0;pwd=KVTR5317"},
    ArchivoMalo{.Nombre = "SinClave", .Conexion = ";LANGID=0x0409;CP=1252;COUNTRY=0"},
    ArchivoMalo{.Nombre = "ConexionMalformada", .Conexion = ";LANGID=0x0409;XX=1;pwd=KVTR5316"},
    ArchivoMalo{.Nombre = "ArchivoFaltante", .Relativa = "t.orv"},
    ArchivoMalo{.Nombre = "EsUnaCarpeta", .Relativa = "."},
    ArchivoMalo{"ArchivoVacio", [](C a, R) { fs::resize_file(a, 0); }},
    ArchivoMalo{"SqliteSinCifrar",
                [](C a, R) { fs::remove(a), EjecutarShell(a, "CREATE TABLE t (a);", false); }},
    ArchivoMalo{"TruncadoEnPagina", [](C a, R) { fs::resize_file(a, 2048); }},
    ArchivoMalo{"TruncadoDentroDeLaPrimeraPagina", [](C a, R) { fs::resize_file(a, 700); }},
    ArchivoMalo{"RetenidoPorOtroProceso", [](C a, R r) { r = Listo(Retener(a)); }},
    ArchivoMalo{"RetenidoPorOtroManejador", [](C a, R r) { r = AbrirComoPrograma(a); }},
    ArchivoMalo{"OtroNombreDelArchivoRetenido", [](C a, R r) {
        fs::create_hard_link(a, a + "2"), r = AbrirComoPrograma(a); }, "tablas.orv2"}),
    testing::PrintToStringParamName());
// clang-format on

// A statement the engine refuses, and the start of its description.
struct Rechazo {
    const char *Nombre, *Sentencia, *Descripcion;
    friend void PrintTo(const Rechazo& r, std::ostream* os) { *os << r.Nombre; }
};
class Sesion : public testing::TestWithParam<Rechazo> {};

void Rechazada(Database& base, C sentencia, C descripcion) {
    try {
        base.Execute(sentencia);
        ADD_FAILURE() << "no lanzo";
    } catch (const ErrorMotor& e) {
        EXPECT_NE(e.Descripcion().find(descripcion), std::string::npos) << e.Descripcion();
    }
}

// A refused statement changes nothing (unchanged, the file stays byte-identical); no other handle
// or shell opens the session's file; closed, it is one file with exactly the run's changes.
TEST_P(Sesion, RechazaUnaSentenciaYGuardaLasDelAjuste) {
    CarpetaTemporal carpeta;
    const auto ruta = Generar(carpeta, 300).RutaConfig;
    const auto antes = Arbol(carpeta.Ruta());
    for (bool soloLectura : {false, true}) {
        auto base = DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta, true, soloLectura,
                                                                     kConexionConfiguracion);
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(LeerNumeros(*base).size(), 300u);
        Rechazada(*base, soloLectura ? "DELETE * FROM LD1" : GetParam().Sentencia,
                  soloLectura ? "readonly" : GetParam().Descripcion);
        base->Close();
        EXPECT_EQ(Arbol(carpeta.Ruta()), antes);
    }
    std::unique_ptr<Database> base;
    EXPECT_NO_THROW(CerrarConfiguracion(base));
    AbrirConfiguracion(base, ruta);
    ASSERT_NE(base, nullptr);
    auto nadieMasAbre = [&] {
        EXPECT_EQ(AbrirComoPrograma(ruta), nullptr);
        const auto salida = EjecutarShell(ruta, "SELECT count(*) FROM LD1;\n");
        EXPECT_NE(salida.find("locked"), std::string::npos) << salida;
    };
    nadieMasAbre();
    Rechazada(*base, GetParam().Sentencia, GetParam().Descripcion);
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'ñandú''1; DROP TABLE LD1 --' "
                  "WHERE lnId = 4");
    base->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 3");
    EXPECT_EQ(Nombres(carpeta.Ruta()).size(), 2u) << "el registro de la sesion falta";
    Rechazada(*base, GetParam().Sentencia, GetParam().Descripcion);
    EXPECT_GT(fs::file_size(ruta.string() + "-wal"), 0u) << "lo anterior al rechazo no se confirmo";
    nadieMasAbre();
    AbrirConfiguracion(base, ruta);
    ASSERT_NE(base, nullptr);
    auto cursor = base->OpenRecordset(kTablaNumeros);
    base->Close();
    EXPECT_NO_THROW(base->Close());
    EXPECT_THROW(base->Execute("DELETE * FROM LD1"), ErrorMotor);
    EXPECT_THROW(base->OpenRecordset(kTablaNumeros), ErrorMotor);
    EXPECT_THROW(cursor->Eof(), ErrorMotor);
    EXPECT_NO_THROW(cursor->Close());
    CerrarConfiguracion(base);
    EXPECT_EQ(base, nullptr);
    EXPECT_EQ(Nombres(carpeta.Ruta()), std::vector<std::string>{"tablas.orv"});
    const auto sql = "PRAGMA integrity_check; PRAGMA journal_mode; SELECT count(*), (SELECT "
                     "group_concat(telefono) FROM \"Numeros de lada\" WHERE lnId IN (3, 4) OR "
                     "telefono = 'x') FROM \"Numeros de lada\";\n";
    EXPECT_EQ(EjecutarShell(ruta, sql), "ok\ndelete\n299|ñandú'1; DROP TABLE LD1 --\n");
    EXPECT_NE(AbrirComoPrograma(ruta), nullptr);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Sesion, testing::Values(
    Rechazo{"TablaInexistente", "DELETE * FROM LD9 WHERE idLada = 1", "no such table: LD9"},
    Rechazo{"SegundaSentencia", "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1; "
            "DROP TABLE LD1", "after end of SQL statement"},
    Rechazo{"LiteralAbierto", "UPDATE LD1 SET tarifa = 'x WHERE idLada = 1", "Syntax error"},
    // Only statements that change rows or the schema: none that weakens the session.
    Rechazo{"Pragma", "PRAGMA synchronous = OFF", "Invalid SQL statement"},
    // A bracketed name that is no column, or a parameter without a value,
    // must not quietly match nothing.
    Rechazo{"NombreEntreCorchetesInexistente",
            "UPDATE [Numeros de lada] SET telefono = 'x' WHERE [lnIdX] = 1", "no such column"},
    Rechazo{"ParametroSinValor", "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = ?",
            "Too few parameters. Expected 1."}),
    testing::PrintToStringParamName());
// clang-format on

// Statements run once each, in order, through one session; the shape each
// is prepared under ("": run as it is). Texts are plain SQLite, so the
// shell can run them too.
struct ConForma {
    const char* Nombre;
    std::string Sentencia;
    const char* Forma;
};
const std::string kPoner = "UPDATE [Numeros de lada] SET telefono = ";
const char* const kFormaPoner = "UPDATE [Numeros de lada] SET telefono = ? WHERE lnId = ?";
// clang-format off
const ConForma kConForma[] = {
    {"Comillas", kPoner + "'O''Hara ''x''' WHERE lnId = 1", kFormaPoner},
    {"TextoDeCifras", kPoner + "'0144' WHERE lnId = 2", kFormaPoner},
    {"LaMismaFormaConUnEntero", kPoner + "0144 WHERE lnId = 3", kFormaPoner},
    {"TextoQueLeeComoSql", kPoner + "'5; DROP TABLE LD1 --' WHERE lnId = 4", kFormaPoner},
    {"Nulo", kPoner + "NULL WHERE lnId = 5", "UPDATE [Numeros de lada] SET telefono = NULL WHERE lnId = ?"},
    {"TextoLargo", kPoner + "'" + std::string(70000, 'x') + "''" + std::string(70000, '9') + "' WHERE lnId = 6", kFormaPoner},
    {"RealHexadecimalYEnormeQuedan", kPoner + "1.5e+3 || -0x1F || 9223372036854775808 || x'41' WHERE lnId = 7",
     "UPDATE [Numeros de lada] SET telefono = 1.5e+3 || -0x1F || 9223372036854775808 || x'41' WHERE lnId = ?"},
    {"EnterosATipos", "UPDATE [Numeros de lada] SET tipo = '12', descripcion = 13 WHERE lnId > 7 AND lnId < 10",
     "UPDATE [Numeros de lada] SET tipo = ?, descripcion = ? WHERE lnId > ? AND lnId < ?"},
    // An integer after ORDER BY names a column.
    {"OrdenPorColumna", kPoner + "(SELECT telefono FROM [Numeros de lada] ORDER BY 1 DESC LIMIT 1) WHERE lnId = 10", ""},
    // A text the library takes as a name: the shape does not prepare.
    {"TextoComoNombre", "DELETE FROM 'LD2' WHERE idLada = 11", "DELETE FROM ? WHERE idLada = ?"},
    {"Insertar", "INSERT INTO LD1 (idLada, tarifa) VALUES (12, '1.25')", "INSERT INTO LD1 (idLada, tarifa) VALUES (?, ?)"},
};
// clang-format on

// The engine's session leaves exactly the rows, value types included, that
// the shell leaves after the same statements.
TEST(Sesion, CadaFormaDaLoQueDaElShell) {
    CarpetaTemporal carpeta;
    const auto ruta = Generar(carpeta, 20).RutaConfig;
    fs::copy_file(ruta, carpeta / "shell.orv");
    std::string guion;
    auto base = AbrirComoPrograma(ruta);
    for (const auto& [nombre, sentencia, forma] : kConForma) {
        FormaSentencia leida;
        EXPECT_EQ(LeerForma(sentencia, leida) ? leida.Texto : "", forma) << nombre;
        base->Execute(sentencia);
        guion += sentencia + ";\n";
    }
    base->Close();
    EjecutarShell(carpeta / "shell.orv", guion);
    const std::string volcado = "SELECT *, typeof(telefono), typeof(tipo) FROM \"Numeros de lada\";"
                                "SELECT *, typeof(tarifa) FROM LD1; SELECT count(*) FROM LD2;\n";
    EXPECT_EQ(EjecutarShell(ruta, volcado), EjecutarShell(carpeta / "shell.orv", volcado));
}

} // namespace
} // namespace vesmadur
