#include "InstalacionPrueba.h"
#include "ayudas/Proceso.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vesmadur {
namespace {

using namespace prueba;

OpcionesGenerador Opciones(std::int32_t entradas, std::uint64_t semilla = 7) {
    OpcionesGenerador o;
    o.Entradas = entradas;
    o.ParteAntigua = 0.5;
    o.ParteSoloPrefijo = 0.05;
    o.ParteNula = 0.05;
    o.TablasLD = 4;
    o.ReferenciasPorEntrada = 2;
    o.Semilla = semilla;
    return o;
}

std::string Panel(std::initializer_list<std::string> lineas, const std::string& ultima) {
    std::string texto;
    for (const auto& l : lineas)
        texto += l + "\r\n";
    return texto + ultima;
}

const std::string kUltima = "Presiona el boton <Cerrar> para terminar.";

TEST(Ajuste, CorridaCompletaReescribeBorraYRespalda) {
    InstalacionPrueba inst(Opciones(400));
    const auto antes = inst.LeerNumeros();
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    auto& ventana = inst.AbrirVentana();
    ASSERT_EQ(ventana.MarcacionesDetectadas(), inst.Resumen.Antiguas);
    ASSERT_GT(inst.Resumen.SoloPrefijo, 0);
    ASSERT_GT(inst.Resumen.Nulas, 0);

    inst.Ajustar();

    const std::string dir = inst.Carpeta();
    EXPECT_EQ(inst.Vista->Info,
              Panel({"Directorio: ", "    " + dir, "",
                     "Marcaciones detectadas a procesar: " + std::to_string(inst.Resumen.Antiguas),
                     "", "Respaldando configuracion...", "Abriendo configuracion...",
                     "Leyendo marcaciones...",
                     "Marcaciones ajustadas: " + std::to_string(inst.Resumen.Antiguas) + " de 400",
                     "Configuracion cerrada.", "Proceso de ajuste finalizado.", ""},
                    kUltima));

    // Exactly the rewritten numbers; bare prefixes gone; Null left alone.
    const auto despues = inst.LeerNumeros();
    int borradas = 0;
    for (const auto& [lnId, telefono] : antes) {
        if (!telefono) {
            ASSERT_TRUE(despues.count(lnId));
            EXPECT_FALSE(despues.at(lnId).has_value());
            continue;
        }
        const auto nuevo = AjustarNumero(*telefono);
        if (nuevo.empty()) {
            EXPECT_FALSE(despues.count(lnId)) << *telefono;
            ++borradas;
            for (const auto& t : inst.Resumen.Tablas) {
                if (t.Depurar > 0) {
                    EXPECT_EQ(inst.Referencias("LD" + std::to_string(t.Numero), lnId), 0);
                }
            }
        } else {
            ASSERT_TRUE(despues.count(lnId));
            EXPECT_EQ(despues.at(lnId), nuevo);
        }
    }
    EXPECT_EQ(borradas, inst.Resumen.SoloPrefijo);

    // The backup is the database as it was before the run.
    const auto respaldos = inst.Respaldos();
    ASSERT_EQ(respaldos.size(), 1u);
    EXPECT_EQ(respaldos[0], inst.Carpeta() + "/config/tablas20190803-142507.resp");
    EXPECT_EQ(LeerBytes(respaldos[0]), bytesAntes);
    // Nothing is left beside the database.
    EXPECT_FALSE(std::filesystem::exists(inst.RutaConfig() + "-journal"));
    EXPECT_FALSE(std::filesystem::exists(inst.RutaConfig() + "-wal"));

    // Progress drawn from the first row on, ending full; one run only.
    ASSERT_FALSE(inst.Vista->Fracciones.empty());
    EXPECT_EQ(inst.Vista->Fracciones.front(), 0.0f);
    EXPECT_EQ(inst.Vista->Fracciones.back(), 1.0f);
    EXPECT_GE(inst.Vista->EventosProcesados, 400 / 5);
    EXPECT_FALSE(inst.Vista->Ajustar);
    EXPECT_FALSE(inst.Vista->Restaurar);
    EXPECT_FALSE(ventana.Ocupado());
}

// One entry that is only "01", referred to from three listed tables: two to
// purge and one (third column 0) to leave alone. Every other number is current.
class BorradoEntrada : public ::testing::Test {
protected:
    void SetUp() override {
        OpcionesGenerador o;
        o.Entradas = 6;
        o.ParteAntigua = 0;
        o.ParteSoloPrefijo = 0;
        o.ParteNula = 0;
        o.TablasLD = 3;
        o.ReferenciasPorEntrada = 0;
        inst = std::make_unique<InstalacionPrueba>(o);
        inst->Preparar({
            "UPDATE [Numeros de lada] SET telefono = '5512345678'",
            "UPDATE [Numeros de lada] SET telefono = '01' WHERE lnId = 3",
            "DELETE * FROM [Tablas de ladas]",
            "INSERT INTO [Tablas de ladas] VALUES (2, 'b', 1)",
            "INSERT INTO [Tablas de ladas] VALUES (1, 'a', 0)",
            "INSERT INTO [Tablas de ladas] VALUES (3, 'c', 5)",
            "INSERT INTO LD1 (idLada) VALUES (3)",
            "INSERT INTO LD2 (idLada) VALUES (3)",
            "INSERT INTO LD2 (idLada) VALUES (4)",
            "INSERT INTO LD3 (idLada) VALUES (3)",
            "INSERT INTO LD3 (idLada) VALUES (3)",
        });
    }
    std::unique_ptr<InstalacionPrueba> inst;
};

TEST_F(BorradoEntrada, PurgaSoloLasTablasListadasYLuegoLaEntrada) {
    inst->AbrirVentana();
    inst->Ajustar();
    EXPECT_NE(inst->Vista->Info.find("Marcaciones ajustadas: 1 de 6\r\n"), std::string::npos);
    EXPECT_FALSE(inst->LeerNumeros().count(3));
    EXPECT_EQ(inst->LeerNumeros().size(), 5u);
    EXPECT_EQ(inst->Referencias("LD2", 3), 0);
    EXPECT_EQ(inst->Referencias("LD3", 3), 0);
    EXPECT_EQ(inst->Referencias("LD2", 4), 1); // another entry's row stays
    EXPECT_EQ(inst->Referencias("LD1", 3), 1); // listed with 0: untouched
}

TEST_F(BorradoEntrada, TablaListadaQueFaltaDetieneLaCorridaAntesDeBorrarLaEntrada) {
    // The catalogue lists LD2 first, then LD3; with LD3 gone the engine
    // refuses its statement, after LD2's rows went and before the entry did.
    inst->Preparar({"DROP TABLE LD3"});
    inst->AbrirVentana();
    inst->Ajustar();

    const auto& info = inst->Vista->Info;
    const auto error = info.find("Error al AJUSTAR las marcaciones: ");
    ASSERT_NE(error, std::string::npos) << info;
    const auto fin = info.find("\r\n", error);
    EXPECT_GT(fin, error + 34) << "la descripcion del motor falta";
    EXPECT_EQ(info.substr(fin + 2), "Marcaciones ajustadas: 0 de 2\r\n"
                                    "Configuracion cerrada.\r\n"
                                    "Proceso de ajuste finalizado.\r\n"
                                    "\r\n" +
                                        kUltima);
    EXPECT_TRUE(inst->LeerNumeros().count(3));
    EXPECT_EQ(inst->Referencias("LD2", 3), 0);
    EXPECT_EQ(inst->Referencias("LD1", 3), 1);
    EXPECT_EQ(inst->Respaldos().size(), 1u);
    // The database was closed: it opens again at once.
    std::unique_ptr<Database> base;
    AbrirConfiguracion(base, inst->RutaConfig());
    EXPECT_NE(base, nullptr);
    CerrarConfiguracion(base);
}

TEST(Ajuste, ComillasYNulosSeGuardanTalCual) {
    OpcionesGenerador o = Opciones(5);
    o.ParteAntigua = 0;
    o.ParteSoloPrefijo = 0;
    o.ParteNula = 0;
    InstalacionPrueba inst(o);
    inst.Preparar({
        "UPDATE [Numeros de lada] SET telefono = '5512345678'",
        "UPDATE [Numeros de lada] SET telefono = '01O''Brien' WHERE lnId = 1",
        "UPDATE [Numeros de lada] SET telefono = '045x'' WHERE lnId > 0 OR ''1''=''1' "
        "WHERE lnId = 2",
        "UPDATE [Numeros de lada] SET telefono = NULL WHERE lnId = 3",
    });
    inst.AbrirVentana();
    inst.Ajustar();

    const auto numeros = inst.LeerNumeros();
    ASSERT_EQ(numeros.size(), 5u);
    EXPECT_EQ(numeros.at(1), "O'Brien");
    EXPECT_EQ(numeros.at(2), "x' WHERE lnId > 0 OR '1'='1");
    EXPECT_FALSE(numeros.at(3).has_value());
    EXPECT_EQ(numeros.at(4), "5512345678");
    EXPECT_NE(inst.Vista->Info.find("Marcaciones ajustadas: 2 de 5\r\n"), std::string::npos);
}

TEST(Ajuste, TablaVaciaInformaCeroDeCero) {
    InstalacionPrueba inst(Opciones(3));
    inst.Preparar({"DELETE * FROM [Numeros de lada]"});
    inst.AbrirVentana();
    // Nothing to adjust: the window offers the restore, not the run; the
    // run itself, asked all the same, reports an empty walk.
    EXPECT_FALSE(inst.Vista->Ajustar);
    struct Informe final : InformeAjuste {
        std::string texto;
        void Reemplazar(std::string_view t) override { texto = t; }
        void Agregar(std::string_view t) override { texto += t; }
        void DibujarProgreso(float) override {}
        void ProcesarEventos() override {}
        std::string CaptionCerrar() const override { return "Cerrar"; }
    } informe;
    DatosAjuste datos{inst.Carpeta(), inst.RutaConfig(), 0,
                      [] { return ResultadoArchivo::Exito(); }};
    std::unique_ptr<Database> base;
    const auto resultado = AjustarMarcaciones(base, datos, informe);
    EXPECT_TRUE(resultado.Completa);
    EXPECT_NE(informe.texto.find("Leyendo marcaciones...\r\nMarcaciones ajustadas: 0 de 0\r\n"
                                 "Configuracion cerrada.\r\n"),
              std::string::npos);
}

// What a crash left beside the database, and whether the run deals with it.
struct CasoResto {
    const char* Nombre;
    void (*Dejar)(const std::string& rutaConfig);
    bool Completa;
    friend void PrintTo(const CasoResto& c, std::ostream* os) { *os << c.Nombre; }
};

class RestosDeUnaCaida : public testing::TestWithParam<CasoResto> {};

// A journal that never protected a change is removed: the run completes
// with its full report, the backup is the database as it was, and nothing
// is left beside it. What the backup cannot deal with stops the run before
// anything is touched.
TEST_P(RestosDeUnaCaida, SeQuitanOImpidenElRespaldo) {
    InstalacionPrueba inst(Opciones(50));
    inst.AbrirVentana();
    GetParam().Dejar(inst.RutaConfig());
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    const auto config = inst.Carpeta() + "/config";
    const auto listado = Nombres(config);
    inst.Ajustar();
    const auto& info = inst.Vista->Info;
    if (!GetParam().Completa) {
        EXPECT_EQ(info.substr(info.find("Respaldando")), "Respaldando configuracion...\r\n"
                                                         "Error al RESPALDAR la configuracion!\r\n"
                                                         "Proceso de ajuste finalizado.\r\n\r\n" +
                                                             kUltima);
        EXPECT_EQ(LeerBytes(inst.RutaConfig()), bytesAntes);
        EXPECT_EQ(Nombres(config), listado);
        EXPECT_FALSE(inst.Vista->Ajustar);
        return;
    }
    const auto n = std::to_string(inst.Resumen.Antiguas);
    EXPECT_EQ(info, Panel({"Directorio: ", "    " + inst.Carpeta(), "",
                           "Marcaciones detectadas a procesar: " + n, "",
                           "Respaldando configuracion...", "Abriendo configuracion...",
                           "Leyendo marcaciones...", "Marcaciones ajustadas: " + n + " de 50",
                           "Configuracion cerrada.", "Proceso de ajuste finalizado.", ""},
                          kUltima));
    ASSERT_EQ(inst.Respaldos().size(), 1u);
    EXPECT_EQ(LeerBytes(inst.Respaldos()[0]), bytesAntes);
    EXPECT_EQ(Nombres(config),
              (std::vector<std::string>{"tablas.orv", "tablas20190803-142507.resp"}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, RestosDeUnaCaida, testing::Values(
    CasoResto{"DiarioConCabeceraEnCeros", [](const std::string& ruta) {
        EscribirArchivo(ruta + "-journal", std::string(1544, '\0')); }, true},
    CasoResto{"CarpetaEnLugarDelDiario", [](const std::string& ruta) {
        std::filesystem::create_directory(ruta + "-journal"); }, false}),
    testing::PrintToStringParamName());
// clang-format on

TEST(Ajuste, ConfiguracionQueEsUnEnlaceSeRespaldaYSeAjusta) {
    InstalacionPrueba inst(Opciones(60));
    // The database lives elsewhere; the configuration path is a link to it.
    const auto real = inst.Carpeta() + "/real.orv";
    std::filesystem::rename(inst.RutaConfig(), real);
    std::filesystem::create_symlink(real, inst.RutaConfig());
    const auto bytesAntes = LeerBytes(real);
    inst.AbrirVentana();
    inst.Ajustar();
    EXPECT_NE(inst.Vista->Info.find(
                  "Marcaciones ajustadas: " + std::to_string(inst.Resumen.Antiguas) + " de 60"),
              std::string::npos)
        << inst.Vista->Info;
    ASSERT_EQ(inst.Respaldos().size(), 1u);
    EXPECT_EQ(LeerBytes(inst.Respaldos()[0]), bytesAntes);
    EXPECT_TRUE(std::filesystem::is_symlink(inst.RutaConfig()));
}

// A second program holding the database open, as Orvanto would.
std::function<int()> Retener(const std::string& ruta) {
    return [ruta]() -> int {
        std::unique_ptr<Database> base;
        AbrirConfiguracion(base, ruta);
        std::printf(base ? "listo\n" : "fallo\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    };
}

TEST(Ajuste, BaseRetenidaPorOtroProcesoNoSeRespaldaNiSeToca) {
    InstalacionPrueba inst(Opciones(50));
    inst.AbrirVentana();
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    {
        Proceso orvanto(Retener(inst.RutaConfig()));
        ASSERT_EQ(orvanto.Linea(), "listo");
        inst.Ajustar();
    }
    EXPECT_NE(inst.Vista->Info.find("Error al RESPALDAR la configuracion!\r\n"), std::string::npos);
    EXPECT_EQ(inst.Vista->Info.find("Abriendo"), std::string::npos);
    EXPECT_EQ(LeerBytes(inst.RutaConfig()), bytesAntes);
    EXPECT_TRUE(inst.Respaldos().empty());
}

TEST(Ajuste, ClaveIncorrectaRespaldaYLuegoNoAbre) {
    InstalacionPrueba inst(Opciones(20));
    auto& ventana = inst.AbrirVentana();
    // A database under another key in place of the real one.
    const auto ajena = inst.Carpeta() + "/ajena.orv";
    ASSERT_EQ(std::system(("sqlcipher '" + ajena +
                           "' \"PRAGMA key='otra'; CREATE TABLE t(a); INSERT INTO t VALUES(1);\""
                           " > /dev/null")
                              .c_str()),
              0);
    std::filesystem::rename(ajena, inst.RutaConfig());
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    ASSERT_GT(ventana.MarcacionesDetectadas(), 0);

    inst.Ajustar();

    EXPECT_NE(inst.Vista->Info.find("Respaldando configuracion...\r\n"
                                    "Abriendo configuracion...\r\n"
                                    "Error al ABRIR la configuracion!\r\n"
                                    "Proceso de ajuste finalizado.\r\n"),
              std::string::npos)
        << inst.Vista->Info;
    ASSERT_EQ(inst.Respaldos().size(), 1u);
    EXPECT_EQ(LeerBytes(inst.Respaldos()[0]), bytesAntes);
    EXPECT_EQ(LeerBytes(inst.RutaConfig()), bytesAntes);
}

TEST(Arranque, CarpetaDePruebaEnLaLineaDeComandos) {
    InstalacionPrueba inst(Opciones(100), false);
    inst.LineaComandos = inst.Carpeta();
    auto& ventana = inst.AbrirVentana();
    EXPECT_EQ(ventana.Instalacion().Edicion, 8);
    EXPECT_EQ(inst.Vista->Edicion, "Orvanto detectado: <Prueba>");
    EXPECT_EQ(inst.Vista->Info.rfind("Directorio: \r\n    " + inst.Carpeta() +
                                         "/\r\n\r\n"
                                         "Marcaciones detectadas a procesar: " +
                                         std::to_string(inst.Resumen.Antiguas) + "\r\n",
                                     0),
              0u);
    EXPECT_TRUE(inst.Vista->Ajustar);
}

TEST(Arranque, SinRegistroNiCarpetaNoHayInstalacion) {
    InstalacionPrueba inst(Opciones(10), false);
    inst.LineaComandos = inst.Carpeta() + "/no-existe";
    inst.AbrirVentana();
    EXPECT_EQ(inst.Vista->Edicion, "Orvanto detectado: <Ninguno>");
    EXPECT_FALSE(inst.Vista->Ajustar);
    EXPECT_FALSE(inst.Vista->Restaurar);
}

TEST(Arranque, BaseRetenidaPorOtroProcesoCuentaCeroYOfreceRestaurar) {
    InstalacionPrueba inst(Opciones(50));
    Proceso orvanto(Retener(inst.RutaConfig()));
    ASSERT_EQ(orvanto.Linea(), "listo");
    auto& ventana = inst.AbrirVentana();
    EXPECT_EQ(inst.Vista->Edicion, "Orvanto detectado: Ofimbra");
    EXPECT_EQ(ventana.MarcacionesDetectadas(), 0);
    EXPECT_FALSE(inst.Vista->Ajustar);
    EXPECT_TRUE(inst.Vista->Restaurar);
}

TEST(Ajuste, CerrarYCajaRechazadosDuranteLaCorridaAtendidosDespues) {
    InstalacionPrueba inst(Opciones(200));
    auto& ventana = inst.AbrirVentana();
    int intentos = 0, rechazos = 0;
    // The operator presses "Cerrar" and the close box whenever the run lets
    // the window handle its events.
    inst.Vista->AlProcesarEventos = [&] {
        ++intentos;
        ventana.btnCerrarPulsado();
        if (ventana.AlPedirCierre(OrigenCierre::ControlVentana))
            ++rechazos;
    };
    inst.Ajustar();
    EXPECT_GE(intentos, 200 / 5);
    EXPECT_EQ(rechazos, intentos);
    EXPECT_EQ(inst.CerrarProgramaLlamado, 0);
    EXPECT_NE(inst.Vista->Info.find(
                  "Marcaciones ajustadas: " + std::to_string(inst.Resumen.Antiguas) + " de 200"),
              std::string::npos);
    // Once the run is over both close.
    EXPECT_FALSE(ventana.AlPedirCierre(OrigenCierre::ControlVentana));
    ventana.btnCerrarPulsado();
    EXPECT_EQ(inst.CerrarProgramaLlamado, 1);
}

TEST(Ajuste, CorridaMuertaConSigkillDejaUnaBaseCoherente) {
    InstalacionPrueba inst(Opciones(3000, 11));
    const auto antes = inst.LeerNumeros();
    const auto bytesAntes = LeerBytes(inst.RutaConfig());
    Proceso corrida([&inst] {
        inst.AbrirVentana();
        // Each processing of events tells the parent how far the walk got.
        inst.Vista->AlProcesarEventos = [] {
            if (::write(1, ".", 1) != 1)
                ::_exit(1);
        };
        inst.Ajustar();
        return 0;
    });
    ASSERT_EQ(corrida.Leer(100), std::string(100, '.')) << "la corrida termino antes de tiempo";
    EXPECT_EQ(corrida.Matar(), -SIGKILL);

    // The database opens; every entry is as before or fully rewritten, and
    // no entry is gone while rows still refer to it.
    const auto despues = inst.LeerNumeros();
    int cambiadas = 0, iguales = 0;
    for (const auto& [lnId, telefono] : antes) {
        const bool sigue = despues.count(lnId) > 0;
        if (!sigue) {
            ASSERT_TRUE(telefono && AjustarNumero(*telefono).empty());
            for (const auto& t : inst.Resumen.Tablas) {
                if (t.Depurar > 0) {
                    EXPECT_EQ(inst.Referencias("LD" + std::to_string(t.Numero), lnId), 0);
                }
            }
            ++cambiadas;
            continue;
        }
        const auto& ahora = despues.at(lnId);
        if (ahora == telefono) {
            ++iguales;
        } else {
            ASSERT_TRUE(telefono.has_value());
            EXPECT_EQ(ahora, AjustarNumero(*telefono));
            ++cambiadas;
        }
    }
    EXPECT_GT(cambiadas, 0);
    EXPECT_LT(cambiadas, inst.Resumen.Antiguas) << "la corrida no se interrumpio";
    const auto respaldos = inst.Respaldos();
    ASSERT_EQ(respaldos.size(), 1u);
    EXPECT_EQ(LeerBytes(respaldos[0]), bytesAntes);
}

} // namespace
} // namespace vesmadur
