#include "files/SistemaArchivos.h"

#include "ayudas/Archivos.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// A folder with one entry of each kind the operations must tell apart.
struct ConEntradas : testing::Test {
    ConEntradas() {
        std::string datos(3'000'000, '\0'); // every byte value, in a period no copy block has
        std::ranges::generate(datos, [i = 0]() mutable { return static_cast<char>(i++ % 257); });
        fs::permissions(EscribirArchivo(t / "origen", datos), fs::perms(0640));
        fs::permissions(EscribirArchivo(t / "origen2", "anterior"), fs::perms(0600));
        fs::permissions(EscribirArchivo(t / "protegido", "anterior"), fs::perms(0444));
        EscribirArchivo(t / "carpeta/dentro", "x");
#ifndef _WIN32 // Windows has no group permissions, and links need a privilege there
        fs::permissions(EscribirArchivo(t / "grupo", "anterior"), fs::perms(0420));
        fs::create_symlink(t / "protegido", t / "enlace");
        fs::create_symlink(t / "nada", t / "roto");
#endif
    }
    CarpetaTemporal t;
};

// A path and what each operation makes of it: a file, a folder, a file the
// folder lists, what removing it says ("" when it goes).
struct Entrada {
    const char *Nombre, *Relativa;
    bool Archivo, Carpeta, Listada;
    const char* Borrado;
    friend void PrintTo(const Entrada& e, std::ostream* os) { *os << e.Nombre; }
};

class Entradas : public ConEntradas, public testing::WithParamInterface<Entrada> {};

// "" or a text with a zero byte names nothing. Only a file with a write bit,
// or a link (never its target), is removed; the rest is refused and left.
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
    const auto listado = archivos.GetFolder(t.Ruta())->Files();
    EXPECT_EQ(std::ranges::count(listado, e.Relativa, &ArchivoCarpeta::Name), e.Listada);
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
    Entrada{"SoloLectura", "protegido", true, false, true, "Permiso denegado"},
    Entrada{"Carpeta", "carpeta", false, true, false, EsCarpeta},
    Entrada{"Falta", "falta", false, false, false, Falta},
    Entrada{"ArchivoConSeparador", "origen/", false, false, false, NoHayRuta}),
    testing::PrintToStringParamName());
#ifndef _WIN32
INSTANTIATE_TEST_SUITE_P(Posix, Entradas, testing::Values(
    Entrada{"EscrituraSoloDelGrupo", "grupo", true, false, true, ""},
    Entrada{"Enlace", "enlace", true, false, true, ""},
    Entrada{"EnlaceRoto", "roto", false, false, false, ""}),
    testing::PrintToStringParamName());
#endif
// clang-format on

// A copy to `Destino` and its description's start (nullptr: success); when
// `Origen` is no file, the description names the source.
using D = DiscoConFallos&;
struct CasoCopia {
    const char *Nombre, *Destino, *Frase;
    bool Reemplazar = true;
    void (*Averia)(D) = [](D) {};
    const char* Origen = "origen";
    friend void PrintTo(const CasoCopia& c, std::ostream* os) { *os << c.Nombre; }
};

class Copia : public ConEntradas, public testing::WithParamInterface<CasoCopia> {};

// The destination becomes a byte-identical copy with the source's permissions
// (in the snapshot); or the description names the path at fault, nothing changes.
TEST_P(Copia, EnteraONada) {
    const auto& c = GetParam();
    auto esperado = Arbol(t.Ruta());
    const std::string origen = t / c.Origen, destino = t / c.Destino;
    DiscoConFallos disco;
    c.Averia(disco);
    auto resultado = SistemaArchivos(disco).CopyFile(origen, destino, {c.Reemplazar, true});
    const auto culpa = fs::is_regular_file(origen) ? destino : origen;
    EXPECT_EQ(resultado.Descripcion, c.Frase ? c.Frase + (": " + culpa) : "");
    if (!c.Frase)
        esperado[c.Destino] = esperado[c.Origen];
    EXPECT_EQ(static_cast<bool>(resultado), !c.Frase);
    EXPECT_EQ(Arbol(t.Ruta()), esperado);
}

constexpr const char *Lleno = "No queda espacio en el disco",
                     *ErrorES = "Error de lectura o escritura en el disco";
