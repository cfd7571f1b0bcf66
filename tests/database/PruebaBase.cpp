#include "ayudas/BaseDatos.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;
using C = const std::string&;
using R = std::shared_ptr<void>&;

// A path that must not open, in a folder with a generated tablas.orv: what
// spoils the folder or holds the file first, and the connect string.
struct ArchivoMalo {
    const char *Nombre, *Relativa = "tablas.orv";
    void (*Preparar)(C carpeta, R retenida) = nullptr;
    const char* Conexion = kConexionConfiguracion;
    friend void PrintTo(const ArchivoMalo& a, std::ostream* os) { *os << a.Nombre; }
};

// clang-format off
const ArchivoMalo kArchivosMalos[] = {
    {.Nombre = "ClaveIncorrecta", .Conexion = ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5317"},
    {.Nombre = "SinClave", .Conexion = ";LANGID=0x0409;CP=1252;COUNTRY=0"},
    {.Nombre = "ConexionMalformada", .Conexion = ";LANGID=0x0409;XX=1;pwd=KVTR5316"},
    {.Nombre = "ArchivoFaltante", .Relativa = "t.orv"},
    {.Nombre = "CarpetaFaltante", .Relativa = "no/tablas.orv"},
    {.Nombre = "EsUnaCarpeta", .Relativa = "."},
    {.Nombre = "RutaAtraviesaUnArchivo", .Relativa = "tablas.orv/t.orv"},
    {"ArchivoVacio", "t.orv", [](C c, R) { EscribirArchivo(c + "/t.orv", ""); }},
    {"TextoPlano", "t.orv", [](C c, R) { EscribirArchivo(c + "/t.orv", std::string(5000, 'x')); }},
    {"SqliteSinCifrar", "t.orv", [](C c, R) {
        EjecutarShell(c + "/t.orv", "CREATE TABLE \"Numeros de lada\" (lnId, telefono);\n", false); }},
    {"TruncadoEnPagina", "tablas.orv", [](C c, R) {
        fs::resize_file(c + "/tablas.orv", fs::file_size(c + "/tablas.orv") / 2048 * 1024); }},
    {"TruncadoDentroDeLaPrimeraPagina", "tablas.orv", [](C c, R) { fs::resize_file(c + "/tablas.orv", 700); }},
    {"RetenidoPorOtroProceso", "tablas.orv", [](C c, R r) {
        auto otro = std::make_shared<Proceso>(Retener(c + "/tablas.orv"));
        EXPECT_EQ(otro->Linea(), "listo");
        r = otro; }},
    {"RetenidoPorOtroManejador", "tablas.orv", [](C c, R r) { r = AbrirComoPrograma(c + "/tablas.orv"); }},
    {"OtroNombreDelArchivoRetenido", "otro.orv", [](C c, R r) {
        fs::create_hard_link(c + "/tablas.orv", c + "/otro.orv");
        r = AbrirComoPrograma(c + "/tablas.orv"); }},
};
// clang-format on

class AperturaFallida : public testing::TestWithParam<ArchivoMalo> {};

// An empty handle, read-write or read-only, nothing printed, the folder as it was.
TEST_P(AperturaFallida, ManejadorVacioSinMensajeNiCambios) {
    CarpetaTemporal carpeta;
    Generar(carpeta, 300);
    std::shared_ptr<void> retenida;
    if (GetParam().Preparar)
        GetParam().Preparar(carpeta.Ruta(), retenida);
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

INSTANTIATE_TEST_SUITE_P(Casos, AperturaFallida, testing::ValuesIn(kArchivosMalos),
                         testing::PrintToStringParamName());

// Without changes (a refused one included) the file stays byte-identical. In
// the run's session no other handle or the shell opens it, before or after
// the first change moves the session to its log; reopening releases the old
// handle; closing ends the recordsets and later use throws. The run's
// statements are stored exactly (a doubled quote cannot end the literal), in
// one self-contained rollback-journal file the shell reads with the key only.
TEST(Sesion, DelAjusteDeAperturaACierre) {
    CarpetaTemporal carpeta;
    const auto ruta = Generar(carpeta, 300).RutaConfig;
    const auto antes = Arbol(carpeta.Ruta());
    for (bool soloLectura : {false, true}) {
        auto base = DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta, true, soloLectura,
                                                                     kConexionConfiguracion);
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(LeerNumeros(*base).size(), 300u);
        EXPECT_THROW(base->Execute(soloLectura ? "DELETE * FROM LD1" : "DELETE * FROM LD9"),
                     ErrorMotor);
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
    const auto id = base->OpenRecordset("LD2")->Fields(1).ComoTexto();
    base->Execute("DELETE * FROM LD2 WHERE idLada = " + id);
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'ñandú''1; DROP TABLE LD1 --' "
                  "WHERE lnId = 4");
    base->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 3");
    EXPECT_EQ(Nombres(carpeta.Ruta()).size(), 2u) << "el registro de la sesion falta";
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
    EXPECT_EQ(EjecutarShell(ruta, "PRAGMA integrity_check;\nPRAGMA journal_mode;\n"
                                  "SELECT count(*) FROM LD2 WHERE idLada = " +
                                      id +
                                      ";\nSELECT group_concat(telefono) FROM \"Numeros de lada\" "
                                      "WHERE lnId IN (3, 4);\nSELECT count(*) > 0 FROM LD1;\n"
                                      "SELECT count(*) FROM \"Numeros de lada\";\n"),
              "ok\ndelete\n0\nñandú'1; DROP TABLE LD1 --\n1\n299\n");
    for (const char* clave : {"PRAGMA key='otra';\n", ""}) {
        const auto salida = EjecutarShell(ruta, clave + std::string("SELECT 1 FROM LD1;\n"), false);
        EXPECT_NE(salida.find("not a database"), std::string::npos) << salida;
    }
    EXPECT_NE(AbrirComoPrograma(ruta), nullptr);
}

struct Rechazo {
    const char *Nombre, *Sentencia, *Descripcion;
    friend void PrintTo(const Rechazo& r, std::ostream* os) { *os << r.Nombre; }
};

class SentenciaRechazada : public testing::TestWithParam<Rechazo> {};

// Throws with the engine's description, changes nothing (no row set to 'x',
// LD1 kept), leaves nothing pending: the next statement commits on its own.
TEST_P(SentenciaRechazada, LanzaConDescripcionYNoCambiaNada) {
    CarpetaTemporal carpeta;
    const auto ruta = Generar(carpeta, 300).RutaConfig;
    auto base = AbrirComoPrograma(ruta);
    ASSERT_NE(base, nullptr);
    try {
        base->Execute(GetParam().Sentencia);
        ADD_FAILURE() << "no lanzo";
    } catch (const ErrorMotor& e) {
        EXPECT_NE(e.Descripcion().find(GetParam().Descripcion), std::string::npos)
            << e.Descripcion();
    }
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'z' WHERE lnId = 2");
    base->Close();
    EXPECT_EQ(EjecutarShell(ruta, "SELECT group_concat(telefono) FROM \"Numeros de lada\" WHERE "
                                  "lnId = 2 OR telefono = 'x';\nSELECT count(*) > 0 FROM LD1;\n"),
              "z\n1\n");
}

constexpr const char* kNoEsSentencia = "Invalid SQL statement";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, SentenciaRechazada, testing::Values(
    Rechazo{"TablaInexistente", "DELETE * FROM LD9 WHERE idLada = 1", "no such table: LD9"},
    Rechazo{"SegundaSentencia", "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1; "
            "DROP TABLE LD1", "after end of SQL statement"},
    Rechazo{"LiteralAbierto", "UPDATE [Numeros de lada] SET telefono = 'x WHERE lnId = 1",
            "Syntax error"},
    Rechazo{"Transaccion", "BEGIN", kNoEsSentencia},
    Rechazo{"Consulta", "SELECT * FROM [Numeros de lada]", kNoEsSentencia},
    Rechazo{"Pragma", "PRAGMA synchronous = OFF", kNoEsSentencia},
    Rechazo{"OtroArchivo", "ATTACH 'otra.db' AS otra", kNoEsSentencia},
    Rechazo{"SoloBlancos", "   ", kNoEsSentencia},
    Rechazo{"ColumnaInexistente", "UPDATE [Numeros de lada] SET numero = 'x' WHERE lnId = 1",
            "no such column"},
    // A bracketed name that is no column, or a parameter with no value, must
    // not quietly match nothing.
    Rechazo{"NombreEntreCorchetesInexistente",
            "UPDATE [Numeros de lada] SET telefono = 'x' WHERE [lnIdX] = 1", "no such column"},
    Rechazo{"ParametroSinValor", "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = ?",
            "Too few parameters. Expected 1."},
    Rechazo{"ParametroConNombre", "DELETE * FROM LD1 WHERE idLada = @x", "Too few parameters"}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
