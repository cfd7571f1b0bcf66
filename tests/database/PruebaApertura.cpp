#include "ayudas/BaseDatos.h"

#include <gtest/gtest.h>
#include <link.h>

namespace vesmadur {
namespace {

using namespace prueba;
using Retencion = std::shared_ptr<void>;
using C = const std::string&;

// A path that must not open, in a folder with a generated tablas.orv:
// what spoils or holds it first (held by the returned object for the test),
// and the connect string.
struct ArchivoMalo {
    const char *Nombre, *Relativa = "tablas.orv";
    Retencion (*Preparar)(const std::string& carpeta) = nullptr;
    const char* Conexion = kConexionConfiguracion;
    friend void PrintTo(const ArchivoMalo& a, std::ostream* os) { *os << a.Nombre; }
};

Retencion Escribir(C ruta, const std::string& contenido) {
    EscribirArchivo(ruta, contenido);
    return {};
}

Retencion Truncar(const std::string& ruta, std::uintmax_t bytes) {
    fs::resize_file(ruta, bytes ? bytes : fs::file_size(ruta) / 2048 * 1024);
    return {};
}

// clang-format off
const ArchivoMalo kArchivosMalos[] = {
    {.Nombre = "ClaveIncorrecta", .Conexion = ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5317"},
    {.Nombre = "SinClave", .Conexion = ";LANGID=0x0409;CP=1252;COUNTRY=0"},
    {.Nombre = "ConexionMalformada", .Conexion = ";LANGID=0x0409;XX=1;pwd=KVTR5316"},
    {.Nombre = "ArchivoFaltante", .Relativa = "t.orv"},
    {.Nombre = "CarpetaFaltante", .Relativa = "no/tablas.orv"},
    {.Nombre = "EsUnaCarpeta", .Relativa = "."},
    {.Nombre = "RutaAtraviesaUnArchivo", .Relativa = "tablas.orv/t.orv"},
    {"ArchivoVacio", "t.orv", [](C c) { return Escribir(c + "/t.orv", ""); }},
    {"TextoPlano", "t.orv", [](C c) { return Escribir(c + "/t.orv", std::string(5000, 'x')); }},
    {"SqliteSinCifrar", "t.orv", [](C c) {
        EjecutarShell(c + "/t.orv", "CREATE TABLE \"Numeros de lada\" (lnId, telefono);\n", false);
        return Retencion(); }},
    {"TruncadoEnPagina", "tablas.orv", [](C c) { return Truncar(c + "/tablas.orv", 0); }},
    {"TruncadoDentroDeLaPrimeraPagina", "tablas.orv",
     [](C c) { return Truncar(c + "/tablas.orv", 700); }},
    {"RetenidoPorOtroProceso", "tablas.orv", [](C c) -> Retencion {
        auto otro = std::make_shared<Proceso>(Ayudante("retener", c + "/tablas.orv"));
        otro->Linea(); // once it answers it holds the file, or the open here succeeds
        return otro; }},
    {"RetenidoPorOtroManejador", "tablas.orv", [](C c) -> Retencion {
        return AbrirComoPrograma(c + "/tablas.orv"); }},
    {"OtroNombreDelArchivoRetenido", "otro.orv", [](C c) -> Retencion {
        fs::create_hard_link(c + "/tablas.orv", c + "/otro.orv");
        return AbrirComoPrograma(c + "/tablas.orv"); }},
};
// clang-format on

class AperturaFallida : public testing::TestWithParam<ArchivoMalo> {};

// Each bad case gives an empty handle, read-write or read-only, prints
// nothing, and leaves the folder and every file in it as they were.
TEST_P(AperturaFallida, ManejadorVacioSinMensajeNiCambios) {
    CarpetaTemporal carpeta;
    Generar(carpeta, 300);
    const auto retencion = GetParam().Preparar ? GetParam().Preparar(carpeta.Ruta()) : nullptr;
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

// Opening and closing without changes, read-write or read-only, leaves the
// file byte-identical and nothing beside it; refused statements (a read-only
// change among them) do not count as changes.
TEST(Apertura, AbrirYCerrarSinCambiosDejaElArchivoIdentico) {
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
        EXPECT_THROW(base->Execute("PRAGMA user_version = 3"), ErrorMotor);
        base->Close();
        EXPECT_EQ(Arbol(carpeta.Ruta()), antes);
    }
}

// Refused opens do not weaken the handle's hold. Opening over a held handle
// releases the old one instead of refusing the file to itself. Closing closes
// the recordsets too, using either afterwards throws, closing again does
// nothing, and the configuration handle is emptied and the file released.
TEST(Apertura, ManejadorDeConfiguracionYUsoTrasCerrar) {
    CarpetaTemporal carpeta;
    const auto ruta = Generar(carpeta, 300).RutaConfig;
    std::unique_ptr<Database> base;
    EXPECT_NO_THROW(CerrarConfiguracion(base));
    AbrirConfiguracion(base, ruta);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(AbrirComoPrograma(ruta), nullptr);
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1");
    AbrirConfiguracion(base, ruta);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(LeerNumeros(*base).at(1), "x");

    auto cursor = base->OpenRecordset(kTablaNumeros);
    base->Close();
    EXPECT_NO_THROW(base->Close());
    EXPECT_THROW(base->Execute("DELETE * FROM LD1"), ErrorMotor);
    EXPECT_THROW(base->OpenRecordset(kTablaNumeros), ErrorMotor);
    EXPECT_THROW(cursor->Eof(), ErrorMotor);
    EXPECT_THROW(cursor->Fields(0), ErrorMotor);
    EXPECT_NO_THROW(cursor->Close());
    CerrarConfiguracion(base);
    EXPECT_EQ(base, nullptr);
    EXPECT_NE(AbrirComoPrograma(ruta), nullptr);
}

// Two copies of SQLite in one process break each other's file locks: the
// engine brings SQLCipher's only, never the system's libsqlite3.
TEST(Motor, NingunaOtraCopiaDeSqliteEnElProceso) {
    CarpetaTemporal carpeta;
    ASSERT_NE(AbrirComoPrograma(Generar(carpeta, 300).RutaConfig), nullptr);
    std::vector<std::string> copias;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* datos) {
            const std::string nombre = fs::path(info->dlpi_name ? info->dlpi_name : "").filename();
            if (nombre.starts_with("libsqlite3") || nombre.starts_with("libsqlcipher"))
                static_cast<std::vector<std::string>*>(datos)->push_back(nombre);
            return 0;
        },
        &copias);
    EXPECT_EQ(copias, std::vector<std::string>{"libsqlcipher.so.0"});
}

} // namespace
} // namespace vesmadur
