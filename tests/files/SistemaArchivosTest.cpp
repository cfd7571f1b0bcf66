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
        fs::create_symlink(t / "protegido", t / "enlace");
        fs::create_symlink(t / "nada", t / "roto");
    }
    CarpetaTemporal t;
};

// One path and what each operation makes of it: a file, a folder, one of the
// folder's listed files, and what removing it says ("" when it goes).
struct Entrada {
    const char *Nombre, *Relativa;
    bool Archivo, Carpeta, Listada;
    const char* Borrado;
    friend void PrintTo(const Entrada& e, std::ostream* os) { *os << e.Nombre; }
};

class Entradas : public ConEntradas, public testing::WithParamInterface<Entrada> {};

// The answers never fail and depend only on the kind of entry; an empty text
// or one holding a zero byte names nothing. Only a file with some write
// permission bit, or a link (never its target), is removed; the rest is
// refused with a description and left as it was.
TEST_P(Entradas, CadaOperacionSegunElTipo) {
    const auto& e = GetParam();
    const std::string ruta = t / e.Relativa;
    EXPECT_EQ(ExisteArchivo(ruta), e.Archivo);
    EXPECT_EQ(ExisteCarpeta(ruta), e.Carpeta);
    for (std::string nada : {std::string(), t.Ruta() + std::string(1, '\0') + "x"})
        EXPECT_FALSE(ExisteArchivo(nada) || ExisteCarpeta(nada) ||
                     SistemaArchivos().DeleteFile(nada));
    SistemaArchivos archivos;
    EXPECT_EQ(archivos.GetFolder(ruta).has_value(), e.Carpeta);
    for (std::string carpeta : {t.Ruta(), t.Ruta() + "/"}) {
        std::set<std::string> nombres;
        for (const auto& archivo : archivos.GetFolder(carpeta)->Files())
            nombres.insert(archivo.Name());
        EXPECT_EQ(nombres.count(e.Relativa), e.Listada);
    }
    auto esperado = Arbol(t.Ruta());
    if (!*e.Borrado)
        esperado.erase(e.Relativa);
    EXPECT_EQ(archivos.DeleteFile(ruta).Descripcion, *e.Borrado ? e.Borrado + (": " + ruta) : "");
    EXPECT_EQ(Arbol(t.Ruta()), esperado);
}

constexpr const char *EsCarpeta = "La ruta es una carpeta, no un archivo",
                     *Falta = "No se ha encontrado el archivo",
                     *NoHayRuta = "Ruta de acceso no encontrada";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Entradas, testing::Values(
    Entrada{"Archivo", "origen", true, false, true, ""},
    Entrada{"EscrituraSoloDelGrupo", "grupo", true, false, true, ""},
    Entrada{"SoloLectura", "protegido", true, false, true, "Permiso denegado"},
    Entrada{"Carpeta", "carpeta", false, true, false, EsCarpeta},
    Entrada{"CarpetaConSeparador", "carpeta/", false, true, false, EsCarpeta},
    Entrada{"Falta", "falta", false, false, false, Falta},
    Entrada{"Comodin", "*", false, false, false, Falta},
    Entrada{"ArchivoConSeparador", "origen/", false, false, false, NoHayRuta},
    Entrada{"DentroDeUnArchivo", "origen/x", false, false, false, NoHayRuta},
    Entrada{"Enlace", "enlace", true, false, true, ""},
    Entrada{"EnlaceRoto", "roto", false, false, false, ""}),
    testing::PrintToStringParamName());
// clang-format on

using D = DiscoConFallos&;
struct CasoCopia {
    const char *Nombre, *Origen = "origen", *Destino = "nueva",
                        *Frase = nullptr; // nullptr: success
    bool CulpaDelDestino = true, Reemplazar = true;
    // A disk fault, tried on a new destination (not replacing, as the
    // backup copies) and on an existing one (replaced).
    void (*Averia)(D) = nullptr;
    friend void PrintTo(const CasoCopia& c, std::ostream* os) { *os << c.Nombre; }
};

class Copia : public ConEntradas, public testing::WithParamInterface<CasoCopia> {};

