#include "backup/Respaldo.h"

#include "ayudas/BaseDatos.h"
#include "backup/RespaldoEnReposo.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;
using Retenida = std::shared_ptr<void>;

TEST(NombreRespaldo, SinCarpetaNoHayNombre) {
    EXPECT_EQ(NombreRespaldo("", BaseRespaldo, ExtensionRespaldo, RelojFijo()), "");
}

// An installation in T with its backup name reserved at 14:25:07.
struct Instalacion {
    Instalacion() { ::chmod(RutaConfig.c_str(), 0604); }
    CarpetaTemporal T;
    RelojFijo Reloj{Momento(2019, 8, 3, 14, 25, 7)};
    std::string RutaConfig = EscribirArchivo(T / "config/tablas.orv", ContenidoBinario(1'200'000)),
                RutaRespaldo = NombreRespaldo(T.Ruta(), BaseRespaldo, ExtensionRespaldo, Reloj);
};

struct CasoRespaldo {
    const char* Nombre;
    void (*Preparar)(Instalacion&, DiscoConFallos&);
    const char* Sello = nullptr; // of the backup made; nullptr: refused
    friend void PrintTo(const CasoRespaldo& c, std::ostream* os) { *os << c.Nombre; }
};

class Respaldo : public testing::TestWithParam<CasoRespaldo> {};

// A byte-identical copy with the source's permissions (both in the snapshot)
// and nothing else changed; or false, and nothing changed at all.
TEST_P(Respaldo, CopiaIdenticaONada) {
    Instalacion i;
    DiscoConFallos disco;
    GetParam().Preparar(i, disco);
    auto esperado = Arbol(i.T.Ruta());
    const auto r =
        RespaldarConfiguracion(i.RutaConfig, i.T.Ruta() + "/", i.RutaRespaldo, i.Reloj, disco);
    EXPECT_EQ(static_cast<bool>(r), GetParam().Sello != nullptr) << r.Descripcion;
    if (GetParam().Sello) {
        const auto nombre = "config/tablas" + std::string(GetParam().Sello) + ".resp";
        EXPECT_EQ(i.RutaRespaldo, i.T / nombre);
        esperado[nombre] = esperado["config/tablas.orv"];
    }
    EXPECT_EQ(Arbol(i.T.Ruta()), esperado);
}

using I = Instalacion&;
using D = DiscoConFallos&;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Respaldo, testing::Values(
    CasoRespaldo{"NombreReservado", [](I, D) {}, "20190803-142507"},
    // Taken by a file since: renewed with the current time, second by second
    // past the names taken, carrying into every field of the 24-hour stamp.
    CasoRespaldo{"NombreTomadoSeRenueva", [](I i, D) {
        i.Reloj.Momento = Momento(2019, 12, 31, 23, 59, 58);
        for (auto sello : {"20190803-142507", "20191231-235958", "20191231-235959",
                           "20200101-000000"})
            EscribirArchivo(i.T / "config/tablas" + sello + ".resp", "otro respaldo"); },
        "20200101-000001"},
    CasoRespaldo{"SinConfiguracionAlArrancar", [](I i, D) { i.RutaRespaldo.clear(); }},
    CasoRespaldo{"SinRutaDeConfiguracion", [](I i, D) { i.RutaConfig.clear(); }},
    // Taken by anything else: never replaced, nor followed.
    CasoRespaldo{"NombreTomadoPorCarpeta", [](I i, D) { fs::create_directory(i.RutaRespaldo); }},
    CasoRespaldo{"NombreTomadoPorEnlaceRoto",
                 [](I i, D) { fs::create_symlink(i.T / "nada", i.RutaRespaldo); }},
    // The backup asks for the copy to be read back.
    CasoRespaldo{"CopiaAlterada", [](I, D d) { d.Alterar = true; }}),
    testing::PrintToStringParamName());
// clang-format on

// A generated database alone in a folder, its rows, and a backup name.
struct Base {
    CarpetaTemporal C;
    std::string Ruta = Generar(C, 300).RutaConfig, Respaldo = C / "r.resp";
    Numeros Filas = LeerNumeros(Ruta);
};

// What a crash leaves beside the database (and the rows then expected), or
// what keeps it from rest (held by the returned object) and the reason given.
struct CasoReposo {
    const char* Nombre;
    Retenida (*Preparar)(Base&);
    const char* Razon = nullptr;
    friend void PrintTo(const CasoReposo& c, std::ostream* os) { *os << c.Nombre; }
};

class Reposo : public testing::TestWithParam<CasoReposo> {};

// A crash's leftovers are recovered: the backup is the whole database and
// nothing is left beside it. Otherwise refused with the reason, nothing changed.
TEST_P(Reposo, RespaldoDeLaBaseRecuperadaORechazoConRazon) {
    Base b;
    const auto retenida = GetParam().Preparar(b);
    const auto antes = Arbol(b.C.Ruta());
    const auto r = RespaldarBaseEnReposo(b.Ruta, b.C.Ruta(), b.Respaldo, RelojFijo());
    if (GetParam().Razon) {
        EXPECT_NE(r.Descripcion.find(GetParam().Razon), std::string::npos) << r.Descripcion;
        EXPECT_FALSE(r);
        EXPECT_EQ(Arbol(b.C.Ruta()), antes);
        return;
    }
    ASSERT_EQ(antes.size(), 2u) << "el resto falta";
    ASSERT_TRUE(r) << r.Descripcion;
    EXPECT_EQ(Nombres(b.C.Ruta()), (std::vector<std::string>{"r.resp", "tablas.orv"}));
    EXPECT_EQ(LeerBytes(b.Respaldo), LeerBytes(b.Ruta));
    EXPECT_EQ(LeerNumeros(b.Respaldo), b.Filas);
}

using B = Base&;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Reposo, testing::Values(
    CasoReposo{"DiarioVacio",
               [](B b) { EscribirArchivo(b.Ruta + "-journal", ""); return Retenida(); }},
    // A maintainer's shell killed in the middle of a large change.
    CasoReposo{"DiarioPendienteDeUnShellMuerto", [](B b) {
        Listo(Shell(b.Ruta), "PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
             "UPDATE \"Numeros de lada\" SET telefono = 'roto';\nSELECT 'listo';\n")->Matar();
        return Retenida(); }},
    // The program killed after a statement: the change is only in its log.
    CasoReposo{"RegistroDeUnProgramaMuerto", [](B b) {
        b.Filas[2] = "x";
        Listo(Retener(b.Ruta, "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 2"))
            ->Matar();
        return Retenida(); }},
    CasoReposo{"Falta", [](B b) { fs::remove(b.Ruta); return Retenida(); }, " no es un archivo"},
    CasoReposo{"AbiertaAqui", [](B b) { return Retenida(AbrirComoPrograma(b.Ruta)); },
               "este programa tiene abierta"},
    // Only a reader's lock, in the middle of a read.
    CasoReposo{"LeidaPorElShell", [](B b) -> Retenida { return Listo(Shell(b.Ruta),
        "PRAGMA key='KVTR5316';\nBEGIN;\nSELECT 'listo' FROM LD1 LIMIT 1;\n"); },
               "otro proceso tiene abierta"},
    // A log that only the engine could fold in, beside a file it cannot open.
    CasoReposo{"RegistroJuntoAUnArchivoVacio", [](B b) {
        EscribirArchivo(b.Ruta, "");
        EscribirArchivo(b.Ruta + "-wal", "registro");
        return Retenida(); }, "el motor no pudo recuperar"}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
