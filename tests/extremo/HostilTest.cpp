// Hostile input around an installation, each case run through vesmadur-cli:
// what it answers, and that nothing is lost. A program that hung would be
// killed by its alarm and fail the row.
#include "CliPrueba.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vesmadur::prueba {
namespace {

struct Rutas {
    fs::path Raiz, Registro, Config, Carpeta;
};

std::string RegistroCon(const std::string& ruta) {
    return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
           "App Paths\\orvantoo.exe]\r\n\"Path\"=\"" +
           ruta + "\"\r\n";
}

// Puts something that is not a file at `ruta`: a pipe, a link to a device, a
// link to itself.
void Fifo(const fs::path& ruta) {
    fs::remove(ruta);
    ASSERT_EQ(::mkfifo(ruta.c_str(), 0644), 0);
}
void Dispositivo(const fs::path& ruta) {
    fs::remove(ruta);
    fs::create_symlink("/dev/zero", ruta);
}
void Bucle(const fs::path& ruta) {
    fs::remove(ruta);
    fs::create_symlink(ruta.filename(), ruta);
}

struct Caso {
    const char* Nombre;
    std::function<void(const Rutas&)> Preparar;
    std::vector<std::string> Orden;
    int Codigo;
    // Whether the run may change the configuration (an adjustment).
    bool Cambia = false;
};

void PrintTo(const Caso& caso, std::ostream* salida) {
    *salida << caso.Nombre;
}

class Hostil : public testing::TestWithParam<Caso> {};

TEST_P(Hostil, RespondeClaroYNoPierdeNada) {
    const Caso& caso = GetParam();
    InstalacionPrueba inst({.Entradas = 300});
    const fs::path raiz = fs::path(inst.Carpeta()).parent_path();
    const Rutas r{raiz, raiz / "registro.reg", inst.RutaConfig(), fs::path(inst.Carpeta()) / "config"};
    const std::string respaldo = r.Carpeta / "tablas20190715-093012.resp";
    fs::copy_file(r.Config, respaldo);
    const std::string copia = LeerBytes(respaldo);
    caso.Preparar(r);
    std::error_code error;
    const auto antes = fs::is_regular_file(r.Config, error) ? LeerBytes(r.Config) : "";

    const auto corrida = Cli(inst, caso.Orden);
    EXPECT_EQ(corrida.Codigo, caso.Codigo) << corrida.Errores << corrida.Salida;
    // The backup made before is whole, and the configuration unchanged
    // unless the command adjusts it.
    EXPECT_TRUE(LeerBytes(respaldo) == copia);
    if (!caso.Cambia && fs::is_regular_file(r.Config, error)) {
        EXPECT_TRUE(LeerBytes(r.Config) == antes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entradas, Hostil,
    testing::Values(
        // The registry file: never read unless a regular file; a large one is read.
        Caso{"RegistroFifo", [](const Rutas& r) { Fifo(r.Registro); }, {"estado"}, 2},
        Caso{"RegistroDispositivo", [](const Rutas& r) { Dispositivo(r.Registro); }, {"estado"}, 2},
        Caso{"RegistroEnBucle", [](const Rutas& r) { Bucle(r.Registro); }, {"estado"}, 2},
        Caso{"Registro50MB",
             [](const Rutas& r) {
                 // Half in 100,000 subkeys of one key, half in the values of another.
                 std::string texto = RegistroCon(r.Carpeta.parent_path().string() + "/");
                 for (int i = 0; texto.size() < 25u << 20; ++i)
                     texto += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Relleno\\Clave" +
                              std::to_string(i) + "]\r\n\"Valor\"=\"" + std::string(200, 'x') +
                              "\"\r\n";
                 texto += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Valores]\r\n";
                 for (int i = 0; texto.size() < 50u << 20; ++i)
                     texto += "\"Valor" + std::to_string(i) + "\"=\"" + std::string(200, 'x') +
                              "\"\r\n";
                 EscribirArchivo(r.Registro, texto);
             },
             {"estado"}, 0},
        // Its path value: very long, relative, or naming a file.
        Caso{"RutaMuyLarga",
             [](const Rutas& r) { EscribirArchivo(r.Registro, RegistroCon(std::string(5000, 'a'))); },
             {"estado"}, 2},
        Caso{"RutaRelativa",
             [](const Rutas& r) { EscribirArchivo(r.Registro, RegistroCon("orvanto/")); },
             {"estado"}, 2},
        Caso{"RutaDeUnArchivo",
             [](const Rutas& r) { EscribirArchivo(r.Registro, RegistroCon(r.Config.string())); },
             {"estado"}, 2},
        // The configuration database: not a file, no installation.
        Caso{"ConfigFifo", [](const Rutas& r) { Fifo(r.Config); }, {"estado"}, 2},
        Caso{"ConfigDispositivo", [](const Rutas& r) { Dispositivo(r.Config); }, {"estado"}, 2},
        Caso{"ConfigEnBucle", [](const Rutas& r) { Bucle(r.Config); }, {"estado"}, 2},
        // Backup names on what is not a file, and names that almost match:
        // only the real backup is listed, and only it can be restored.
        Caso{"RespaldosQueNoSonArchivos",
             [](const Rutas& r) {
                 Fifo(r.Carpeta / "tablas20200101-000000.resp");
                 Dispositivo(r.Carpeta / "tablas20200102-000000.resp");
                 Bucle(r.Carpeta / "tablas20200103-000000.resp");
                 fs::create_directory(r.Carpeta / "tablas20200104-000000.resp");
             },
             {"restaurar", "20200101-000000", "--si"}, 4},
        Caso{"DiezMilCasiRespaldos",
             [](const Rutas& r) {
                 const char* formas[] = {"tablas2019071%d-093012.resp", "tablas20190715-09301%d.resp",
                                         "Tablas20190715-09301%d.resp", "tablas20190715-09301%d.resp.tmp",
                                         "tablas20190715-09301%d.res", "xtablas20190715-09301%d.resp",
                                         "tablas20190715_09301%d.resp", "tablas2019071509301%d.resp",
                                         "tablas20190715-09301%d.RESP", "tablas20190715-0930%d.resp"};
                 for (int i = 0; i < 10000; ++i) {
                     char nombre[64];
                     std::snprintf(nombre, sizeof nombre, formas[i % 10], i);
                     EscribirArchivo(r.Carpeta / nombre, "x");
                 }
             },
             {"restaurar", "20190715-093012", "--si"}, 0},
        // The lock: unusable, so nothing tells of another copy; the exclusive
        // database still keeps two writers apart, and the run goes on.
        Caso{"BloqueoFifo", [](const Rutas& r) { Fifo(r.Raiz / "vesmadur.lock"); },
             {"ajustar", "--si"}, 0, true},
        Caso{"BloqueoEnBucle", [](const Rutas& r) { Bucle(r.Raiz / "vesmadur.lock"); },
             {"ajustar", "--si"}, 0, true},
        // The configuration folder reached through a link: the run and its backup
        // happen in the folder it names.
        Caso{"CarpetaEnlazada",
             [](const Rutas& r) {
                 fs::rename(r.Carpeta, r.Raiz / "config-real");
                 fs::create_directory_symlink(r.Raiz / "config-real", r.Carpeta);
             },
             {"ajustar", "--si"}, 0, true}),
    [](const auto& fila) { return std::string(fila.param.Nombre); });

} // namespace
} // namespace vesmadur::prueba