// A sound copy makes the destination, there or not, a byte-identical copy
// with the source's permissions (both in the snapshot). Otherwise false with
// a description naming the path at fault, and nothing changes: no temporary
// file is left and the destination is exactly as it was, also when the disk
// fails part-way.
TEST_P(Copia, EnteraONada) {
    const auto& c = GetParam();
    using Destinos = std::vector<std::pair<const char*, bool>>;
    for (auto [relativa, reemplazar] : c.Averia ? Destinos{{"nueva", false}, {"grupo", true}}
                                                : Destinos{{c.Destino, c.Reemplazar}}) {
        auto esperado = Arbol(t.Ruta());
        const std::string origen = t / c.Origen, destino = t / relativa;
        DiscoConFallos disco;
        if (c.Averia)
            c.Averia(disco);
        auto resultado = SistemaArchivos(disco).CopyFile(origen, destino, {reemplazar, true});
        EXPECT_EQ(static_cast<bool>(resultado), c.Frase == nullptr);
        EXPECT_EQ(resultado.Descripcion,
                  c.Frase ? c.Frase + (": " + (c.CulpaDelDestino ? destino : origen)) : "");
        if (c.Frase == nullptr)
            esperado[relativa] = esperado[c.Origen];
        EXPECT_EQ(Arbol(t.Ruta()), esperado) << relativa;
    }
}

constexpr const char *Lleno = "No queda espacio en el disco",
                     *ErrorES = "Error de lectura o escritura en el disco";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Copia, testing::Values(
    CasoCopia{"Nueva"}, CasoCopia{"Reemplaza", "origen", "grupo"},
    CasoCopia{"OrigenFaltante", "falta", "nueva", Falta, false},
    CasoCopia{"OrigenCarpeta", "carpeta", "nueva", EsCarpeta, false},
    CasoCopia{"CarpetaFaltante", "origen", "falta/nueva", NoHayRuta},
    CasoCopia{"DentroDeUnArchivo", "origen", "origen/nueva", NoHayRuta},
    CasoCopia{"DestinoCarpeta", "origen", "carpeta", EsCarpeta},
    CasoCopia{"DestinoCarpetaConSeparador", "origen", "carpeta/", EsCarpeta},
    CasoCopia{"DestinoSoloLectura", "origen", "protegido", "Permiso denegado"},
    CasoCopia{"MismoArchivo", "origen", "./origen", "El origen y el destino son el mismo archivo"},
    CasoCopia{"SinReemplazar", "origen", "protegido", "El archivo ya existe", true, false},
    CasoCopia{.Nombre = "DiscoLlenoAMitad", .Frase = Lleno,
              .Averia = [](D d) { d.LimiteEscritura = 1'500'000; }},
    CasoCopia{.Nombre = "DiscoLleno", .Frase = Lleno, .Averia = [](D d) { d.LimiteEscritura = 0; }},
    CasoCopia{.Nombre = "SincronizarFalla", .Frase = ErrorES,
              .Averia = [](D d) { d.FallarSincronizar = true; }},
    CasoCopia{.Nombre = "RenombrarFalla", .Frase = ErrorES,
              .Averia = [](D d) { d.FallarRenombrar = true; }},
    CasoCopia{.Nombre = "CopiaAlterada", .Frase = "La copia no coincide con el original",
              .Averia = [](D d) { d.Alterar = true; }}),
    testing::PrintToStringParamName());
// clang-format on

// The creation date is the birth of the file, not its last change. A listed
// folder that has gone lists nothing.
TEST(Listado, FechaDeNacimientoYCarpetaQueSeFue) {
    CarpetaTemporal t;
    auto antes = std::chrono::system_clock::now() - std::chrono::seconds(1);
    EscribirArchivo(t / "a", "x");
    auto despues = std::chrono::system_clock::now() + std::chrono::seconds(1);
    struct statx datos {};
    ASSERT_EQ(::statx(AT_FDCWD, (t / "a").c_str(), 0, STATX_BTIME, &datos), 0);
    struct timespec pasado[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (t / "a").c_str(), pasado, 0), 0);
    auto carpeta = SistemaArchivos().GetFolder(t.Ruta());
    auto fecha = carpeta->Files().at(0).DateCreated();
    fs::remove_all(t.Ruta());
    EXPECT_TRUE(carpeta->Files().empty());
    if ((datos.stx_mask & STATX_BTIME) == 0)
        GTEST_SKIP() << "sin fecha de nacimiento";
    EXPECT_GE(fecha, antes);
    EXPECT_LE(fecha, despues);
}

} // namespace
} // namespace vesmadur
