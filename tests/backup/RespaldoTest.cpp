#include "backup/Respaldo.h"

#include "ayudas/BaseDatos.h"
#include "backup/RespaldoEnReposo.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;
using Retenida = std::shared_ptr<void>;

// Names taken at d, d + 1 s and d + 2 s give d + 3 s, the seconds carrying
// into every field; one separator before the base; no name without a folder.
TEST(NombreRespaldo, SaltaSegundoASegundoLosNombresOcupados) {
    CarpetaTemporal t;
    RelojFijo reloj(Momento(2019, 12, 31, 23, 59, 58));
    auto nombre = [&](const std::string& carpeta) {
        return NombreRespaldo(carpeta, BaseRespaldo, ExtensionRespaldo, reloj);
    };
    EXPECT_EQ(nombre(""), "");
    EXPECT_EQ(nombre(t.Ruta() + "/"), t / "config/tablas20191231-235958.resp");
    for (auto sello : {"20191231-235958", "20191231-235959", "20200101-000000"})
        EscribirArchivo(t / "config/tablas" + sello + ".resp", "x");
    EXPECT_EQ(nombre(t.Ruta()), t / "config/tablas20200101-000001.resp");
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
        const auto nombre = "config/tablas20190803-" + std::string(GetParam().Sello) + ".resp";
        EXPECT_EQ(i.RutaRespaldo, i.T / nombre);
        esperado[nombre] = esperado["config/tablas.orv"];
    }
    EXPECT_EQ(Arbol(i.T.Ruta()), esperado);
}

using I = Instalacion&;
using D = DiscoConFallos&;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Respaldo, testing::Values(
    CasoRespaldo{"NombreReservado", [](I, D) {}, "142507"},
    // Taken by a file since it was reserved: renewed with the current time.
    CasoRespaldo{"NombreTomadoPorArchivo", [](I i, D) {
        EscribirArchivo(i.RutaRespaldo, "otro respaldo");
        i.Reloj.Momento = Momento(2019, 8, 3, 15, 0, 0); }, "150000"},
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

// What a crash leaves beside the database (the rows it holds then set), or
// what keeps it from rest (held by the returned object) and the refusal's reason.
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
        EXPECT_FALSE(r);
        EXPECT_NE(r.Descripcion.find(GetParam().Razon), std::string::npos) << r.Descripcion;
        EXPECT_EQ(Arbol(b.C.Ruta()), antes);
        return;
    }
    ASSERT_EQ(antes.size(), 2u) << "el resto falta";
    ASSERT_TRUE(r) << r.Descripcion;
    EXPECT_EQ(Nombres(b.C.Ruta()), (std::vector<std::string>{"r.resp", "tablas.orv"}));
    EXPECT_EQ(LeerBytes(b.Respaldo), LeerBytes(b.Ruta));
    EXPECT_EQ(LeerNumeros(b.Respaldo), b.Filas);
}

// Another process holding the database once it says "listo".
template <class P> std::shared_ptr<Proceso> Otro(const P& programa, const std::string& guion = "") {
    auto otro = std::make_shared<Proceso>(programa);
    otro->Escribir(guion);
    EXPECT_EQ(otro->Linea(), "listo");
    return otro;
}

using B = Base&;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, Reposo, testing::Values(
    CasoReposo{"DiarioVacio", [](B b) { EscribirArchivo(b.Ruta + "-journal", ""); return Retenida(); }},
    CasoReposo{"DiarioConCabeceraEnCeros", [](B b) {
        EscribirArchivo(b.Ruta + "-journal", std::string(1544, '\0')); return Retenida(); }},
    // A maintainer's shell killed in the middle of a large change.
    CasoReposo{"DiarioPendienteDeUnShellMuerto", [](B b) {
        Otro(Shell(b.Ruta), "PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
             "UPDATE \"Numeros de lada\" SET telefono = 'roto';\nSELECT 'listo';\n")->Matar();
        return Retenida(); }},
    // The program killed after a statement: the change is only in its log.
    CasoReposo{"RegistroDeUnProgramaMuerto", [](B b) {
        Otro(Retener(b.Ruta, "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 2"))->Matar();
        b.Filas[2] = "x";
        return Retenida(); }},
    CasoReposo{"Falta", [](B b) { fs::remove(b.Ruta); return Retenida(); }, " no es un archivo"},
    CasoReposo{"AbiertaAqui", [](B b) { return Retenida(AbrirComoPrograma(b.Ruta)); },
               "este programa tiene abierta"},
    CasoReposo{"AbiertaPorOtroPrograma", [](B b) -> Retenida { return Otro(Retener(b.Ruta)); },
               "otro proceso tiene abierta"},
    // Only a reader's lock, in the middle of a read.
    CasoReposo{"LeidaPorElShell", [](B b) -> Retenida { return Otro(Shell(b.Ruta),
        "PRAGMA key='KVTR5316';\nBEGIN;\nSELECT 'listo' FROM LD1 LIMIT 1;\n"); },
               "otro proceso tiene abierta"},
    CasoReposo{"CarpetaEnLugarDelDiario", [](B b) {
        fs::create_directory(b.Ruta + "-journal"); return Retenida(); },
               "junto a la base hay algo que no es un archivo"},
    // A log that only the engine could fold in, beside a file it cannot open.
    CasoReposo{"RegistroJuntoAUnArchivoVacio", [](B b) {
        EscribirArchivo(b.Ruta, "");
        EscribirArchivo(b.Ruta + "-wal", "registro");
        return Retenida(); }, "el motor no pudo recuperar"}),
    testing::PrintToStringParamName());
// clang-format on

} // namespace
} // namespace vesmadur
