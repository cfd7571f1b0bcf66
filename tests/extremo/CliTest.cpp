// vesmadur-cli run as a process on generated installations: each command's
// output and exit code, its JSON read back, and what it leaves on disk.
#include "CliPrueba.h"
#include "app/InstanciaUnica.h"
#include "dialing/Marcaciones.h"

#include <QJsonArray>
#include <gtest/gtest.h>
#include <sstream>

namespace vesmadur::prueba {
namespace {

// Killed in the middle of a run, the record lists only changes the database
// holds; a second run finishes the work.
TEST(Cli, RegistroVerdaderoTrasMatarLaCorrida) {
    InstalacionPrueba inst({.Entradas = 60000, .ParteAntigua = 0.6});
    const auto antes = inst.LeerNumeros();
    const std::string registro = fs::path(inst.Carpeta()) / "cambios.csv";
    const auto cli = Lanzar(inst, {"ajustar", "--si", "--registro", registro},
                            fs::path(inst.Carpeta()) / "errores.txt");
    // Killed as soon as the first committed group is written.
    for (std::string hecho; std::count(hecho.begin(), hecho.end(), '\n') < 2;) {
        ::usleep(200);
        hecho = LeerBytes(registro);
    }
    cli->Matar();
    const auto despues = inst.LeerNumeros();
    // A kill can cut the last write short: a line without its end is not part
    // of the record.
    std::string escrito = LeerBytes(registro);
    escrito.erase(escrito.rfind('\n') + 1);
    std::istringstream lineas(escrito);
    std::string linea;
    std::getline(lineas, linea);
    int anotados = 0;
    while (std::getline(lineas, linea)) {
        const auto coma = linea.find(',');
        const std::int64_t lnId = std::stoll(linea.substr(0, coma));
        SCOPED_TRACE(linea);
        EXPECT_EQ(linea.substr(coma + 1), *antes.at(lnId) + ',' + AjustarNumero(*antes.at(lnId)) +
                                              ',' +
                                              (despues.count(lnId) ? "actualizar" : "borrar"));
        EXPECT_EQ(despues.count(lnId) ? despues.at(lnId) : "", AjustarNumero(*antes.at(lnId)));
        ++anotados;
    }
    EXPECT_GT(anotados, 0);
    EXPECT_LT(anotados, inst.Resumen.Antiguas) << "the kill came after the run";
    EXPECT_EQ(Cli(inst, {"ajustar", "--si"}).Codigo, 0);
    EXPECT_EQ(Cli(inst, {"estado"}).Codigo, 1);
}

// The whole round: state, dry run, run with its record, backups, restore and
// deletion; the run leaves what the window's run leaves.
TEST(Cli, RevisarAjustarRespaldosRestaurarYBorrar) {
    InstalacionPrueba inst, ventana;
    const std::string original = LeerBytes(inst.RutaConfig());

    auto estado = Cli(inst, {"estado", "--json"});
    EXPECT_EQ(estado.Codigo, 0) << estado.Errores;
    EXPECT_EQ(estado.Json()["marcaciones"].toInt(), inst.Resumen.Antiguas);
    EXPECT_EQ(estado.Json()["accion"].toString(), "ajustar");
    EXPECT_EQ(estado.Json()["edicion"].toString(), "Ofimbra");

    const auto revision = Cli(inst, {"revisar", "--json"});
    EXPECT_EQ(revision.Codigo, 0) << revision.Errores;
    EXPECT_EQ(LeerBytes(inst.RutaConfig()), original) << "the dry run wrote the file";
    const QJsonArray plan = revision.Json()["cambios"].toArray();
    ASSERT_EQ(plan.size(), inst.Resumen.Antiguas);
    EXPECT_EQ(revision.Json()["borrados"].toInt(), inst.Resumen.SoloPrefijo);

    // No and end of input change nothing.
    for (const char* respuesta : {"n\n", ""})
        EXPECT_EQ(Cli(inst, {"ajustar"}, respuesta).Codigo, 1);
    EXPECT_EQ(LeerBytes(inst.RutaConfig()), original);

    const std::string registro = fs::path(inst.Carpeta()) / "cambios.csv";
    const auto ajuste = Cli(inst, {"ajustar", "--registro", registro}, "\n");
    EXPECT_EQ(ajuste.Codigo, 0) << ajuste.Errores << ajuste.Salida;
    EXPECT_NE(ajuste.Salida.find("Marcaciones ajustadas: " + std::to_string(inst.Resumen.Antiguas)),
              std::string::npos);
    EXPECT_NE(ajuste.Salida.find("los cambios son los planeados"), std::string::npos);
    ventana.AbrirVentana();
    ventana.Ajustar();
    const Numeros despues = inst.LeerNumeros();
    EXPECT_EQ(despues, ventana.LeerNumeros());
    // The record lists exactly the planned changes, in order, as made.
    std::string esperado = "lnId,antes,despues,accion\n";
    for (const auto& c : plan) {
        const auto o = c.toObject();
        const auto lnId = static_cast<std::int64_t>(o["lnId"].toDouble());
        esperado += std::to_string(lnId) + ',' + o["antes"].toString().toStdString() + ',' +
                    o["despues"].toString().toStdString() + ',' +
                    o["accion"].toString().toStdString() + '\n';
        EXPECT_EQ(despues.count(lnId) ? despues.at(lnId).value_or("") : "",
                  o["despues"].toString().toStdString());
    }
    EXPECT_EQ(LeerBytes(registro), esperado);
    EXPECT_EQ(Cli(inst, {"estado"}).Codigo, 1);

    const auto respaldos = Cli(inst, {"respaldos", "--json"});
    ASSERT_EQ(respaldos.Codigo, 0) << respaldos.Errores;
    const auto lista = respaldos.Json()["respaldos"].toArray();
    ASSERT_EQ(lista.size(), 1);
    const auto respaldo = lista[0].toObject();
    EXPECT_EQ(respaldo["marcaciones"].toInt(), inst.Resumen.Antiguas);
    EXPECT_EQ(respaldo["ajuste"].toString(), "antes");
    const std::string sello = respaldo["sello"].toString().toStdString();

    EXPECT_EQ(Cli(inst, {"restaurar", "20000101-000000", "--si"}).Codigo, 4);
    EXPECT_EQ(Cli(inst, {"restaurar", sello, "--si"}).Codigo, 0);
    EXPECT_EQ(LeerBytes(inst.RutaConfig()), original);
    EXPECT_EQ(Cli(inst, {"borrar", respaldo["ruta"].toString().toStdString(), "--si"}).Codigo, 0);
    EXPECT_EQ(Cli(inst, {"respaldos"}).Codigo, 1);
}

// The dry run's warnings, each on the entry that earns it.
TEST(Cli, RevisarAvisaLoQueConvieneSaber) {
    InstalacionPrueba inst({.Entradas = 50, .ParteSoloPrefijo = 0, .ReferenciasPorEntrada = 0});
    EjecutarShell(inst.RutaConfig(),
                  "INSERT INTO \"Numeros de lada\" (lnId, telefono) VALUES "
                  "(9001, '0101234'), (9002, '01 55 1234'), (9003, '015512345678'), "
                  "(9004, '0455512345678'), (9005, '044'), (9006, '4455667788');\n"
                  "INSERT INTO LD1 (idLada, tarifa) VALUES (9005, 1), (9005, 2);\n");
    const auto revision = Cli(inst, {"revisar", "--json"});
    ASSERT_EQ(revision.Codigo, 0) << revision.Errores;
    std::multimap<std::int64_t, std::string> avisos;
    for (const auto& a : revision.Json()["avisos"].toArray())
        avisos.emplace(a.toObject()["lnId"].toInteger(),
                       a.toObject()["clase"].toString().toStdString());
    const std::multimap<std::int64_t, std::string> esperados{
        {9001, "sigue-antigua"}, {9002, "caracteres"}, {9004, "repetida"}, {9005, "purga"}};
    EXPECT_EQ(avisos, esperados);
    const auto cambios = revision.Json()["cambios"].toArray();
    const auto borrado = cambios[cambios.size() - 1].toObject();
    EXPECT_EQ(borrado["accion"].toString(), "borrar");
    EXPECT_EQ(borrado["purgas"].toArray()[0].toObject()["filas"].toInt(), 2);
    EXPECT_EQ(revision.Json()["filasPurgadas"].toInt(), 2);
}

// Why the configuration does not open, and the exit code that goes with it.
TEST(Cli, EstadoDiceQuePasaConLaConfiguracion) {
    struct Caso {
        const char* Nombre;
        std::function<std::shared_ptr<Proceso>(const std::string&)> Preparar;
        int Codigo;
        const char* Motivo;
    };
    const Caso casos[] = {
        {"retenida", [](const std::string& r) { return Listo(Retener(r)); }, 3, "otro programa"},
        // Without its database there is no installation to speak of.
        {"falta",
         [](const std::string& r) {
             fs::remove(r);
             return nullptr;
         },
         2, ""},
        {"texto",
         [](const std::string& r) {
             EscribirArchivo(r, "hola");
             return nullptr;
         },
         4, "el archivo no es una base"},
        {"otra clave",
         [](const std::string& r) {
             EjecutarShell(r, "PRAGMA rekey='otra';\n");
             return nullptr;
         },
         4, "otra clave"},
        {"diario en carpeta",
         [](const std::string& r) {
             fs::create_directory(r + "-journal");
             return nullptr;
         },
         3, "no es un archivo"},
        {"sin cifrar",
         [](const std::string& r) {
             fs::remove(r);
             EjecutarShell(r, "CREATE TABLE t(a);\n", false);
             return nullptr;
         },
         4, "sin cifrar"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.Nombre);
        InstalacionPrueba inst({.Entradas = 50});
        const auto otro = caso.Preparar(inst.RutaConfig());
        const auto estado = Cli(inst, {"estado", "--json"});
        EXPECT_EQ(estado.Codigo, caso.Codigo);
        EXPECT_NE(estado.Errores.find(caso.Motivo), std::string::npos) << estado.Errores;
        EXPECT_EQ(estado.Json()["codigo"].toInt(), caso.Codigo);
        EXPECT_NE(estado.Json()["error"].toString().toStdString().find(caso.Motivo),
                  std::string::npos);
        EXPECT_EQ(estado.Json()["marcaciones"].toInt(), 0);
    }
}

// What an interrupted session left: the dry run names it, the run recovers
// a journal and refuses a folder in its place.
TEST(Cli, RestosDeUnaSesionInterrumpida) {
    InstalacionPrueba inst({.Entradas = 200});
    const auto antes = inst.LeerNumeros();
    Listo(Shell(inst.RutaConfig()), "PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
                                    "UPDATE \"Numeros de lada\" SET telefono = 'roto';\n"
                                    "SELECT 'listo';\n")
        ->Matar();
    ASSERT_TRUE(fs::exists(inst.RutaConfig() + "-journal"));
    const auto revision = Cli(inst, {"revisar"});
    EXPECT_EQ(revision.Codigo, 3);
    EXPECT_NE(revision.Errores.find("sesion interrumpida"), std::string::npos) << revision.Errores;
    const auto ajuste = Cli(inst, {"ajustar", "--si"});
    EXPECT_EQ(ajuste.Codigo, 0) << ajuste.Errores;
    EXPECT_FALSE(fs::exists(inst.RutaConfig() + "-journal"));
    // The interrupted change was rolled back before the run: nothing is "roto".
    const auto despues = inst.LeerNumeros();
    EXPECT_EQ(despues.size(), antes.size() - static_cast<std::size_t>(inst.Resumen.SoloPrefijo));
    for (const auto& [lnId, numero] : despues)
        EXPECT_EQ(numero, antes.at(lnId) ? std::optional(AjustarNumero(*antes.at(lnId))) : numero);

    fs::create_directory(inst.RutaConfig() + "-journal");
    const auto otra = Cli(inst, {"ajustar", "--si"});
    EXPECT_EQ(otra.Codigo, 3);
    EXPECT_NE(otra.Errores.find("no esta en reposo"), std::string::npos) << otra.Errores;
}

// Another copy holding the single-instance lock refuses every writer; the
// command line itself is checked before anything runs.
TEST(Cli, OtraCopiaYUsoIncorrecto) {
    InstalacionPrueba inst({.Entradas = 50});
    const std::string original = LeerBytes(inst.RutaConfig());
    const fs::path lock = fs::path(inst.Carpeta()).parent_path() / "vesmadur.lock";
    {
        auto otra = Listo([&] {
            InstanciaUnica instancia(lock);
            std::puts(instancia.Adquirir() == InstanciaUnica::Resultado::Unica ? "listo" : "no");
            std::fflush(stdout);
            for (char c; ::read(0, &c, 1) > 0;) {
            }
            return 0;
        });
        const auto ajuste = Cli(inst, {"ajustar", "--si"});
        EXPECT_EQ(ajuste.Codigo, 3);
        EXPECT_NE(ajuste.Errores.find("otra copia"), std::string::npos);
        EXPECT_EQ(Cli(inst, {"estado"}).Codigo, 0) << "reading needs no lock";
    }
    EXPECT_EQ(LeerBytes(inst.RutaConfig()), original);
    // With no Orvanto registered, --carpeta names the installation to test on.
    EscribirArchivo(fs::path(inst.Carpeta()).parent_path() / "registro.reg", "REGEDIT4\r\n");
    EXPECT_EQ(Cli(inst, {"estado"}).Codigo, 2);
    const auto prueba = Cli(inst, {"estado", "--json", "--carpeta", inst.Carpeta()});
    EXPECT_EQ(prueba.Codigo, 0) << prueba.Errores;
    EXPECT_EQ(prueba.Json()["edicion"].toString(), "<Prueba>");
    for (const auto& argumentos : std::vector<std::vector<std::string>>{
             {}, {"volar"}, {"estado", "de mas"}, {"borrar"}, {"estado", "--nada"}})
        EXPECT_EQ(Cli(inst, argumentos).Codigo, 64);
    EXPECT_EQ(Cli(inst, {"--help"}).Codigo, 0);
}

} // namespace
} // namespace vesmadur::prueba
