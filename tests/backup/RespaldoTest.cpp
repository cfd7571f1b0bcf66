#include "backup/Respaldo.h"

#include "ayudas/BaseDatos.h"
#include "backup/RespaldoEnReposo.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// An installation in T: its generated database (mode 0604) and rows, its
// backup name reserved at 14:25:07, and what a row holds or the disk it uses.
struct Instalacion {
    Instalacion() {
        fs::create_directory(T / "config");
        GenerarBaseConfiguracion(Ruta, {.Entradas = 300});
        fs::permissions(Ruta, fs::perms(0604));
        Filas = LeerNumeros(Ruta);
    }
    CarpetaTemporal T;
    RelojFijo Reloj{Momento(2019, 8, 3, 14, 25, 7)};
    std::string Ruta = T / "config/tablas.orv",
                Respaldo = NombreRespaldo(T.Ruta(), BaseRespaldo, ExtensionRespaldo, Reloj);
    Numeros Filas;
    std::shared_ptr<void> Retenida;
    std::optional<DiscoConFallos> Disco; // then the verified copy alone, on this disk
};

// What a row prepares, and the stamp of the backup or the refusal's reason.
struct CasoRespaldo {
    const char* Nombre;
    void (*Preparar)(Instalacion&);
    const char* Resultado;
    friend void PrintTo(const CasoRespaldo& c, std::ostream* os) { *os << c.Nombre; }
};

class Respaldo : public testing::TestWithParam<CasoRespaldo> {};

// A copy identical (bytes, mode, rows) to the database as recovered from a crash's
// leftovers, which are gone, nothing else changed; or the refusal's reason, nothing changed.
TEST_P(Respaldo, CopiaDeLaBaseEnteraONada) {
    Instalacion i;
    GetParam().Preparar(i);
    auto esperado = Arbol(i.T.Ruta());
    const std::string dir = i.T.Ruta() + "/", resultado = GetParam().Resultado;
    const auto r = i.Disco ? RespaldarConfiguracion(i.Ruta, dir, i.Respaldo, i.Reloj, *i.Disco)
                           : RespaldarBaseEnReposo(i.Ruta, dir, i.Respaldo, i.Reloj);
    const auto despues = Arbol(i.T.Ruta());
    if (!r) {
        EXPECT_NE(r.Descripcion.find(resultado), std::string::npos) << r.Descripcion;
        EXPECT_EQ(despues, esperado);
        return;
    }
    const auto nombre = "config/tablas" + resultado + ".resp";
    EXPECT_EQ(i.Respaldo, i.T / nombre);
    if (esperado.erase("config/tablas.orv-journal") + esperado.erase("config/tablas.orv-wal"))
        esperado["config/tablas.orv"] = despues.at("config/tablas.orv");
    esperado[nombre] = esperado["config/tablas.orv"];
    EXPECT_EQ(despues, esperado);
    EXPECT_EQ(LeerNumeros(i.Respaldo), i.Filas);
}

using I = Instalacion&;
constexpr const char* kReservado = "20190803-142507";
// clang-format off
const CasoRespaldo kCasos[] = {
    {"NombreReservado", [](I) {}, kReservado},
    // Taken by a file since: renewed with the current time, second by second
    // past the names taken, carrying into every field of the 24-hour stamp.
    {"NombreTomadoSeRenueva", [](I i) {
        i.Reloj.Momento = Momento(2019, 12, 31, 23, 59, 58);
        for (auto sello : {kReservado, "20191231-235958", "20191231-235959", "20200101-000000"})
            EscribirArchivo(i.T / "config/tablas" + sello + ".resp", "otro respaldo"); },
     "20200101-000001"},
    {"SinConfiguracionAlArrancar", [](I i) {
        i.Respaldo = NombreRespaldo("", "", "", i.Reloj); }, "no hay nombre"},
    // Taken by anything else: never replaced, nor followed.
    {"NombreTomadoPorCarpeta", [](I i) { fs::create_directory(i.Respaldo); }, "es una carpeta"},
    {"NombreTomadoPorEnlaceRoto", [](I i) { fs::create_symlink("nada", i.Respaldo); }, "ya existe"},
    // The backup asks for the copy to be read back.
    {"CopiaAlterada", [](I i) { i.Disco.emplace().Alterar = true; }, "no coincide"},
    // What a crash leaves beside the database.
    {"DiarioVacio", [](I i) { EscribirArchivo(i.Ruta + "-journal", ""); }, kReservado},
    // A maintainer's shell killed in the middle of a large change.
    {"DiarioPendienteDeUnShellMuerto", [](I i) {
        Listo(Shell(i.Ruta), "PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
              "UPDATE \"Numeros de lada\" SET telefono = 'roto';\nSELECT 'listo';\n")->Matar();
        EXPECT_TRUE(fs::exists(i.Ruta + "-journal")); }, kReservado},
    // The program killed after a statement: the change is only in its log.
    {"RegistroDeUnProgramaMuerto", [](I i) {
        i.Filas[2] = "x";
        Listo(Retener(i.Ruta, "UPDATE [Numeros de lada] SET telefono='x' WHERE lnId = 2"))->Matar();
        EXPECT_TRUE(fs::exists(i.Ruta + "-wal")); }, kReservado},
    // What keeps the database from rest.
    {"Falta", [](I i) { fs::remove(i.Ruta); }, " no es un archivo"},
    {"AbiertaAqui", [](I i) { i.Retenida = AbrirComoPrograma(i.Ruta); }, "este programa tiene"},
    // Only a reader's lock, in the middle of a read.
    {"LeidaPorElShell", [](I i) { i.Retenida = Listo(Shell(i.Ruta),
        "PRAGMA key='KVTR5316';\nBEGIN;\nSELECT 'listo' FROM LD1 LIMIT 1;\n"); },
     "otro proceso tiene abierta"},
    // A log that only the engine could fold in, beside a file it cannot open.
    {"RegistroJuntoAUnArchivoVacio", [](I i) {
        EscribirArchivo(i.Ruta, ""), EscribirArchivo(i.Ruta + "-wal", "registro"); },
     "el motor no pudo recuperar"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, Respaldo, testing::ValuesIn(kCasos),
                         testing::PrintToStringParamName());

} // namespace
} // namespace vesmadur
