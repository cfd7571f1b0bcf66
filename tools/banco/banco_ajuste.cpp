// Figures for the count, the dry run and the adjustment run against the plainest SQL doing
// the same work on the same file. A benchmark, not a test: it prints times,
// ratios and peak memory, and fails only when something does not run.
//
//   vesmadur-banco-ajuste [--entradas 10000,100000,1000000] [--carpeta DIR] [--veces 5]
//
// Every measurement runs in a process of its own (this program started again
// with a phase name), on a fresh copy of the same generated file, so that
// its peak memory is its own; every phase is taken once per round, for
// `--veces` rounds, and its fastest time kept. After the table, one line per size for scripts:
//   resumen entradas=N corrida/limite=R cuenta/SQL=R qt/sin=R revisar/cuenta=R MiB=M
#include "app/TareasSistema.h"
#include "app/VistaMuda.h"
#include "app/frmArchivos.h"
#include "app/frmVesmadur.h"
#include "database/BaseCifrada.h"
#include "database/Configuracion.h"
#include "dialing/Marcaciones.h"
#include "dialing/RevisionAjuste.h"
#include "generador/GeneradorInstalacion.h"
#include "registry/RegistroArchivo.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sqlcipher/sqlite3.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace vesmadur;

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::time_point desde) {
    return std::chrono::duration<double>(Reloj::now() - desde).count();
}

[[noreturn]] void Fallar(const std::string& mensaje) {
    std::fprintf(stderr, "vesmadur-banco-ajuste: %s\n", mensaje.c_str());
    std::exit(1);
}

// The clave of the configuration database, as the connect string gives it.
constexpr const char* kClave = "KVTR5316";

// --- Phases, each run in its own process ----------------------------------

int Preparar(const fs::path& carpeta, std::int32_t entradas) {
    OpcionesGenerador o;
    o.Entradas = entradas;
    o.ParteAntigua = 0.5;
    o.ParteSoloPrefijo = 0.01;
    o.ParteNula = 0;
    o.TablasLD = 20;
    o.ReferenciasPorEntrada = 1;
    o.Semilla = 2019;
    const auto resumen = GenerarInstalacion(carpeta / "orvanto", o);
    std::printf("antiguas=%d\n", resumen.Antiguas);
    return 0;
}

std::string RegistroDe(const fs::path& carpeta) {
    return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
           "App Paths\\orvantoo.exe]\r\n\"Path\"=\"" +
           (carpeta / "orvanto").string() + "/\"\r\n";
}

int Contar(const fs::path& carpeta) {
    std::unique_ptr<Database> base;
    const auto inicio = Reloj::now();
    const auto cuenta = ContarMarcaciones(base, (carpeta / "orvanto/config/tablas.orv").string());
    std::printf("segundos=%.6f\ncuenta=%d\n", Segundos(inicio), cuenta);
    return 0;
}

// The command line's dry run: the walk that lists every change and its purges.
int Revisar(const fs::path& carpeta) {
    std::unique_ptr<Database> base;
    const auto inicio = Reloj::now();
    const auto r = RevisarMarcaciones(base, (carpeta / "orvanto/config/tablas.orv").string());
    std::printf("segundos=%.6f\ncambios=%zu\n", Segundos(inicio), r.Cambios.size());
    return r.Error.empty() ? 0 : 1;
}

// One statement on the file through the engine's own door: exclusive open,
// the same session settings, the statement, the close back to rest.
int Sql(const fs::path& carpeta, const std::string& sentencia) {
    const auto inicio = Reloj::now();
    ModoApertura modo;
    auto base = AbrirBaseCifrada((carpeta / "orvanto/config/tablas.orv").string(), kClave, modo);
    if (!base.Base)
        Fallar("no se pudo abrir la base");
    ActivarRegistroRapido(base);
    long long resultado = -1;
    char* error = nullptr;
    const auto alFila = [](void* destino, int, char** valores, char**) {
        *static_cast<long long*>(destino) = valores[0] ? std::atoll(valores[0]) : 0;
        return 0;
    };
    if (sqlite3_exec(base.Base, sentencia.c_str(), alFila, &resultado, &error) != SQLITE_OK)
        Fallar(error ? error : "sentencia rechazada");
    if (resultado < 0)
        resultado = sqlite3_changes(base.Base);
    if (const auto fallo = CerrarBaseCifrada(base); !fallo.empty())
        Fallar(fallo);
    std::printf("segundos=%.6f\nresultado=%lld\n", Segundos(inicio), resultado);
    return 0;
}

