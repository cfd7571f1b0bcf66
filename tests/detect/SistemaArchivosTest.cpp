#include "detect/SistemaArchivos.h"

#include "CarpetaTemporal.h"
#include "DiscoConFallos.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// A folder with one entry of each kind that the operations must tell apart.
class ConEntradas : public testing::Test {
protected:
    void SetUp() override {
        EscribirArchivo(t / "origen", "datos");
        EscribirArchivo(t / "protegido", "anterior");
        ::chmod((t / "protegido").c_str(), 0444);
        EscribirArchivo(t / "carpeta/dentro", "x");
        std::filesystem::create_symlink(t / "origen", t / "enlace");
        std::filesystem::create_symlink(t / "nada", t / "roto");
    }
    CarpetaTemporal t;
};

struct CasoExistencia {
    const char* Relativa;
    bool EsArchivo, EsCarpeta;
};

class Existencia : public ConEntradas, public testing::WithParamInterface<CasoExistencia> {};

// The answers never fail and depend only on the kind of entry.
TEST_P(Existencia, SoloPorElTipoDeEntrada) {
    std::string ruta = t / GetParam().Relativa;
    EXPECT_EQ(ExisteArchivo(ruta), GetParam().EsArchivo);
    EXPECT_EQ(ExisteCarpeta(ruta), GetParam().EsCarpeta);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Entradas, Existencia, testing::Values(
    CasoExistencia{"origen", true, false},       CasoExistencia{"carpeta", false, true},
    CasoExistencia{"carpeta/", false, true},     CasoExistencia{"falta", false, false},
    CasoExistencia{"origen/", false, false},     CasoExistencia{"origen/x", false, false},
    CasoExistencia{"enlace", true, false},       CasoExistencia{"roto", false, false}));
// clang-format on

TEST_F(ConEntradas, TextosVaciosOConByteCeroNoExisten) {
    for (std::string ruta : {std::string(), t.Ruta() + std::string(1, '\0') + "x"}) {
        EXPECT_FALSE(ExisteArchivo(ruta));
        EXPECT_FALSE(ExisteCarpeta(ruta));
    }
}

TEST_F(ConEntradas, LaCopiaDuplicaBytesYPermisosReemplazandoSinDejarRestos) {
    const std::string datos = ContenidoBinario(2'500'000);
    EscribirArchivo(t / "grande", datos);
    ::chmod((t / "grande").c_str(), 0640);
    EscribirArchivo(t / "copia", "un contenido anterior");
    auto antes = Arbol(t.Ruta());

    ASSERT_TRUE(SistemaArchivos().CopyFile(t / "grande", t / "copia"));

    antes["copia"] = datos;
    EXPECT_EQ(Arbol(t.Ruta()), antes);
    EXPECT_EQ(Permisos(t / "copia"), 0640u);
    EXPECT_EQ(Permisos(t / "grande"), 0640u);
}

struct CasoCopiaImposible {
    const char *Origen, *Destino;
    const char* Frase;
    bool CulpaDelDestino;
    bool Reemplazar = true;
};

class CopiaImposible : public ConEntradas,
                       public testing::WithParamInterface<CasoCopiaImposible> {};

// False with a description naming the path at fault; nothing changes.
TEST_P(CopiaImposible, NoCambiaNada) {
    const auto& caso = GetParam();
    auto antes = Arbol(t.Ruta());
    std::string origen = t / caso.Origen, destino = t / caso.Destino;
    auto resultado = SistemaArchivos().CopyFile(origen, destino, {.Reemplazar = caso.Reemplazar});
    EXPECT_FALSE(resultado);
    EXPECT_EQ(resultado.Descripcion,
              std::string(caso.Frase) + ": " + (caso.CulpaDelDestino ? destino : origen));
    EXPECT_EQ(Arbol(t.Ruta()), antes);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, CopiaImposible, testing::Values(
    CasoCopiaImposible{"falta", "nueva", "No se ha encontrado el archivo", false},
    CasoCopiaImposible{"carpeta", "nueva", "La ruta es una carpeta, no un archivo", false},
    CasoCopiaImposible{"origen", "falta/nueva", "Ruta de acceso no encontrada", true},
    CasoCopiaImposible{"origen", "origen/nueva", "Ruta de acceso no encontrada", true},
    CasoCopiaImposible{"origen", "carpeta", "La ruta es una carpeta, no un archivo", true},
    CasoCopiaImposible{"origen", "carpeta/", "La ruta es una carpeta, no un archivo", true},
    CasoCopiaImposible{"origen", "protegido", "Permiso denegado", true},
    CasoCopiaImposible{"origen", "./origen", "El origen y el destino son el mismo archivo", true},
    CasoCopiaImposible{"origen", "protegido", "El archivo ya existe", true, false}));
// clang-format on

using Averia = void (*)(DiscoConFallos&);
class CopiaEnDiscoAveriado : public testing::TestWithParam<std::pair<Averia, const char*>> {};

