#include "files/SistemaArchivos.h"

#include "ayudas/Archivos.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>

namespace vesmadur {
namespace {

using namespace prueba;

// A folder with one entry of each kind that the operations must tell apart.
struct ConEntradas : testing::Test {
    ConEntradas() {
        EscribirArchivo(t / "origen", ContenidoBinario(3'000'000));
        ::chmod((t / "origen").c_str(), 0640);
        EscribirArchivo(t / "grupo", "anterior");
        ::chmod((t / "grupo").c_str(), 0420);
        EscribirArchivo(t / "protegido", "anterior");
        ::chmod((t / "protegido").c_str(), 0444);
        EscribirArchivo(t / "carpeta/dentro", "x");
        std::filesystem::create_symlink(t / "origen", t / "enlace");
        std::filesystem::create_symlink(t / "nada", t / "roto");
    }
    CarpetaTemporal t;
};

class Existencia : public ConEntradas,
                   public testing::WithParamInterface<std::tuple<const char*, bool, bool>> {};

// The answers never fail and depend only on the kind of entry; an empty text
// or one holding a zero byte names nothing.
TEST_P(Existencia, SoloPorElTipoDeEntrada) {
    auto [relativa, archivo, carpeta] = GetParam();
    EXPECT_EQ(ExisteArchivo(t / relativa), archivo);
    EXPECT_EQ(ExisteCarpeta(t / relativa), carpeta);
    for (std::string ruta : {std::string(), t.Ruta() + std::string(1, '\0') + "x"})
        EXPECT_FALSE(ExisteArchivo(ruta) || ExisteCarpeta(ruta));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Entradas, Existencia, testing::Values(
    std::tuple{"origen", true, false},   std::tuple{"carpeta", false, true},
    std::tuple{"carpeta/", false, true}, std::tuple{"falta", false, false},
    std::tuple{"origen/", false, false}, std::tuple{"origen/x", false, false},
    std::tuple{"enlace", true, false},   std::tuple{"roto", false, false}));
// clang-format on

using D = DiscoConFallos&;
struct CasoCopia {
    const char *Origen, *Destino, *Frase; // without a description the copy succeeds
    bool CulpaDelDestino = true, Reemplazar = true;
    void (*Averia)(D) = [](D) {};
};

class Copia : public ConEntradas, public testing::WithParamInterface<CasoCopia> {};

// A sound copy makes the destination, there or not, a byte-identical copy
// with the source's permissions (both in the snapshot). Otherwise false with a description naming
// the path at fault, and nothing changes: no temporary file is left and the
// destination is exactly as it was, also when the disk fails part-way.
TEST_P(Copia, EnteraONada) {
    const auto& c = GetParam();
    auto esperado = Arbol(t.Ruta());
    std::string origen = t / c.Origen, destino = t / c.Destino;
    DiscoConFallos disco;
    c.Averia(disco);
    auto resultado = SistemaArchivos(disco).CopyFile(origen, destino, {c.Reemplazar, true});
    EXPECT_EQ(static_cast<bool>(resultado), c.Frase == nullptr);
    EXPECT_EQ(resultado.Descripcion,
              c.Frase ? c.Frase + (": " + (c.CulpaDelDestino ? destino : origen)) : "");
    if (c.Frase == nullptr)
        esperado[c.Destino] = esperado[c.Origen];
    EXPECT_EQ(Arbol(t.Ruta()), esperado);
}

constexpr const char *Lleno = "No queda espacio en el disco",
                     *ErrorES = "Error de lectura o escritura en el disco",
                     *Alterada = "La copia no coincide con el original";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Copia, testing::Values(
    CasoCopia{"origen", "nueva", nullptr}, CasoCopia{"origen", "grupo", nullptr},
    CasoCopia{"falta", "nueva", "No se ha encontrado el archivo", false},
    CasoCopia{"carpeta", "nueva", "La ruta es una carpeta, no un archivo", false},
    CasoCopia{"origen", "falta/nueva", "Ruta de acceso no encontrada"},
    CasoCopia{"origen", "origen/nueva", "Ruta de acceso no encontrada"},
    CasoCopia{"origen", "carpeta", "La ruta es una carpeta, no un archivo"},
    CasoCopia{"origen", "carpeta/", "La ruta es una carpeta, no un archivo"},
    CasoCopia{"origen", "protegido", "Permiso denegado"},
    CasoCopia{"origen", "./origen", "El origen y el destino son el mismo archivo"},
    CasoCopia{"origen", "protegido", "El archivo ya existe", true, false},
    CasoCopia{"origen", "nueva", Lleno, true, true, +[](D d) { d.LimiteEscritura = 1'500'000; }},
    CasoCopia{"origen", "grupo", Lleno, true, true, +[](D d) { d.LimiteEscritura = 1'500'000; }},
    CasoCopia{"origen", "nueva", Lleno, true, true, +[](D d) { d.LimiteEscritura = 0; }},
    CasoCopia{"origen", "grupo", Lleno, true, true, +[](D d) { d.LimiteEscritura = 0; }},
    CasoCopia{"origen", "nueva", ErrorES, true, true, +[](D d) { d.FallarSincronizar = true; }},
    CasoCopia{"origen", "grupo", ErrorES, true, true, +[](D d) { d.FallarSincronizar = true; }},
    CasoCopia{"origen", "nueva", ErrorES, true, true, +[](D d) { d.FallarRenombrar = true; }},
    CasoCopia{"origen", "grupo", ErrorES, true, true, +[](D d) { d.FallarRenombrar = true; }},
    CasoCopia{"origen", "nueva", Alterada, true, true, +[](D d) { d.Alterar = true; }},
    CasoCopia{"origen", "grupo", Alterada, true, true, +[](D d) { d.Alterar = true; }}));
// clang-format on

// Only a file with some write permission bit is removed; a link goes, its
// target stays. Everything else is refused with a description.
TEST_F(ConEntradas, ElBorradoRespetaLosArchivosDeSoloLectura) {
    SistemaArchivos archivos;
    for (auto nombre : {"grupo", "enlace", "roto"})
        EXPECT_TRUE(archivos.DeleteFile(t / nombre));
    auto antes = Arbol(t.Ruta());
    for (auto [nombre, frase] : {std::pair{"protegido", "Permiso denegado"},
                                 {"carpeta", "La ruta es una carpeta, no un archivo"},
                                 {"*", "No se ha encontrado el archivo"}})
        EXPECT_EQ(archivos.DeleteFile(t / nombre).Descripcion, frase + (": " + (t / nombre)));
    EXPECT_FALSE(archivos.DeleteFile(""));
    EXPECT_EQ(Arbol(t.Ruta()), antes);
    EXPECT_EQ(antes.count("origen"), 1u);
}

// Files only, with or without a trailing separator; no folder for a file or
// a missing path, and an empty list once the folder has gone.
TEST_F(ConEntradas, ElListadoDaLosArchivosSinSubcarpetas) {
    SistemaArchivos archivos;
    for (std::string ruta : {t.Ruta(), t.Ruta() + "/"}) {
        std::set<std::string> nombres;
        for (const auto& archivo : archivos.GetFolder(ruta)->Files())
            nombres.insert(archivo.Name());
        EXPECT_EQ(nombres, (std::set<std::string>{"origen", "protegido", "grupo", "enlace"}));
    }
    EXPECT_FALSE(archivos.GetFolder(t / "origen") || archivos.GetFolder(t / "falta"));
    auto carpeta = archivos.GetFolder(t / "carpeta");
    std::filesystem::remove_all(t / "carpeta");
    EXPECT_TRUE(carpeta->Files().empty());
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
