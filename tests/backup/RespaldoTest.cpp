#include "backup/Respaldo.h"

#include "../detect/CarpetaTemporal.h"
#include "../detect/DiscoConFallos.h"
#include "RelojFijo.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace vesmadur {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::Momento;
using prueba::RelojFijo;

// ------------------------------------------------------------------- stamp

struct CasoSello {
    std::chrono::local_seconds Instante;
    const char* Sello;
};

class Sello : public testing::TestWithParam<CasoSello> {};

TEST_P(Sello, QuinceCaracteresConRellenoYRelojDe24Horas) {
    EXPECT_EQ(SelloTiempo(GetParam().Instante), GetParam().Sello);
}

INSTANTIATE_TEST_SUITE_P(
    Fechas, Sello,
    testing::Values(CasoSello{Momento(2019, 8, 3, 14, 25, 7), "20190803-142507"},
                    CasoSello{Momento(2019, 1, 2, 3, 4, 5), "20190102-030405"},
                    CasoSello{Momento(2019, 12, 31, 23, 59, 59), "20191231-235959"},
                    CasoSello{Momento(2020, 2, 29, 0, 0, 0), "20200229-000000"},
                    CasoSello{Momento(2026, 10, 10, 12, 0, 0), "20261010-120000"}));

TEST(Sello, ElRelojDelSistemaDaLaHoraLocal) {
    std::time_t ahora = std::time(nullptr);
    std::tm local{};
    localtime_r(&ahora, &local);
    char esperado[32];
    std::strftime(esperado, sizeof esperado, "%Y%m%d-%H%M%S", &local);
    std::string sello = SelloTiempo(RelojSistema().Ahora());
    // The second may turn between the two readings; the minute almost never.
    EXPECT_EQ(sello.substr(0, 13), std::string(esperado).substr(0, 13));
}

// -------------------------------------------------------------------- name

struct CasoCarpeta {
    const char* Nombre;
    std::string (*Carpeta)(const CarpetaTemporal&);
};

class CarpetaDelNombre : public testing::TestWithParam<CasoCarpeta> {};

TEST_P(CarpetaDelNombre, UnSoloSeparadorAntesDeLaBase) {
    CarpetaTemporal t;
    RelojFijo reloj(Momento(2019, 8, 3, 14, 25, 7));
    EXPECT_EQ(NombreRespaldo(GetParam().Carpeta(t), BaseRespaldo, ExtensionRespaldo, reloj),
              t.Ruta() + "/config/tablas20190803-142507.resp");
}

INSTANTIATE_TEST_SUITE_P(
    Separador, CarpetaDelNombre,
    testing::Values(CasoCarpeta{"SinSeparadorFinal",
                                [](const CarpetaTemporal& tmp) { return tmp.Ruta(); }},
                    CasoCarpeta{"ConSeparadorFinal",
                                [](const CarpetaTemporal& tmp) { return tmp.Ruta() + "/"; }}),
    [](const testing::TestParamInfo<CasoCarpeta>& fila) { return fila.param.Nombre; });

TEST(NombreRespaldo, CarpetaVaciaDaTextoVacioYRaizDaUnSoloSeparador) {
    RelojFijo reloj(Momento(2019, 8, 3, 14, 25, 7));
    EXPECT_EQ(NombreRespaldo("", BaseRespaldo, ExtensionRespaldo, reloj), "");
    EXPECT_EQ(NombreRespaldo("/", "tablas", ".resp", reloj), "/tablas20190803-142507.resp");
}

TEST(NombreRespaldo, SaltaSegundoASegundoLosNombresOcupados) {
    CarpetaTemporal t;
    RelojFijo reloj(Momento(2019, 8, 3, 14, 25, 7));
    for (const char* sello : {"20190803-142507", "20190803-142508", "20190803-142509"})
        EscribirArchivo(t / (std::string("config/tablas") + sello + ".resp"), "x");
    EscribirArchivo(t / "config/tablas20190803-142511.resp", "x"); // past the gap: irrelevant

    EXPECT_EQ(NombreRespaldo(t.Ruta(), BaseRespaldo, ExtensionRespaldo, reloj),
              t / "config/tablas20190803-142510.resp");
}