// A disk failing part-way: false, no temporary file left, and the
// destination exactly as it was, whether or not it existed.
TEST_P(CopiaEnDiscoAveriado, NoDejaCopiaParcial) {
    for (bool habiaDestino : {false, true}) {
        CarpetaTemporal t;
        EscribirArchivo(t / "origen", ContenidoBinario(3'000'000));
        if (habiaDestino)
            EscribirArchivo(t / "destino", "anterior");
        auto antes = Arbol(t.Ruta());
        DiscoConFallos disco;
        GetParam().first(disco);
        auto resultado =
            SistemaArchivos(disco).CopyFile(t / "origen", t / "destino", {.Verificar = true});
        EXPECT_FALSE(resultado);
        EXPECT_EQ(resultado.Descripcion, std::string(GetParam().second) + ": " + (t / "destino"));
        EXPECT_EQ(Arbol(t.Ruta()), antes);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Averias, CopiaEnDiscoAveriado, testing::Values(
    std::pair{+[](DiscoConFallos& d) { d.LimiteEscritura = 1'500'000; }, "No queda espacio en el disco"},
    std::pair{+[](DiscoConFallos& d) { d.LimiteEscritura = 0; }, "No queda espacio en el disco"},
    std::pair{+[](DiscoConFallos& d) { d.FallarSincronizar = true; }, "Error de lectura o escritura en el disco"},
    std::pair{+[](DiscoConFallos& d) { d.FallarRenombrar = true; }, "Error de lectura o escritura en el disco"},
    std::pair{+[](DiscoConFallos& d) { d.Alterar = true; }, "La copia no coincide con el original"}));
// clang-format on

// Only a file with some write permission bit is removed; a link goes, its
// target stays. Everything else is refused with a description.
TEST_F(ConEntradas, ElBorradoRespetaLosArchivosDeSoloLectura) {
    SistemaArchivos archivos;
    EscribirArchivo(t / "grupo", "x");
    ::chmod((t / "grupo").c_str(), 0420);
    EXPECT_TRUE(archivos.DeleteFile(t / "grupo"));
    EXPECT_TRUE(archivos.DeleteFile(t / "enlace"));
    EXPECT_TRUE(archivos.DeleteFile(t / "roto"));
    auto antes = Arbol(t.Ruta());

    EXPECT_EQ(archivos.DeleteFile(t / "protegido").Descripcion,
              "Permiso denegado: " + (t / "protegido"));
    EXPECT_EQ(archivos.DeleteFile(t / "carpeta").Descripcion,
              "La ruta es una carpeta, no un archivo: " + (t / "carpeta"));
    EXPECT_EQ(archivos.DeleteFile(t / "*").Descripcion,
              "No se ha encontrado el archivo: " + (t / "*"));
    EXPECT_FALSE(archivos.DeleteFile(""));
    EXPECT_EQ(Arbol(t.Ruta()), antes);
    EXPECT_EQ(antes.count("origen"), 1u);
}

TEST_F(ConEntradas, ElListadoDaLosArchivosSinSubcarpetas) {
    SistemaArchivos archivos;
    for (std::string ruta : {t.Ruta(), t.Ruta() + "/"}) {
        std::set<std::string> nombres;
        for (const auto& archivo : archivos.GetFolder(ruta)->Files())
            nombres.insert(archivo.Name());
        EXPECT_EQ(nombres, (std::set<std::string>{"origen", "protegido", "enlace"}));
    }
    EXPECT_FALSE(archivos.GetFolder(t / "origen"));
    EXPECT_FALSE(archivos.GetFolder(t / "falta"));
    auto carpeta = archivos.GetFolder(t / "carpeta");
    std::filesystem::remove_all(t / "carpeta");
    EXPECT_TRUE(carpeta->Files().empty()); // gone meanwhile: an empty list
}

// The creation date is the birth of the file, not its last change.
TEST(FechaCreacion, NoSigueALaModificacion) {
    CarpetaTemporal t;
    auto antes = std::chrono::system_clock::now() - std::chrono::seconds(1);
    EscribirArchivo(t / "a", "x");
    auto despues = std::chrono::system_clock::now() + std::chrono::seconds(1);
    struct statx datos {};
    ASSERT_EQ(::statx(AT_FDCWD, (t / "a").c_str(), 0, STATX_BTIME, &datos), 0);
    if ((datos.stx_mask & STATX_BTIME) == 0)
        GTEST_SKIP() << "sin fecha de nacimiento";
    struct timespec pasado[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (t / "a").c_str(), pasado, 0), 0);

    auto fecha = SistemaArchivos().GetFolder(t.Ruta())->Files().at(0).DateCreated();
    EXPECT_GE(fecha, antes);
    EXPECT_LE(fecha, despues);
}

} // namespace
} // namespace vesmadur