class RelojDelSistema final : public vesmadur::Reloj {
public:
    std::chrono::local_seconds Ahora() const override { return sistema_.Ahora(); }

private:
    RelojSistema sistema_;
};

// The program's surroundings for an installation in `carpeta`: its
// registry file, an empty shared data folder, the system clock.
struct Entorno {
    explicit Entorno(const fs::path& carpeta)
        : registro(Escrito(carpeta / "registro.reg", RegistroDe(carpeta))),
          comun((carpeta / "comun").string()), deteccion{registro,
                                                         [this](std::int32_t id) {
                                                             return id == 35 ? comun
                                                                             : std::string();
                                                         },
                                                         "", reloj} {
        fs::create_directories(comun);
    }
    static std::string Escrito(const fs::path& ruta, const std::string& contenido) {
        std::ofstream(ruta) << contenido;
        return ruta.string();
    }
    RegistroArchivo registro;
    RelojDelSistema reloj;
    std::string comun;
    EntornoDeteccion deteccion;
};

// The backup chooser on a folder holding the file as its one backup: the
// operator's click on the entry, which counts the backup and shows the
// information text, as the chooser does on every selection.
int Elegir(const fs::path& carpeta) {
    const auto config = carpeta / "orvanto/config";
    fs::rename(config / "tablas.orv", config / "tablas20190803-142507.resp");
    Entorno entorno(carpeta);
    frmArchivos archivos(std::make_unique<VistaArchivosMuda>(),
                         TareasDelSistema(entorno.deteccion).Archivos);
    archivos.Directorio(config.string());
    const auto inicio = Reloj::now();
    archivos.List1Click(0);
    std::printf("segundos=%.6f\ncuenta=%d\n", Segundos(inicio), archivos.MarcacionesRespaldo());
    return 0;
}

// The whole run through the window logic: detection, count at load, then
// the run (only the run is timed), with a mute view or the real Qt window.
int Ajustar(const fs::path& carpeta, bool conQt, int argc, char** argv) {
    Entorno entorno(carpeta);
    const TareasVesmadur tareas = TareasDelSistema(entorno.deteccion);

    std::unique_ptr<QApplication> aplicacion;
    std::unique_ptr<frmVesmadur> ventana;
    const VistaMuda* muda = nullptr;
    if (conQt) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        aplicacion = std::make_unique<QApplication>(argc, argv);
        ventana = ui::CrearVentanaVesmadur(tareas, [] {});
    } else {
        auto vista = std::make_unique<VistaMuda>(Respuesta::Si);
        muda = vista.get();
        ventana = std::make_unique<frmVesmadur>(std::move(vista), tareas, [] {});
    }
    ventana->AlCrear();
    ventana->AlCargar();
    ventana->Mostrar();
    if (ventana->MarcacionesDetectadas() <= 0)
        Fallar("nada que ajustar");
    // The window is on the screen before the operator can press the button.
    if (aplicacion)
        QCoreApplication::processEvents();

    const auto inicio = Reloj::now();
    ventana->MarcarOcupado();
    tareas.AjustarMarcaciones(*ventana);
    ventana->MarcarLibre();
    const double segundos = Segundos(inicio);

    const std::string& panel = muda ? muda->Info() : ventana->Info();
    const auto linea = panel.find("Marcaciones ajustadas: ");
    if (linea == std::string::npos)
        Fallar("la corrida no termino:\n" + panel);
    std::printf("segundos=%.6f\ninforme=%s\n", segundos,
                panel.substr(linea, panel.find('\r', linea) - linea).c_str());
    return 0;
}

// --- The driver ------------------------------------------------------------

