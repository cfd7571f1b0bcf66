#include "backup/Respaldo.h"

#include "ayudas/BaseDatos.h"
#include "backup/RespaldoEnReposo.h"
#include "backup/Restauracion.h"

#include <gtest/gtest.h>
#include <random>
#include <thread>

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
    RelojFijo Reloj;
    std::string Ruta = T / "config/tablas.orv",
                Respaldo = NombreRespaldo(T.Ruta(), BaseRespaldo, ExtensionRespaldo, Reloj);
    Numeros Filas;
    std::shared_ptr<void> Retenida;
    std::optional<DiscoConFallos> Disco; // then the verified copy alone, on this disk
};

// A maintainer's shell killed in the middle of a large change: its journal stays.
void ShellMuerto(const std::string& ruta) {
    Listo(Shell(ruta), "PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
                       "UPDATE \"Numeros de lada\" SET telefono = 'roto';\nSELECT 'listo';\n")
        ->Matar();
    EXPECT_TRUE(fs::exists(ruta + "-journal"));
}
// The program killed after a statement: the change is only in its log.
void ProgramaMuerto(const std::string& ruta) {
    Listo(Retener(ruta, "UPDATE [Numeros de lada] SET telefono='x' WHERE lnId = 2"))->Matar();
    EXPECT_TRUE(fs::exists(ruta + "-wal"));
}

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
    // What a crash leaves beside the database (zeroed: killed while switching journals).
    {"DiarioVacio", [](I i) { EscribirArchivo(i.Ruta + "-journal", ""); }, kReservado},
    {"DiarioEnCeros", [](I i) { EscribirArchivo(i.Ruta + "-journal", std::string(1544, 0)); },
     kReservado},
    {"DiarioPendienteDeUnShellMuerto", [](I i) { ShellMuerto(i.Ruta); }, kReservado},
    {"RegistroDeUnProgramaMuerto", [](I i) { i.Filas[2] = "x", ProgramaMuerto(i.Ruta); },
     kReservado},
    // What keeps the database from rest.
    {"Falta", [](I i) { fs::remove(i.Ruta); }, " no es un archivo"},
    {"AbiertaAqui", [](I i) { i.Retenida = AbrirComoPrograma(i.Ruta); }, "este programa tiene"},
    {"CarpetaEnLugarDelDiario", [](I i) { fs::create_directory(i.Ruta + "-journal"); },
     "algo que no es un archivo"},
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

// The installation with a backup of another database at the reserved name,
// the bytes of both and the disk the restore uses.
struct ConRespaldo : Instalacion {
    ConRespaldo() {
        GenerarBaseConfiguracion(Respaldo, {.Entradas = 200, .Semilla = 2});
        Antes = LeerBytes(Ruta), Copia = LeerBytes(Respaldo);
    }
    ResultadoRestauracion Restaurar() { return ReemplazarConfiguracion(Respaldo, Ruta, Falible); }
    std::string Antes, Copia;
    DiscoConFallos Falible;
};

using P = ResultadoRestauracion::Paso;
struct CasoRestauracion {
    const char* Nombre;
    void (*Preparar)(ConRespaldo&);
    P Paso;
    const char* Frase = "";
    friend void PrintTo(const CasoRestauracion& c, std::ostream* os) { *os << c.Nombre; }
};

class Restaurar : public testing::TestWithParam<CasoRestauracion> {};

// The configuration becomes the backup, bytes and rows, and what the old
// one's sessions left beside it goes; or the step at fault says why, and
// nothing changed. The backup stays; no temporary copy does.
TEST_P(Restaurar, ElRespaldoEnteroONada) {
    ConRespaldo i;
    GetParam().Preparar(i);
    auto esperado = Arbol(i.T.Ruta());
    const auto r = i.Restaurar();
    EXPECT_EQ(r.Fallo, GetParam().Paso);
    EXPECT_NE(r.Descripcion.find(GetParam().Frase), std::string::npos) << r.Descripcion;
    if (r) {
        std::erase_if(esperado, [](auto& e) { return e.first.starts_with("config/tablas.orv-"); });
        esperado["config/tablas.orv"] = esperado.at(fs::relative(i.Respaldo, i.T.Ruta()));
        EXPECT_EQ(LeerNumeros(i.Ruta), LeerNumeros(i.Respaldo));
    }
    EXPECT_EQ(Arbol(i.T.Ruta()), esperado);
}

