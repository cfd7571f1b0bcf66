#include "detect/SistemaArchivos.h"

#include "CarpetaTemporal.h"
#include "DiscoConFallos.h"
#include "detect/FechaCreacion.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vesmadur {
namespace {

using prueba::CarpetaTemporal;
using prueba::Entradas;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::Permisos;

// ---------------------------------------------------------------- existence

// What sits in the temporary folder T and which text is asked about.
struct CasoExistencia {
    const char* Nombre;
    std::function<std::string(const CarpetaTemporal&)> Preparar;
    bool EsArchivo;
    bool EsCarpeta;
};

class Existencia : public testing::TestWithParam<CasoExistencia> {};

TEST_P(Existencia, RespondeSoloPorElTipoDeEntradaSinFallar) {
    CarpetaTemporal t;
    std::string ruta = GetParam().Preparar(t);
    SistemaArchivos archivos;
    EXPECT_EQ(archivos.FileExists(ruta), GetParam().EsArchivo);
    EXPECT_EQ(archivos.FolderExists(ruta), GetParam().EsCarpeta);
    EXPECT_EQ(ExisteArchivo(ruta), GetParam().EsArchivo);
    EXPECT_EQ(ExisteCarpeta(ruta), GetParam().EsCarpeta);
}

INSTANTIATE_TEST_SUITE_P(
    Entradas, Existencia,
    testing::Values(
        CasoExistencia{"Archivo",
                       [](const CarpetaTemporal& tmp) {
                           EscribirArchivo(tmp / "a.orv", "x");
                           return tmp / "a.orv";
                       },
                       true, false},
        CasoExistencia{"ArchivoVacio",
                       [](const CarpetaTemporal& tmp) {
                           EscribirArchivo(tmp / "vacio", "");
                           return tmp / "vacio";
                       },
                       true, false},
        CasoExistencia{"Carpeta", [](const CarpetaTemporal& tmp) { return tmp.Ruta(); }, false,
                       true},
        CasoExistencia{"CarpetaConSeparadorFinal",
                       [](const CarpetaTemporal& tmp) { return tmp.Ruta() + "/"; }, false, true},
        CasoExistencia{"Ausente", [](const CarpetaTemporal& tmp) { return tmp / "no-existe"; },
                       false, false},
        CasoExistencia{"TextoVacio", [](const CarpetaTemporal&) { return std::string(); }, false,
                       false},
        // A zero byte would cut the text short at an existing folder.
        CasoExistencia{
            "TextoConByteCero",
            [](const CarpetaTemporal& tmp) { return tmp.Ruta() + std::string(1, '\0') + "x"; },
            false, false},
        CasoExistencia{"RutaAtravesDeUnArchivo",
                       [](const CarpetaTemporal& tmp) {
                           EscribirArchivo(tmp / "archivo", "x");
                           return tmp / "archivo/config";
                       },
                       false, false},
        CasoExistencia{"ArchivoConSeparadorFinal",
                       [](const CarpetaTemporal& tmp) {
                           EscribirArchivo(tmp / "archivo", "x");
                           return tmp / "archivo/";
                       },
                       false, false},
        CasoExistencia{"EnlaceAUnArchivo",
                       [](const CarpetaTemporal& tmp) {
                           EscribirArchivo(tmp / "real", "x");
                           std::filesystem::create_symlink(tmp / "real", tmp / "enlace");
                           return tmp / "enlace";
                       },
                       true, false},
        CasoExistencia{"EnlaceRoto",
                       [](const CarpetaTemporal& tmp) {
                           std::filesystem::create_symlink(tmp / "nada", tmp / "enlace");
                           return tmp / "enlace";
                       },
                       false, false}),
    [](const testing::TestParamInfo<CasoExistencia>& fila) { return fila.param.Nombre; });

// --------------------------------------------------------------------- copy

TEST(Copia, DuplicaLosBytesYLosPermisosSinTocarElOrigenNiDejarRestos) {
    CarpetaTemporal t;
    const std::string datos = prueba::ContenidoBinario(2'500'000);
    EscribirArchivo(t / "origen", datos);
    ::chmod((t / "origen").c_str(), 0640);

    ASSERT_TRUE(SistemaArchivos().CopyFile(t / "origen", t / "destino"));

    EXPECT_EQ(LeerArchivo(t / "destino"), datos);
    EXPECT_EQ(Permisos(t / "destino"), 0640u);
    EXPECT_EQ(LeerArchivo(t / "origen"), datos);
    EXPECT_EQ(Permisos(t / "origen"), 0640u);
    EXPECT_EQ(Entradas(t.Ruta()), (std::set<std::string>{"origen", "destino"}));
}

TEST(Copia, ReemplazaUnDestinoExistenteYCopiaArchivosVacios) {
    CarpetaTemporal t;
    EscribirArchivo(t / "origen", "corto");
    EscribirArchivo(t / "destino", "un contenido anterior mucho mas largo");
    ASSERT_TRUE(SistemaArchivos().CopyFile(t / "origen", t / "destino"));
    EXPECT_EQ(LeerArchivo(t / "destino"), "corto");

    EscribirArchivo(t / "vacio", "");
    ASSERT_TRUE(SistemaArchivos().CopyFile(t / "vacio", t / "destino"));
    EXPECT_EQ(LeerArchivo(t / "destino"), "");
    EXPECT_EQ(Entradas(t.Ruta()), (std::set<std::string>{"origen", "destino", "vacio"}));
}

TEST(Copia, SinReemplazarNoTocaUnDestinoExistente) {
    CarpetaTemporal t;
    EscribirArchivo(t / "origen", "nuevo");
    EscribirArchivo(t / "destino", "anterior");
    auto resultado = SistemaArchivos().CopyFile(t / "origen", t / "destino", {.Reemplazar = false});
    EXPECT_FALSE(resultado);
    EXPECT_EQ(resultado.Descripcion, "El archivo ya existe: " + (t / "destino"));
    EXPECT_EQ(LeerArchivo(t / "destino"), "anterior");
    EXPECT_EQ(Entradas(t.Ruta()), (std::set<std::string>{"origen", "destino"}));
}

// A copy that cannot be made: the result is false with a description naming
// the path at fault; the source and anything at the destination stay as they
// were and no other entry appears.
struct CasoCopiaImposible {
    const char* Nombre;
    // Prepares T (which holds "origen" with "datos") and gives source and
    // destination.
    std::function<std::pair<std::string, std::string>(const CarpetaTemporal&)> Preparar;
    const char* Descripcion; // with "{o}" or "{d}" for the source or destination path
};

class CopiaImposible : public testing::TestWithParam<CasoCopiaImposible> {};

TEST_P(CopiaImposible, FallaConDescripcionSinCambiarNada) {
    CarpetaTemporal t;
    EscribirArchivo(t / "origen", "datos");
    auto [origen, destino] = GetParam().Preparar(t);
    auto antes = Entradas(t.Ruta());
    bool habiaDestino = std::filesystem::exists(destino);
    std::string destinoAntes = habiaDestino && std::filesystem::is_regular_file(destino)
                                   ? LeerArchivo(destino)
                                   : std::string();

    auto resultado = SistemaArchivos().CopyFile(origen, destino);

    EXPECT_FALSE(resultado);
    std::string esperada = GetParam().Descripcion;
    if (auto p = esperada.find("{o}"); p != std::string::npos)
        esperada.replace(p, 3, origen);
    if (auto p = esperada.find("{d}"); p != std::string::npos)
        esperada.replace(p, 3, destino);
    EXPECT_EQ(resultado.Descripcion, esperada);
    EXPECT_EQ(Entradas(t.Ruta()), antes);
    EXPECT_EQ(LeerArchivo(t / "origen"), "datos");
    if (habiaDestino && std::filesystem::is_regular_file(destino)) {
        EXPECT_EQ(LeerArchivo(destino), destinoAntes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, CopiaImposible,
    testing::Values(
        CasoCopiaImposible{"OrigenAusente",
                           [](const CarpetaTemporal& tmp) {
                               return std::pair{tmp / "no-existe", tmp / "destino"};
                           },
                           "No se ha encontrado el archivo: {o}"},
        CasoCopiaImposible{"OrigenCarpeta",
                           [](const CarpetaTemporal& tmp) {
                               std::filesystem::create_directory(tmp / "carpeta");
                               return std::pair{tmp / "carpeta", tmp / "destino"};
                           },
                           "La ruta es una carpeta, no un archivo: {o}"},
        CasoCopiaImposible{"CarpetaDestinoAusente",
                           [](const CarpetaTemporal& tmp) {
                               return std::pair{tmp / "origen", tmp / "falta/destino"};
                           },
                           "Ruta de acceso no encontrada: {d}"},
        CasoCopiaImposible{"DestinoAtravesDeUnArchivo",
                           [](const CarpetaTemporal& tmp) {
                               EscribirArchivo(tmp / "archivo", "x");
                               return std::pair{tmp / "origen", tmp / "archivo/destino"};
                           },
                           "Ruta de acceso no encontrada: {d}"},
        CasoCopiaImposible{"DestinoCarpeta",
                           [](const CarpetaTemporal& tmp) {
                               std::filesystem::create_directory(tmp / "carpeta");
                               return std::pair{tmp / "origen", tmp / "carpeta"};
                           },
                           "La ruta es una carpeta, no un archivo: {d}"},
        CasoCopiaImposible{"DestinoConSeparadorFinal",
                           [](const CarpetaTemporal& tmp) {
                               return std::pair{tmp / "origen", tmp.Ruta() + "/"};
                           },
                           "La ruta es una carpeta, no un archivo: {d}"},
        CasoCopiaImposible{"DestinoDeSoloLectura",
                           [](const CarpetaTemporal& tmp) {
                               EscribirArchivo(tmp / "protegido", "anterior");
                               ::chmod((tmp / "protegido").c_str(), 0444);
                               return std::pair{tmp / "origen", tmp / "protegido"};
                           },
                           "Permiso denegado: {d}"},
        // Copying a file over itself must not empty it.
        CasoCopiaImposible{"SobreSiMismo",
                           [](const CarpetaTemporal& tmp) {
                               return std::pair{tmp / "origen", tmp.Ruta() + "/./origen"};
                           },
                           "El origen y el destino son el mismo archivo: {d}"},
        CasoCopiaImposible{"OrigenVacio",
                           [](const CarpetaTemporal& tmp) {
                               return std::pair{std::string(), tmp / "destino"};
                           },
                           "No se ha encontrado el archivo: {o}"},
        CasoCopiaImposible{"DestinoVacio",
                           [](const CarpetaTemporal& tmp) {
                               return std::pair{tmp / "origen", std::string()};
                           },
                           "No se ha encontrado el archivo: {d}"}),
    [](const testing::TestParamInfo<CasoCopiaImposible>& fila) { return fila.param.Nombre; });

// A disk that fails during the copy: false, the destination as it was before,
// and no temporary file left in the folder.
struct CasoDiscoFallido {
    const char* Nombre;
    std::function<void(prueba::DiscoConFallos&)> Averiar;
    OpcionesCopia Opciones;
    const char* Frase;
};

class CopiaEnDiscoFallido : public testing::TestWithParam<CasoDiscoFallido> {};

TEST_P(CopiaEnDiscoFallido, NoDejaCopiaParcialYConservaElDestinoAnterior) {
    for (bool habiaDestino : {false, true}) {
        SCOPED_TRACE(habiaDestino ? "con destino anterior" : "sin destino");
        CarpetaTemporal t;
        const std::string datos = prueba::ContenidoBinario(3'000'000);
        EscribirArchivo(t / "origen", datos);
        if (habiaDestino)
            EscribirArchivo(t / "destino", "anterior");
        auto antes = Entradas(t.Ruta());
        prueba::DiscoConFallos disco;
        GetParam().Averiar(disco);

        auto resultado =
            SistemaArchivos(disco).CopyFile(t / "origen", t / "destino", GetParam().Opciones);

        EXPECT_FALSE(resultado);
        EXPECT_EQ(resultado.Descripcion, std::string(GetParam().Frase) + ": " + (t / "destino"));
        EXPECT_EQ(Entradas(t.Ruta()), antes);
        if (habiaDestino) {
            EXPECT_EQ(LeerArchivo(t / "destino"), "anterior");
        }
        EXPECT_EQ(LeerArchivo(t / "origen"), datos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Averias, CopiaEnDiscoFallido,
    testing::Values(CasoDiscoFallido{"DiscoLlenoAMitad",
                                     [](prueba::DiscoConFallos& d) {
                                         d.LimiteEscritura = 1'500'000;
                                     },
                                     {},
                                     "No queda espacio en el disco"},
                    CasoDiscoFallido{"DiscoLlenoAlEmpezar",
                                     [](prueba::DiscoConFallos& d) { d.LimiteEscritura = 0; },
                                     {},
                                     "No queda espacio en el disco"},
                    CasoDiscoFallido{"VolcadoAlDiscoFallido",
                                     [](prueba::DiscoConFallos& d) { d.FallarSincronizar = true; },
                                     {},
                                     "Error de lectura o escritura en el disco"},
                    CasoDiscoFallido{"RenombradoFallido",
                                     [](prueba::DiscoConFallos& d) { d.FallarRenombrar = true; },
                                     {},
                                     "Error de lectura o escritura en el disco"},
                    CasoDiscoFallido{"CopiaAlteradaDetectada",
                                     [](prueba::DiscoConFallos& d) { d.Alterar = true; },
                                     {.Verificar = true},
                                     "La copia no coincide con el original"}),
    [](const testing::TestParamInfo<CasoDiscoFallido>& fila) { return fila.param.Nombre; });

TEST(Copia, LecturaFallidaDelOrigenNoDejaNada) {
    CarpetaTemporal t;
    EscribirArchivo(t / "origen", "datos");
    prueba::DiscoConFallos disco;
    disco.FallarLectura = true;
    auto resultado = SistemaArchivos(disco).CopyFile(t / "origen", t / "destino");
    EXPECT_FALSE(resultado);
    EXPECT_EQ(resultado.Descripcion, "Error de lectura o escritura en el disco: " + (t / "origen"));
    EXPECT_EQ(Entradas(t.Ruta()), (std::set<std::string>{"origen"}));
}

// ------------------------------------------------------------------- delete

TEST(Borrado, QuitaUnArchivoConPermisoDeEscritura) {
    CarpetaTemporal t;
    EscribirArchivo(t / "a", "x");
    EscribirArchivo(t / "b", "x");
    ::chmod((t / "b").c_str(), 0400 | 0020); // only the group may write: not read-only
    EXPECT_TRUE(SistemaArchivos().DeleteFile(t / "a"));
    EXPECT_TRUE(SistemaArchivos().DeleteFile(t / "b"));
    EXPECT_TRUE(Entradas(t.Ruta()).empty());
}

TEST(Borrado, RechazaLoQueNoEsUnArchivoBorrableYNoTocaNada) {
    CarpetaTemporal t;
    EscribirArchivo(t / "protegido", "x");
    ::chmod((t / "protegido").c_str(), 0444);
    std::filesystem::create_directory(t / "carpeta");
    EscribirArchivo(t / "carpeta/dentro", "x");
    auto antes = Entradas(t.Ruta());
    SistemaArchivos archivos;

    auto protegido = archivos.DeleteFile(t / "protegido");
    EXPECT_FALSE(protegido);
    EXPECT_EQ(protegido.Descripcion, "Permiso denegado: " + (t / "protegido"));

    auto carpeta = archivos.DeleteFile(t / "carpeta");
    EXPECT_FALSE(carpeta);
    EXPECT_EQ(carpeta.Descripcion, "La ruta es una carpeta, no un archivo: " + (t / "carpeta"));

    auto ausente = archivos.DeleteFile(t / "no-existe");
    EXPECT_FALSE(ausente);
    EXPECT_EQ(ausente.Descripcion, "No se ha encontrado el archivo: " + (t / "no-existe"));

    EXPECT_FALSE(archivos.DeleteFile(""));
    EXPECT_FALSE(archivos.DeleteFile(t / "*")); // no wildcards: nothing is named "*"

    EXPECT_EQ(Entradas(t.Ruta()), antes);
    EXPECT_TRUE(archivos.FileExists(t / "carpeta/dentro"));
}

TEST(Borrado, UnEnlaceSeQuitaSinTocarSuDestino) {
    CarpetaTemporal t;
    EscribirArchivo(t / "real", "x");
    std::filesystem::create_symlink(t / "real", t / "enlace");
    EXPECT_TRUE(SistemaArchivos().DeleteFile(t / "enlace"));
    EXPECT_EQ(Entradas(t.Ruta()), (std::set<std::string>{"real"}));
}

// ------------------------------------------------------------------ listing

TEST(Listado, DaLosArchivosDeLaCarpetaSinSubcarpetasConSuNombre) {
    CarpetaTemporal t;
    EscribirArchivo(t / "uno.resp", "1");
    EscribirArchivo(t / ".oculto", "2");
    EscribirArchivo(t / "sub/interno.resp", "3");
    std::filesystem::create_symlink(t / "sub", t / "enlace-carpeta");

    for (std::string ruta : {t.Ruta(), t.Ruta() + "/"}) {
        auto carpeta = SistemaArchivos().GetFolder(ruta);
        ASSERT_TRUE(carpeta);
        std::set<std::string> nombres;
        for (const auto& archivo : carpeta->Files())
            nombres.insert(archivo.Name());
        EXPECT_EQ(nombres, (std::set<std::string>{"uno.resp", ".oculto"}));
    }
}

TEST(Listado, NoHayCarpetaQueListarParaUnArchivoOUnaRutaAusente) {
    CarpetaTemporal t;
    EscribirArchivo(t / "archivo", "x");
    SistemaArchivos archivos;
    EXPECT_FALSE(archivos.GetFolder(t / "archivo"));
    EXPECT_FALSE(archivos.GetFolder(t / "falta"));
    EXPECT_FALSE(archivos.GetFolder(""));
}

TEST(Listado, UnaCarpetaQueDesapareceDaUnaListaVacia) {
    CarpetaTemporal t;
    std::filesystem::create_directory(t / "c");
    EscribirArchivo(t / "c/a", "x");
    auto carpeta = SistemaArchivos().GetFolder(t / "c");
    ASSERT_TRUE(carpeta);
    std::filesystem::remove_all(t / "c");
    EXPECT_TRUE(carpeta->Files().empty());
}

// The creation date is the birth of the file, not its last change.
TEST(Listado, LaFechaDeCreacionNoSigueALaDeModificacion) {
    CarpetaTemporal t;
    auto antes = std::chrono::system_clock::now();
    EscribirArchivo(t / "a", "x");
    auto despues = std::chrono::system_clock::now();

    struct statx datos {};
    ASSERT_EQ(::statx(AT_FDCWD, (t / "a").c_str(), 0, STATX_BTIME, &datos), 0);
    if ((datos.stx_mask & STATX_BTIME) == 0)
        GTEST_SKIP() << "el sistema de archivos no guarda la fecha de nacimiento";

    // Move the modification time far into the past.
    struct timespec tiempos[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (t / "a").c_str(), tiempos, 0), 0);

    auto archivos = SistemaArchivos().GetFolder(t.Ruta())->Files();
    ASSERT_EQ(archivos.size(), 1u);
    EXPECT_GE(archivos[0].DateCreated(), antes - std::chrono::seconds(1));
    EXPECT_LE(archivos[0].DateCreated(), despues + std::chrono::seconds(1));
}

TEST(Listado, SinFechaDeNacimientoSeUsaLaUltimaEscritura) {
    struct statx datos {};
    datos.stx_btime = {1'500'000'000, 0, 0};
    datos.stx_mtime = {1'600'000'000, 250'000'000, 0};
    datos.stx_ctime = {1'700'000'000, 0, 0};
    using std::chrono::system_clock;

    datos.stx_mask = STATX_BTIME | STATX_MTIME | STATX_CTIME;
    EXPECT_EQ(InstanteCreacion(datos), system_clock::from_time_t(1'500'000'000));

    datos.stx_mask = STATX_MTIME | STATX_CTIME;
    EXPECT_EQ(InstanteCreacion(datos),
              system_clock::from_time_t(1'600'000'000) + std::chrono::milliseconds(250));
}

} // namespace
} // namespace vesmadur
