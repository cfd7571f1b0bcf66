#include "ayudas/BaseDatos.h"
#include "backup/RespaldoEnReposo.h"

#include <csignal>
#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// A generated database alone in a folder, and the backup of the adjustment run.
struct Base {
    CarpetaTemporal C;
    std::string Ruta = Generar(C, 300).RutaConfig, Respaldo = C / "r.resp";
    ResultadoArchivo Respaldar() {
        return RespaldarBaseEnReposo(Ruta, C.Ruta(), Respaldo, RelojFijo());
    }
};

// A row: what it leaves beside the database, and the rows the database
// holds once that is rolled back or folded in.
struct CasoResto {
    const char* Nombre;
    Numeros (*Dejar)(Base&);
    friend void PrintTo(const CasoResto& c, std::ostream* os) { *os << c.Nombre; }
};

class Restos : public testing::TestWithParam<CasoResto> {};

// What a crash leaves never blocks the backup: the backup is the whole
// database as recovered, and nothing else is left beside it.
TEST_P(Restos, SeRecuperanYElRespaldoEsLaBaseEntera) {
    Base b;
    const auto esperado = GetParam().Dejar(b);
    ASSERT_EQ(Nombres(b.C.Ruta()).size(), 2u) << "el resto falta";
    const auto r = b.Respaldar();
    ASSERT_TRUE(r) << r.Descripcion;
    EXPECT_EQ(Nombres(b.C.Ruta()), (std::vector<std::string>{"r.resp", "tablas.orv"}));
    EXPECT_EQ(LeerBytes(b.Respaldo), LeerBytes(b.Ruta));
    EXPECT_EQ(LeerNumeros(b.Respaldo), esperado);
    EXPECT_EQ(EjecutarShell(b.Ruta, "PRAGMA integrity_check;\nPRAGMA journal_mode;\n"),
              "ok\ndelete\n");
}

Numeros Diario(Base& b, const std::string& contenido) {
    EscribirArchivo(b.Ruta + "-journal", contenido);
    return LeerNumeros(b.Ruta);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Restos, testing::Values(
    CasoResto{"DiarioVacio", [](Base& b) { return Diario(b, ""); }},
    CasoResto{"DiarioConCabeceraEnCeros",
              [](Base& b) { return Diario(b, std::string(1544, '\0')); }},
    // A maintainer's shell killed in the middle of a large change.
    CasoResto{"DiarioPendienteDeUnShellMuerto", [](Base& b) {
        const auto antes = LeerNumeros(b.Ruta);
        Proceso shell(Shell(b.Ruta));
        shell.Escribir("PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
                       "UPDATE \"Numeros de lada\" SET telefono = 'roto';\nSELECT 'escrito';\n");
        EXPECT_EQ(shell.Linea(), "escrito");
        shell.Matar();
        return antes;
    }},
    // The program killed after a statement: the change is only in its log.
    CasoResto{"RegistroDeUnProgramaMuerto", [](Base& b) {
        auto despues = LeerNumeros(b.Ruta);
        despues[2] = "x";
        Proceso otro(Ayudante(b.Ruta,
                              "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 2"));
        EXPECT_EQ(otro.Linea(), "listo");
        otro.Matar();
        return despues;
    }}), testing::PrintToStringParamName());
// clang-format on

// A row: what keeps the database from rest, held by the returned object
// for the test, and the reason the refusal gives.
struct CasoOcupada {
    const char* Nombre;
    std::shared_ptr<void> (*Ocupar)(Base&);
    const char* Razon;
    friend void PrintTo(const CasoOcupada& c, std::ostream* os) { *os << c.Nombre; }
};

class Ocupada : public testing::TestWithParam<CasoOcupada> {};

// Refused with its reason; nothing in the folder changes, no backup is made.
TEST_P(Ocupada, NoSeRespaldaYDicePorQue) {
    Base b;
    const auto retenida = GetParam().Ocupar(b);
    const auto antes = Arbol(b.C.Ruta());
    const auto r = b.Respaldar();
    EXPECT_FALSE(r);
    EXPECT_NE(r.Descripcion.find(GetParam().Razon), std::string::npos) << r.Descripcion;
    EXPECT_EQ(Arbol(b.C.Ruta()), antes);
}

// Another program holding the database once it says "listo".
std::shared_ptr<void> Otro(const std::vector<std::string>& programa,
                           const std::string& guion = "") {
    auto otro = std::make_shared<Proceso>(programa);
    otro->Escribir(guion);
    EXPECT_EQ(otro->Linea(), "listo");
    return otro;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Ocupada, testing::Values(
    CasoOcupada{"Falta", [](Base& b) { fs::remove(b.Ruta); return std::shared_ptr<void>(); },
                " no es un archivo"},
    CasoOcupada{"AbiertaAqui", [](Base& b) {
        return std::shared_ptr<void>(AbrirComoPrograma(b.Ruta)); }, "este programa tiene abierta"},
    CasoOcupada{"AbiertaPorOtroPrograma", [](Base& b) { return Otro(Ayudante(b.Ruta)); },
                "otro proceso tiene abierta"},
    // Only a reader's lock, in the middle of a read.
    CasoOcupada{"LeidaPorElShell", [](Base& b) {
        return Otro(Shell(b.Ruta),
                    "PRAGMA key='KVTR5316';\nBEGIN;\nSELECT 'listo' FROM LD1 LIMIT 1;\n"); },
                "otro proceso tiene abierta"},
    CasoOcupada{"CarpetaEnLugarDelDiario", [](Base& b) {
        fs::create_directory(b.Ruta + "-journal"); return std::shared_ptr<void>(); },
                "junto a la base hay algo que no es un archivo"},
    // A log that only the engine could fold in, beside a file it cannot open.
    CasoOcupada{"RegistroJuntoAUnArchivoVacio", [](Base& b) {
        EscribirArchivo(b.Ruta, "");
        EscribirArchivo(b.Ruta + "-wal", "registro");
        return std::shared_ptr<void>(); }, "el motor no pudo recuperar"}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
