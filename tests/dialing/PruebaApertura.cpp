#include "Ayudas.h"
#include "dialing/Configuracion.h"

#include <functional>
#include <link.h>

namespace vesmadur {
namespace {

using namespace prueba;

OpcionesGenerador Pequena() {
    OpcionesGenerador o;
    o.Entradas = 300;
    o.TablasLD = 3;
    return o;
}

// A file that must not open, and how it is made.
struct ArchivoMalo {
    const char* Nombre;
    // Makes the bad case at `ruta` inside `carpeta`; returns the path to open.
    std::function<fs::path(const CarpetaTemporal&)> Preparar;
    // The connect string used (a wrong key for one case).
    const char* Conexion = kConexionConfiguracion;
};

void PrintTo(const ArchivoMalo& a, std::ostream* os) {
    *os << a.Nombre;
}

fs::path BaseGenerada(const CarpetaTemporal& c) {
    return GenerarBaseConfiguracion(c / "tablas.orv", Pequena()).RutaConfig;
}

const ArchivoMalo kArchivosMalos[] = {
    {"ClaveIncorrecta", BaseGenerada, ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5317"},
    {"SinClave", BaseGenerada, ";LANGID=0x0409;CP=1252;COUNTRY=0"},
    {"ConexionMalformada", BaseGenerada, ";LANGID=0x0409;XX=1;pwd=KVTR5316"},
    {"ArchivoFaltante", [](const CarpetaTemporal& c) { return c / "tablas.orv"; }},
    {"CarpetaFaltante", [](const CarpetaTemporal& c) { return c / "no" / "tablas.orv"; }},
    {"ArchivoVacio",
     [](const CarpetaTemporal& c) {
         EscribirBytes(c / "tablas.orv", "");
         return c / "tablas.orv";
     }},
    {"TruncadoEnPagina",
     [](const CarpetaTemporal& c) {
         const auto ruta = BaseGenerada(c);
         fs::resize_file(ruta, fs::file_size(ruta) / 2048 * 1024);
         return ruta;
     }},
    {"TruncadoDentroDeLaPrimeraPagina",
     [](const CarpetaTemporal& c) {
         const auto ruta = BaseGenerada(c);
         fs::resize_file(ruta, 700);
         return ruta;
     }},
    {"TextoPlano",
     [](const CarpetaTemporal& c) {
         EscribirBytes(c / "tablas.orv", std::string(5000, 'x') + "\nno es una base\n");
         return c / "tablas.orv";
     }},
    {"SqliteSinCifrar",
     [](const CarpetaTemporal& c) {
         EjecutarShell(c / "tablas.orv",
                       "CREATE TABLE \"Numeros de lada\" (lnId INTEGER PRIMARY KEY, telefono "
                       "TEXT);\nINSERT INTO \"Numeros de lada\" VALUES (1, '015512345678');\n");
         return c / "tablas.orv";
     }},
    {"EsUnaCarpeta",
     [](const CarpetaTemporal& c) {
         fs::create_directory(c / "tablas.orv");
         return c / "tablas.orv";
     }},
    {"RutaAtraviesaUnArchivo",
     [](const CarpetaTemporal& c) {
         EscribirBytes(c / "config", "un archivo, no una carpeta");
         return c / "config" / "tablas.orv";
     }},
};

class AperturaFallida : public testing::TestWithParam<ArchivoMalo> {};

// Each bad case gives an empty handle, prints nothing, and leaves the file
// (or its absence) exactly as it was.
TEST_P(AperturaFallida, ManejadorVacioSinMensajeNiCambios) {
    CarpetaTemporal carpeta;
    const fs::path ruta = GetParam().Preparar(carpeta);
    const bool existia = fs::exists(ruta);
    const std::string antes = existia && fs::is_regular_file(ruta) ? LeerBytes(ruta) : "";
    const auto listado = Contenido(carpeta.Ruta());

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto base = DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta.string(), true, false,
                                                                 GetParam().Conexion);
    const std::string salida = testing::internal::GetCapturedStdout();
    const std::string errores = testing::internal::GetCapturedStderr();

    EXPECT_EQ(base, nullptr);
    EXPECT_EQ(salida, "");
    EXPECT_EQ(errores, "");
    EXPECT_EQ(fs::exists(ruta), existia);
    if (existia && fs::is_regular_file(ruta)) {
        EXPECT_EQ(LeerBytes(ruta), antes);
    }
    EXPECT_EQ(Contenido(carpeta.Ruta()), listado);
}

INSTANTIATE_TEST_SUITE_P(Casos, AperturaFallida, testing::ValuesIn(kArchivosMalos),
                         [](const auto& caso) { return std::string(caso.param.Nombre); });

TEST(Apertura, AbrirYCerrarSinCambiosDejaElArchivoIdentico) {
    CarpetaTemporal carpeta;
    const auto ruta = BaseGenerada(carpeta);
    const std::string antes = LeerBytes(ruta);

    auto base = AbrirComoPrograma(ruta);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(ClavesDe(*base).size(), 300u);
    // Statements the engine refuses do not count as changes either.
    EXPECT_THROW(base->Execute("DELETE * FROM LD9"), ErrorMotor);
    EXPECT_THROW(base->Execute("PRAGMA user_version = 3"), ErrorMotor);
    base->Close();

    EXPECT_EQ(LeerBytes(ruta), antes);
    EXPECT_EQ(Contenido(carpeta.Ruta()), std::vector<std::string>{"tablas.orv"});
}

TEST(Apertura, SegundoManejadorDelMismoProcesoFallaHastaElCierre) {
    CarpetaTemporal carpeta;
    const auto ruta = BaseGenerada(carpeta);
    auto primera = AbrirComoPrograma(ruta);
    ASSERT_NE(primera, nullptr);

    EXPECT_EQ(AbrirComoPrograma(ruta), nullptr);
    // Through another name of the same file as well.
    fs::create_hard_link(ruta, carpeta / "otro-nombre.orv");
    EXPECT_EQ(AbrirComoPrograma(carpeta / "otro-nombre.orv"), nullptr);
    EXPECT_EQ(DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta.string(), false, true,
                                                               kConexionConfiguracion),
              nullptr);
    // The refused opens did not weaken the first handle's hold on the file.
    primera->Execute("UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1");

