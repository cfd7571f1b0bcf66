#include "ayudas/BaseDatos.h"

#include <functional>
#include <gtest/gtest.h>
#include <link.h>

namespace vesmadur {
namespace {

using namespace prueba;
using Carpeta = const CarpetaTemporal&;

// A file that must not open: its path, and what holds it during the test.
struct Preparado {
    fs::path Ruta;
    std::shared_ptr<void> Retencion = nullptr;
};

struct ArchivoMalo {
    const char* Nombre;
    std::function<Preparado(Carpeta)> Preparar;
    const char* Conexion = kConexionConfiguracion;
};

Preparado Generada(Carpeta c) {
    return {Generar(c, 300).RutaConfig};
}

Preparado Truncada(Carpeta c, std::uintmax_t bytes) {
    const auto ruta = Generada(c).Ruta;
    fs::resize_file(ruta, bytes ? bytes : fs::file_size(ruta) / 2048 * 1024);
    return {ruta};
}

// Held open by a second handle of this process, through `nombre`.
Preparado RetenidaAqui(Carpeta c, const std::string& nombre) {
    const auto ruta = Generada(c).Ruta;
    if (!fs::exists(c / nombre))
        fs::create_hard_link(ruta, c / nombre);
    std::shared_ptr<Database> base = AbrirComoPrograma(ruta);
    EXPECT_NE(base, nullptr);
    return {c / nombre, base};
}

const ArchivoMalo kArchivosMalos[] = {
    {"ClaveIncorrecta", Generada, ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5317"},
    {"SinClave", Generada, ";LANGID=0x0409;CP=1252;COUNTRY=0"},
    {"ConexionMalformada", Generada, ";LANGID=0x0409;XX=1;pwd=KVTR5316"},
    {"ArchivoFaltante", [](Carpeta c) { return Preparado{c / "tablas.orv"}; }},
    {"CarpetaFaltante", [](Carpeta c) { return Preparado{c / "no/tablas.orv"}; }},
    {"ArchivoVacio", [](Carpeta c) { return Preparado{EscribirArchivo(c / "t.orv", "")}; }},
    {"TruncadoEnPagina", [](Carpeta c) { return Truncada(c, 0); }},
    {"TruncadoDentroDeLaPrimeraPagina", [](Carpeta c) { return Truncada(c, 700); }},
    {"TextoPlano",
     [](Carpeta c) { return Preparado{EscribirArchivo(c / "t.orv", std::string(5000, 'x'))}; }},
    {"SqliteSinCifrar",
     [](Carpeta c) {
         EjecutarShell(c / "t.orv", "CREATE TABLE \"Numeros de lada\" (lnId, telefono);\n", false);
         return Preparado{c / "t.orv"};
     }},
    {"EsUnaCarpeta", [](Carpeta c) { return Preparado{c.Ruta()}; }},
    {"RutaAtraviesaUnArchivo",
     [](Carpeta c) { return Preparado{EscribirArchivo(c / "config", "x") + "/tablas.orv"}; }},
    {"RetenidoPorOtroProceso",
     [](Carpeta c) {
         const auto ruta = Generada(c).Ruta;
         auto otro = std::make_shared<Proceso>(Ayudante("retener", ruta));
         EXPECT_EQ(otro->Linea(), "listo");
         return Preparado{ruta, otro};
     }},
    {"RetenidoPorOtroManejador", [](Carpeta c) { return RetenidaAqui(c, "tablas.orv"); }},
    {"OtroNombreDelArchivoRetenido", [](Carpeta c) { return RetenidaAqui(c, "otro.orv"); }},
};

class AperturaFallida : public testing::TestWithParam<ArchivoMalo> {};

// Each bad case gives an empty handle, read-write or read-only, prints
// nothing, and leaves the file (or its absence) and its folder as they were.
TEST_P(AperturaFallida, ManejadorVacioSinMensajeNiCambios) {
    CarpetaTemporal carpeta;
    const Preparado caso = GetParam().Preparar(carpeta);
    const bool archivo = fs::is_regular_file(caso.Ruta);
    const bool existia = fs::exists(caso.Ruta);
    const std::string antes = archivo ? LeerBytes(caso.Ruta) : "";
    const auto listado = Nombres(carpeta.Ruta());

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto& espacio = DBEngine::Instancia().Workspaces(0);
    EXPECT_EQ(espacio.OpenDatabase(caso.Ruta.string(), true, false, GetParam().Conexion), nullptr);
    EXPECT_EQ(espacio.OpenDatabase(caso.Ruta.string(), false, true, GetParam().Conexion), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(fs::exists(caso.Ruta), existia);
    EXPECT_EQ(archivo ? LeerBytes(caso.Ruta) : "", antes);
    EXPECT_EQ(Nombres(carpeta.Ruta()), listado);
}

INSTANTIATE_TEST_SUITE_P(Casos, AperturaFallida, testing::ValuesIn(kArchivosMalos),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

// Opening and closing without changes, read-write or read-only, leaves the
// file byte-identical and nothing beside it; refused statements (a read-only
// change among them) do not count as changes.
TEST(Apertura, AbrirYCerrarSinCambiosDejaElArchivoIdentico) {
    CarpetaTemporal carpeta;
    const auto ruta = Generada(carpeta).Ruta;
    const std::string antes = LeerBytes(ruta);
    for (bool soloLectura : {false, true}) {
        auto base = DBEngine::Instancia().Workspaces(0).OpenDatabase(
            ruta.string(), true, soloLectura, kConexionConfiguracion);
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(LeerNumeros(*base).size(), 300u);
        EXPECT_THROW(base->Execute(soloLectura ? "DELETE * FROM LD1" : "DELETE * FROM LD9"),
                     ErrorMotor);
        EXPECT_THROW(base->Execute("PRAGMA user_version = 3"), ErrorMotor);
        base->Close();
        EXPECT_EQ(LeerBytes(ruta), antes);
        EXPECT_EQ(Nombres(carpeta.Ruta()), std::vector<std::string>{"tablas.orv"});
    }
}

// Refused opens do not weaken the handle's hold. Opening over a held handle
// releases the old one instead of refusing the file to itself. Closing closes
// the recordsets too, using either afterwards throws, closing again does
// nothing, and the configuration handle is emptied and the file released.
TEST(Apertura, ManejadorDeConfiguracionYUsoTrasCerrar) {
    CarpetaTemporal carpeta;
    const auto ruta = Generada(carpeta).Ruta;
    std::unique_ptr<Database> base;
    EXPECT_NO_THROW(CerrarConfiguracion(base));
    AbrirConfiguracion(base, ruta.string());
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(AbrirComoPrograma(ruta), nullptr);
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1");
    AbrirConfiguracion(base, ruta.string());
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
    ASSERT_NE(AbrirComoPrograma(Generada(carpeta).Ruta), nullptr);
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