TEST(NombreRespaldo, ElSegundoSiguienteCruzaDiaMesYAnio) {
    CarpetaTemporal t;
    RelojFijo reloj(Momento(2019, 12, 31, 23, 59, 59));
    EscribirArchivo(t / "config/tablas20191231-235959.resp", "x");
    EXPECT_EQ(NombreRespaldo(t.Ruta(), BaseRespaldo, ExtensionRespaldo, reloj),
              t / "config/tablas20200101-000000.resp");
}

// ------------------------------------------------------------------ backup

bool EsNombreDeRespaldo(const std::string& nombre) {
    static const std::regex patron("tablas[0-9]{8}-[0-9]{6}\\.resp");
    return std::regex_match(nombre, patron);
}

// Every entry anywhere below `carpeta`, as paths relative to it.
std::set<std::string> Arbol(const std::string& carpeta) {
    std::set<std::string> rutas;
    for (const auto& e : std::filesystem::recursive_directory_iterator(carpeta))
        rutas.insert(std::filesystem::relative(e.path(), carpeta).string());
    return rutas;
}

// An installation in T: T/config/tablas.orv, with its backup name reserved
// at 2019-08-03 14:25:07.
struct Instalacion {
    CarpetaTemporal T;
    std::string Datos = prueba::ContenidoBinario(1'200'000);
    RelojFijo Reloj{Momento(2019, 8, 3, 14, 25, 7)};
    DatosInstalacion Registro;

    Instalacion() {
        EscribirArchivo(T / "config/tablas.orv", Datos);
        ::chmod((T / "config/tablas.orv").c_str(), 0604);
        Registro.Edicion = 1;
        Registro.DirInstalacion = T.Ruta() + "/";
        Registro.RutaConfig = T / "config/tablas.orv";
        Registro.RutaRespaldo =
            NombreRespaldo(Registro.DirInstalacion, BaseRespaldo, ExtensionRespaldo, Reloj);
    }
};

TEST(Respaldo, CopiaIdenticaConLosMismosPermisosYElOrigenIntacto) {
    Instalacion i;
    ASSERT_EQ(i.Registro.RutaRespaldo, i.T / "config/tablas20190803-142507.resp");

    ASSERT_TRUE(RespaldarConfiguracion(i.Registro, i.Reloj));

    EXPECT_EQ(i.Registro.RutaRespaldo, i.T / "config/tablas20190803-142507.resp");
    EXPECT_EQ(LeerArchivo(i.Registro.RutaRespaldo), i.Datos);
    EXPECT_EQ(prueba::Permisos(i.Registro.RutaRespaldo), 0604u);
    EXPECT_EQ(LeerArchivo(i.Registro.RutaConfig), i.Datos);
    EXPECT_EQ(prueba::Permisos(i.Registro.RutaConfig), 0604u);
    EXPECT_EQ(Arbol(i.T.Ruta()), (std::set<std::string>{"config", "config/tablas.orv",
                                                        "config/tablas20190803-142507.resp"}));
}

TEST(Respaldo, UnNombreReservadoYaOcupadoSeRenuevaConLaHoraActual) {
    Instalacion i;
    EscribirArchivo(i.Registro.RutaRespaldo, "respaldo anterior");
    i.Reloj.Momento = Momento(2019, 8, 3, 15, 0, 0);
    EscribirArchivo(i.T / "config/tablas20190803-150000.resp", "otro respaldo");

    ASSERT_TRUE(RespaldarConfiguracion(i.Registro, i.Reloj));

    EXPECT_EQ(i.Registro.RutaRespaldo, i.T / "config/tablas20190803-150001.resp");
    EXPECT_EQ(LeerArchivo(i.Registro.RutaRespaldo), i.Datos);
    EXPECT_EQ(LeerArchivo(i.T / "config/tablas20190803-142507.resp"), "respaldo anterior");
    EXPECT_EQ(LeerArchivo(i.T / "config/tablas20190803-150000.resp"), "otro respaldo");
}