using R = ConRespaldo&;
// clang-format off
const CasoRestauracion kRestauraciones[] = {
    {"Respaldo", [](R) {}, P::Ninguno},
    {"SinConfiguracion", [](R i) { fs::remove(i.Ruta); }, P::Ninguno},
    // Left beside the old file, they would be applied to the new one.
    {"RegistroDeUnProgramaMuerto", [](R i) {
        ProgramaMuerto(i.Ruta), EscribirArchivo(i.Ruta + "-shm", "indice"); }, P::Ninguno},
    {"DiarioDeUnShellMuerto", [](R i) { ShellMuerto(i.Ruta); }, P::Ninguno},
    // A configuration that cannot be replaced.
    {"UsadaPorOtroProceso", [](R i) { i.Retenida = Listo(Retener(i.Ruta)); }, P::Eliminar, "en uso"},
    {"AbiertaAqui", [](R i) { i.Retenida = AbrirComoPrograma(i.Ruta); }, P::Eliminar, "en uso"},
    {"SoloLectura", [](R i) { fs::permissions(i.Ruta, fs::perms(0444)); }, P::Eliminar, "Permiso"},
    {"Carpeta", [](R i) { fs::remove(i.Ruta), fs::create_directory(i.Ruta); }, P::Eliminar,
     "La ruta es una carpeta"},
    {"RenombrarFalla", [](R i) { i.Falible.FallarRenombrar = true; }, P::Eliminar, "Error de lectura"},
    // A backup that is not a configuration database.
    {"RespaldoQueSeFue", [](R i) { fs::remove(i.Respaldo); }, P::Copiar, "No se ha encontrado"},
    {"Truncado", [](R i) { fs::resize_file(i.Respaldo, i.Copia.size() / 2); }, P::Copiar,
     "no abre como base de configuracion con su clave"},
    {"SinTablaDeNumeros", [](R i) { EjecutarShell(i.Respaldo, "DROP TABLE \"Numeros de lada\";\n"); },
     P::Copiar, "no tiene la tabla Numeros de lada"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Casos, Restaurar, testing::ValuesIn(kRestauraciones),
                         testing::PrintToStringParamName());

// Before a backup and a restore, only a dead process's copy goes: a file named exactly as the
// temporary copies are (99999999 is never a process; 1 always is), never a link.
TEST(Restos, SoloLasCopiasDeProcesosMuertos) {
    ConRespaldo i;
    const std::pair<std::string, bool> restos[] = {
        {".tablas.orv.99999999-3.parcial", false}, {".tablas.orv.1-0.parcial", true},
        {"tablas.orv.99999999-3.parcial", true},   {".tablas.orv.99999999.parcial", true},
        {".tablas.orv.099999999-3.parcial", true}, {".tablas.orv.99999999-3.parcial.resp", true}};
    const std::string enlace = i.T / "config/.tablas.orv.99999998-3.parcial";
    fs::create_symlink(i.Ruta, enlace);
    for (bool restaurar : {false, true}) {
        for (const auto& [nombre, queda] : restos)
            EscribirArchivo(i.T / "config/" + nombre, "x");
        std::string copia = i.T / "config/copia.resp";
        EXPECT_TRUE(restaurar
                        ? i.Restaurar().Fallo == P::Ninguno
                        : RespaldarConfiguracion(i.Ruta, i.T.Ruta(), copia, i.Reloj).Correcto);
        for (const auto& [nombre, queda] : restos)
            EXPECT_EQ(fs::exists(i.T / "config/" + nombre), queda) << nombre << restaurar;
        EXPECT_TRUE(fs::is_symlink(enlace));
    }
}

// Killed at any moment, a restore leaves the old configuration or the
// backup, whole; the next one removes the copies the killed ones left.
TEST(RestauracionMatada, LaAnteriorOElRespaldo) {
    ConRespaldo i;
    const auto restaurar = [&i] { return i.Restaurar() ? 0 : 1; };
    const auto inicio = std::chrono::steady_clock::now();
    for (int vez = 0; vez < 3; ++vez)
        ASSERT_EQ(Proceso(restaurar).Esperar(), 0);
    const auto duracion = (std::chrono::steady_clock::now() - inicio) / 3; // of one whole restore
    std::mt19937 azar(2019);
    for (int prueba = 0; prueba < 50; ++prueba) {
        EscribirArchivo(i.Ruta, i.Antes);
        Proceso hijo(restaurar);
        std::this_thread::sleep_for(duracion * std::uniform_real_distribution(0.0, 1.5)(azar));
        hijo.Matar();
        const auto vivo = LeerBytes(i.Ruta);
        EXPECT_TRUE(vivo == i.Antes || vivo == i.Copia) << prueba;
    }
    ASSERT_TRUE(i.Restaurar());
    EXPECT_EQ(Nombres(i.T / "config"),
              (std::vector<std::string>{"tablas.orv", "tablas20190803-142507.resp"}));
}

} // namespace
} // namespace vesmadur