struct Medida {
    double Segundos = 0;
    double MiB = 0;
    std::map<std::string, std::string> Valores;
};

Medida Medir(const std::vector<std::string>& argumentos) {
    std::vector<char*> argv;
    std::string programa = fs::read_symlink("/proc/self/exe").string();
    argv.push_back(programa.data());
    std::vector<std::string> copia = argumentos;
    for (auto& a : copia)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int tubo[2];
    if (::pipe(tubo) != 0)
        Fallar("pipe");
    const pid_t hijo = ::fork();
    if (hijo == 0) {
        ::dup2(tubo[1], STDOUT_FILENO);
        ::close(tubo[0]);
        ::close(tubo[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(tubo[1]);
    std::string salida;
    char buf[4096];
    for (ssize_t n; (n = ::read(tubo[0], buf, sizeof buf)) > 0;)
        salida.append(buf, static_cast<std::size_t>(n));
    ::close(tubo[0]);
    int estado = 0;
    rusage uso{};
    ::wait4(hijo, &estado, 0, &uso);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0)
        Fallar("fallo la fase " + argumentos[0]);

    Medida m;
    m.MiB = static_cast<double>(uso.ru_maxrss) / 1024.0;
    std::istringstream lineas(salida);
    for (std::string l; std::getline(lineas, l);)
        if (auto igual = l.find('='); igual != std::string::npos)
            m.Valores[l.substr(0, igual)] = l.substr(igual + 1);
    if (m.Valores.count("segundos"))
        m.Segundos = std::stod(m.Valores["segundos"]);
    return m;
}

// A fresh copy of the generated installation for one measurement, on disk
// before it starts, so that no write-back of the copy runs during it.
fs::path Copia(const fs::path& original, const fs::path& destino) {
    fs::remove_all(destino);
    fs::create_directories(destino / "orvanto/config");
    fs::copy_file(original / "orvanto/config/tablas.orv", destino / "orvanto/config/tablas.orv");
    ::sync();
    return destino;
}

const char* kCuentaSql =
    "SELECT COUNT(*) FROM \"Numeros de lada\" WHERE substr(telefono, 1, 2) = '01' "
    "OR substr(telefono, 1, 3) IN ('044', '045')";
const char* kAjusteSql =
    "UPDATE \"Numeros de lada\" SET telefono = CASE WHEN substr(telefono, 1, 2) = '01' "
    "THEN substr(telefono, 3) ELSE substr(telefono, 4) END "
    "WHERE substr(telefono, 1, 2) = '01' OR substr(telefono, 1, 3) IN ('044', '045')";

// Keeps in `mejor` the least time (what the machine does when nothing else
// gets in the way) and the most memory of the measurements so far.
void Quedarse(Medida& mejor, const Medida& m, bool primera) {
    const double mib = std::max(mejor.MiB, m.MiB);
    if (primera || m.Segundos < mejor.Segundos)
        mejor = m;
    mejor.MiB = mib;
}

int Conducir(const std::vector<std::int32_t>& tamanos, const fs::path& raiz, int veces) {
    std::printf("%9s %9s %9s %6s %9s %9s %9s %9s %9s %7s %7s %8s %8s\n", "entradas", "cuenta_s",
                "cuentaSQL", "razon", "revisar_s", "elegir_s", "corrida_s", "conQt_s", "limite_s",
                "razon", "qt/sin", "MiB_run", "MiB_qt");
    std::vector<std::string> resumenes;
    for (const auto n : tamanos) {
        const fs::path original = raiz / ("base-" + std::to_string(n));
        if (!fs::exists(original / "orvanto/config/tablas.orv")) {
            fs::create_directories(original);
            Medir({"preparar", original.string(), std::to_string(n)});
        }
        const auto trabajo = raiz / "trabajo";
        // Rounds of every phase, each on a fresh copy, so that a slow spell
        // of the machine falls on all phases alike; the best of each is kept.
        const std::vector<std::vector<std::string>> fases = {
            {"contar"}, {"sql", kCuentaSql}, {"elegir"}, {"ajustar"}, {"ajustar-qt"},
            {"sql", kAjusteSql}, {"revisar"}};
        std::vector<Medida> mejores(fases.size());
        for (int ronda = 0; ronda < veces; ++ronda) {
            for (std::size_t f = 0; f < fases.size(); ++f) {
                auto argumentos = fases[f];
                argumentos.insert(argumentos.begin() + 1, Copia(original, trabajo).string());
                Quedarse(mejores[f], Medir(argumentos), ronda == 0);
            }
        }
        auto &cuenta = mejores[0], &cuentaSql = mejores[1], &eleccion = mejores[2],
             &corrida = mejores[3], &conQt = mejores[4], &limite = mejores[5],
             &revision = mejores[6];
        fs::remove_all(trabajo);
        std::printf("%9d %9.3f %9.3f %6.2f %9.3f %9.3f %9.3f %9.3f %9.3f %7.2f %7.2f %8.1f %8.1f\n",
                    n, cuenta.Segundos, cuentaSql.Segundos, cuenta.Segundos / cuentaSql.Segundos,
                    revision.Segundos, eleccion.Segundos, corrida.Segundos, conQt.Segundos, limite.Segundos,
                    corrida.Segundos / limite.Segundos, conQt.Segundos / corrida.Segundos,
                    corrida.MiB, conQt.MiB);
        std::printf("          cuenta %s = SQL %s = eleccion %s = revision %s; %s; limite cambio "
                    "%s filas\n",
                    cuenta.Valores["cuenta"].c_str(), cuentaSql.Valores["resultado"].c_str(),
                    eleccion.Valores["cuenta"].c_str(), revision.Valores["cambios"].c_str(),
                    corrida.Valores["informe"].c_str(),
                    limite.Valores["resultado"].c_str());
        std::fflush(stdout);
        char linea[200];
        std::snprintf(linea, sizeof linea,
                      "resumen entradas=%d corrida/limite=%.2f cuenta/SQL=%.2f qt/sin=%.2f "
                      "revisar/cuenta=%.2f MiB=%.1f",
                      n, corrida.Segundos / limite.Segundos, cuenta.Segundos / cuentaSql.Segundos,
                      conQt.Segundos / corrida.Segundos, revision.Segundos / cuenta.Segundos,
                      corrida.MiB);
        resumenes.push_back(linea);
    }
    for (const auto& linea : resumenes)
        std::printf("%s\n", linea.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "preparar" && args.size() == 3)
        return Preparar(args[1], std::stoi(args[2]));
    if (!args.empty() && args[0] == "contar" && args.size() == 2)
        return Contar(args[1]);
    if (!args.empty() && args[0] == "revisar" && args.size() == 2)
        return Revisar(args[1]);
    if (!args.empty() && args[0] == "elegir" && args.size() == 2)
        return Elegir(args[1]);
    if (!args.empty() && args[0] == "sql" && args.size() == 3)
        return Sql(args[1], args[2]);
    if (!args.empty() && args[0] == "ajustar" && args.size() == 2)
        return Ajustar(args[1], false, argc, argv);
    if (!args.empty() && args[0] == "ajustar-qt" && args.size() == 2)
        return Ajustar(args[1], true, argc, argv);

    std::vector<std::int32_t> tamanos{10000, 100000, 1000000};
    int veces = 5;
    fs::path raiz = fs::temp_directory_path() / "vesmadur-banco";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--entradas" && i + 1 < args.size()) {
            tamanos.clear();
            std::istringstream lista(args[++i]);
            for (std::string t; std::getline(lista, t, ',');)
                tamanos.push_back(std::stoi(t));
        } else if (args[i] == "--carpeta" && i + 1 < args.size()) {
            raiz = args[++i];
        } else if (args[i] == "--veces" && i + 1 < args.size() && std::stoi(args[i + 1]) > 0) {
            veces = std::stoi(args[++i]);
        } else {
            std::fprintf(stderr,
                         "Uso: vesmadur-banco-ajuste [--entradas N,N,...] [--carpeta DIR] "
                         "[--veces N]\n");
            return 2;
        }
    }
    fs::create_directories(raiz);
    return Conducir(tamanos, raiz, veces);
}