TEST(Respaldo, DosRespaldosEnElMismoSegundoNoSePisan) {
    Instalacion i;
    ASSERT_TRUE(RespaldarConfiguracion(i.Registro, i.Reloj));
    std::string primero = i.Registro.RutaRespaldo;
    ASSERT_TRUE(RespaldarConfiguracion(i.Registro, i.Reloj));
    EXPECT_EQ(i.Registro.RutaRespaldo, i.T / "config/tablas20190803-142508.resp");
    EXPECT_EQ(LeerArchivo(primero), i.Datos);
    EXPECT_EQ(LeerArchivo(i.Registro.RutaRespaldo), i.Datos);
}

// A backup that cannot be made: false, the source unchanged, and nothing
// that the backup listing would take for a backup (nor any temporary file).
struct CasoRespaldoFallido {
    const char* Nombre;
    std::function<void(Instalacion&, prueba::DiscoConFallos&)> Preparar;
};

class RespaldoFallido : public testing::TestWithParam<CasoRespaldoFallido> {};

TEST_P(RespaldoFallido, DevuelveFalsoSinDejarUnRespaldoParcial) {
    Instalacion i;
    prueba::DiscoConFallos disco;
    GetParam().Preparar(i, disco);
    auto antes = Arbol(i.T.Ruta());

    EXPECT_FALSE(RespaldarConfiguracion(i.Registro, i.Reloj, disco));

    EXPECT_EQ(Arbol(i.T.Ruta()), antes);
    for (const auto& ruta : Arbol(i.T.Ruta())) {
        auto nombre = std::filesystem::path(ruta).filename().string();
        EXPECT_FALSE(EsNombreDeRespaldo(nombre) && std::filesystem::is_regular_file(i.T / ruta))
            << ruta;
    }
    if (std::filesystem::exists(i.T / "config/tablas.orv")) {
        EXPECT_EQ(LeerArchivo(i.T / "config/tablas.orv"), i.Datos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Casos, RespaldoFallido,
    testing::Values(
        CasoRespaldoFallido{"OrigenAusente",
                            [](Instalacion& i, prueba::DiscoConFallos&) {
                                std::filesystem::remove(i.Registro.RutaConfig);
                            }},
        CasoRespaldoFallido{
            "SinConfiguracionAlArrancar",
            [](Instalacion& i, prueba::DiscoConFallos&) { i.Registro.RutaRespaldo.clear(); }},
        CasoRespaldoFallido{
            "RutaDeConfiguracionVacia",
            [](Instalacion& i, prueba::DiscoConFallos&) { i.Registro.RutaConfig.clear(); }},
        CasoRespaldoFallido{"CarpetaDelRespaldoAusente",
                            [](Instalacion& i, prueba::DiscoConFallos&) {
                                i.Registro.RutaRespaldo =
                                    i.T / "no-existe/tablas20190803-142507.resp";
                            }},
        CasoRespaldoFallido{"CarpetaDelRespaldoEsUnArchivo",
                            [](Instalacion& i, prueba::DiscoConFallos&) {
                                EscribirArchivo(i.T / "archivo", "x");
                                i.Registro.RutaRespaldo =
                                    i.T / "archivo/tablas20190803-142507.resp";
                            }},
        // Something took the reserved name after it was reserved: it is never
        // replaced.
        CasoRespaldoFallido{"NombreTomadoPorUnaCarpeta",
                            [](Instalacion& i, prueba::DiscoConFallos&) {
                                std::filesystem::create_directory(i.Registro.RutaRespaldo);
                            }},
        CasoRespaldoFallido{
            "DiscoLlenoAMitad",
            [](Instalacion&, prueba::DiscoConFallos& d) { d.LimiteEscritura = 700'000; }},
        CasoRespaldoFallido{
            "VolcadoFallido",
            [](Instalacion&, prueba::DiscoConFallos& d) { d.FallarSincronizar = true; }},
        CasoRespaldoFallido{"CopiaAlterada",
                            [](Instalacion&, prueba::DiscoConFallos& d) { d.Alterar = true; }},
        CasoRespaldoFallido{
            "RenombradoFallido",
            [](Instalacion&, prueba::DiscoConFallos& d) { d.FallarRenombrar = true; }}),
    [](const testing::TestParamInfo<CasoRespaldoFallido>& fila) { return fila.param.Nombre; });

} // namespace
} // namespace vesmadur