    primera->Close();
    auto segunda = AbrirComoPrograma(ruta);
    ASSERT_NE(segunda, nullptr);
    EXPECT_EQ(TelefonoDe(*segunda, 1), Variante("x"));
}

TEST(Apertura, ManejadorDeConfiguracionSeVaciaYCerrarDosVecesNoHaceNada) {
    CarpetaTemporal carpeta;
    const auto ruta = BaseGenerada(carpeta);
    std::unique_ptr<Database> base;
    CerrarConfiguracion(base);
    EXPECT_EQ(base, nullptr);

    AbrirConfiguracion(base, ruta.string());
    ASSERT_NE(base, nullptr);
    CerrarConfiguracion(base);
    EXPECT_EQ(base, nullptr);
    EXPECT_NO_THROW(CerrarConfiguracion(base));

    // Closed means released: the file opens again.
    AbrirConfiguracion(base, ruta.string());
    EXPECT_NE(base, nullptr);
    // Opening over a held handle releases the old one first instead of
    // refusing the file to itself.
    AbrirConfiguracion(base, ruta.string());
    EXPECT_NE(base, nullptr);
    CerrarConfiguracion(base);

    AbrirConfiguracion(base, (carpeta / "falta.orv").string());
    EXPECT_EQ(base, nullptr);
    EXPECT_FALSE(fs::exists(carpeta / "falta.orv"));
}

// Two copies of SQLite in one process break each other's file locks: the
// engine brings SQLCipher's only, never the system's libsqlite3.
TEST(Motor, NingunaOtraCopiaDeSqliteEnElProceso) {
    CarpetaTemporal carpeta;
    auto base = AbrirComoPrograma(BaseGenerada(carpeta));
    ASSERT_NE(base, nullptr);
    std::vector<std::string> copias;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* datos) {
            const std::string nombre = info->dlpi_name ? info->dlpi_name : "";
            if (nombre.find("libsqlite3") != std::string::npos ||
                nombre.find("libsqlcipher") != std::string::npos)
                static_cast<std::vector<std::string>*>(datos)->push_back(
                    fs::path(nombre).filename().string());
            return 0;
        },
        &copias);
    EXPECT_EQ(copias, std::vector<std::string>{"libsqlcipher.so.0"});
}

TEST(Motor, SoloExisteElEspacioDeTrabajoCero) {
    EXPECT_THROW(DBEngine::Instancia().Workspaces(1), ErrorMotor);
}

TEST(Motor, OperacionesTrasCerrarLanzanErrorMotor) {
    CarpetaTemporal carpeta;
    auto base = AbrirComoPrograma(BaseGenerada(carpeta));
    ASSERT_NE(base, nullptr);
    auto cursor = base->OpenRecordset(kTablaNumeros);
    base->Close();
    EXPECT_NO_THROW(base->Close());
    EXPECT_THROW(base->Execute("DELETE * FROM LD1"), ErrorMotor);
    EXPECT_THROW(base->OpenRecordset(kTablaNumeros), ErrorMotor);
    // Closing the database closed its recordsets.
    EXPECT_THROW(cursor->Eof(), ErrorMotor);
    EXPECT_THROW(cursor->Fields(0), ErrorMotor);
    EXPECT_NO_THROW(cursor->Close());
}

} // namespace
} // namespace vesmadur