// clang-format off
const CasoCopia kCopias[] = {
    {"Reemplaza", "origen2", nullptr},
    {"EscriturasCortas", "nueva", nullptr, false, [](D d) { d.Tramo = 1000; }},
    {.Nombre = "OrigenFaltante", .Destino = "nueva", .Frase = Falta, .Origen = "falta"},
    {.Nombre = "OrigenCarpeta", .Destino = "nueva", .Frase = EsCarpeta, .Origen = "carpeta"},
    {"CarpetaFaltante", "falta/nueva", NoHayRuta},
    {"DentroDeUnArchivo", "origen/nueva", NoHayRuta},
    {"DestinoCarpeta", "carpeta", EsCarpeta},
    {"DestinoCarpetaConSeparador", "carpeta/", EsCarpeta},
    {"DestinoSoloLectura", "protegido", "Permiso denegado"},
    {"MismoArchivo", "./origen", "El origen y el destino son el mismo archivo"},
    {"SinReemplazar", "protegido", "El archivo ya existe", false},
    // Disk faults, on an existing destination or a new one not replacing.
    {"DiscoLlenoAMitad", "origen2", Lleno, true, [](D d) { d.LimiteEscritura = 1'500'000; }},
    {"SincronizarFalla", "nueva", ErrorES, false, [](D d) { d.FallarSincronizar = true; }},
    {"RenombrarFalla", "origen2", ErrorES, true, [](D d) { d.FallarRenombrar = true; }},
    {"CopiaAlterada", "nueva", "La copia no coincide con el original", false,
     [](D d) { d.Alterar = true; }},
    // The half-made copy of a read-only source is read-only too, and still goes.
    {"CopiaAlteradaDeSoloLectura", "nueva", "La copia no coincide con el original", false,
     [](D d) { d.Alterar = true; }, "protegido"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, Copia, testing::ValuesIn(kCopias),
                         testing::PrintToStringParamName());

// The creation date is the file's birth, not its last change. A listed
// folder that has gone lists nothing.
TEST(Listado, FechaDeNacimientoYCarpetaQueSeFue) {
    CarpetaTemporal t;
    const auto creado = std::chrono::system_clock::now();
    EscribirArchivo(t / "a", "x");
    const auto escrito = fs::file_time_type::clock::now() - std::chrono::hours(240);
    fs::last_write_time(t / "a", escrito);
    auto carpeta = SistemaArchivos().GetFolder(t.Ruta());
    auto fecha = carpeta->Files().at(0).DateCreated();
#ifndef _WIN32 // Windows records every file's creation
    struct statx datos {};
    ASSERT_EQ(::statx(AT_FDCWD, (t / "a").c_str(), 0, STATX_BTIME, &datos), 0);
#endif
    fs::remove_all(t.Ruta());
    EXPECT_TRUE(carpeta->Files().empty());
#ifndef _WIN32
    if ((datos.stx_mask & STATX_BTIME) == 0)
        GTEST_SKIP() << "sin fecha de nacimiento";
#endif
    // Known Wine deviation: Wine gives a file's last write as its creation,
    // where Windows keeps the creation.
    const auto esperada = BajoWine() ? std::chrono::file_clock::to_sys(escrito) : creado;
    EXPECT_LT(std::chrono::abs(fecha - esperada), std::chrono::seconds(1));
}

// A copy's temporary file goes only when the process that wrote it has gone:
// not this process's own, nor a name that only looks like one.
TEST(Listado, TemporalesDeProcesosQueYaNoExisten) {
    CarpetaTemporal t;
    const std::string propio = NombreTemporal("", "tablas.orv", 1);
    for (const std::string nombre :
         {".tablas.orv.99999999-3.parcial", "tablas.orv.99999999-3.parcial"})
        EscribirArchivo(t / nombre, "x");
    EscribirArchivo(t / propio, "x");
    LimpiarTemporalesHuerfanos(AgregarDiagonal(t.Ruta()));
    EXPECT_EQ(Nombres(t.Ruta()),
              (std::vector<std::string>{propio, "tablas.orv.99999999-3.parcial"}));
}

} // namespace
} // namespace vesmadur
