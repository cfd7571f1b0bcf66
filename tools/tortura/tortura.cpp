// Kill trials: the adjustment run and the restore killed with SIGKILL, at
// random moments, at each file-system call of interest (every sync, rename,
// unlink and truncate of the engine and of the file layer) and right after
// each group commit of the engine, on a
// generated installation with "LD" tables. A benchmark-like tool, not a
// test: it prints its figures and fails when a trial lost something.
//
//   vesmadur-tortura [--ensayos N] [--entradas N] [--carpeta DIR] [--semilla S]
//
// N random-moment trials of each run (100 unless told), plus one trial per
// call of interest. After each trial: the database opens with its password
// and passes the integrity check; every entry is as before or exactly
// rewritten; no entry is gone while a purged table's rows refer to it; every
// file carrying a backup name is byte-identical to the database it copied;
// after a restore the live file is the old database or the backup, whole;
// and a new run completes.
#include "backup/RespaldoEnReposo.h"
#include "backup/Restauracion.h"
#include "database/Configuracion.h"
#include "database/VigiaConfirmaciones.h"
#include "database/VfsConFallos.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"
#include "files/Reloj.h"
#include "generador/GeneradorInstalacion.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sqlcipher/sqlite3.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace vesmadur;

namespace {

using Cronometro = std::chrono::steady_clock;

[[noreturn]] void Fallar(const std::string& mensaje) {
    std::fprintf(stderr, "vesmadur-tortura: %s\n", mensaje.c_str());
    std::exit(2);
}

std::string Leer(const fs::path& ruta) {
    std::ifstream archivo(ruta, std::ios::binary);
    std::ostringstream texto;
    texto << archivo.rdbuf();
    return texto.str();
}

void Escribir(const fs::path& ruta, const std::string& datos) {
    std::ofstream(ruta, std::ios::binary | std::ios::trunc) << datos;
}

// The file layer's disk, killing the process before its Nth sync, rename or
// unlink.
struct DiscoMortal final : Disco {
    long long Enesima = 0, Vistas = 0;
    void Quizas() {
        if (++Vistas == Enesima)
            ::kill(::getpid(), SIGKILL);
    }
    int Sincronizar(int fd) override { return Quizas(), Disco::Sincronizar(fd); }
    int Renombrar(const char* o, const char* d) override { return Quizas(), Disco::Renombrar(o, d); }
    int RenombrarSinReemplazar(const char* o, const char* d) override {
        return Quizas(), Disco::RenombrarSinReemplazar(o, d);
    }
    int Borrar(const char* r) override { return Quizas(), Disco::Borrar(r); }
};

// The installation under trial: its folder, and what its database held.
struct Banco {
    fs::path Carpeta;
    std::string Original; // the database's bytes before any run
    std::string Ajustada; // after a complete run
    std::map<long long, std::optional<std::string>> Numeros;
    fs::path Config() const { return Carpeta / "config/tablas.orv"; }
};

// What a trial's child does, given the killing plan it arms first.
enum class Trabajo { Ajuste, Restauracion };
struct Plan {
    enum { Azar, Motor, Archivos, Confirmacion } Donde = Azar;
    OperacionVfs Operacion = OperacionVfs::Sincronizar;
    long long Enesima = 0;
};

// In the child: how many group commits it made, and at which one it dies.
long long gConfirmaciones = 0, gMuerteEnConfirmacion = 0;

// In the child: the adjustment run with its backup, or the restore of the
// backup `respaldo`; returns normally when not killed. With `cuentas`, it
// writes there how many calls of interest it made: the engine's syncs,
// truncates and deletes, its group commits, and the file layer's syncs,
// renames and unlinks.
int Hijo(const Banco& banco, Trabajo trabajo, const Plan& plan, const fs::path& respaldo,
         const fs::path& cuentas = {}) {
    DiscoMortal disco;
    if (plan.Donde == Plan::Motor)
        ArmarMuerteVfs(plan.Operacion, plan.Enesima);
    else
        ArmarFallosVfs(OperacionVfs::Leer, 0, false); // counts only
    if (plan.Donde == Plan::Archivos)
        disco.Enesima = plan.Enesima;
    // Group commits are counted; with that plan the child dies right after
    // the Nth one, where a kill leaves exactly what was committed.
    gMuerteEnConfirmacion = plan.Donde == Plan::Confirmacion ? plan.Enesima : 0;
    VigilarConfirmaciones([](MomentoConfirmacion momento, long long) {
        if (momento == MomentoConfirmacion::Despues && ++gConfirmaciones == gMuerteEnConfirmacion)
            ::kill(::getpid(), SIGKILL);
    });
    int resultado = 1;
    if (trabajo == Trabajo::Restauracion) {
        resultado = ReemplazarConfiguracion(respaldo.string(), banco.Config().string(), disco) ? 0 : 1;
    } else {
        RelojSistema reloj;
        DatosAjuste datos;
        datos.DirInstalacion = banco.Carpeta.string() + "/";
        datos.RutaConfig = banco.Config().string();
        std::string rutaRespaldo = respaldo.string();
        datos.Respaldar = [&] {
            return RespaldarBaseEnReposo(datos.RutaConfig, datos.DirInstalacion, rutaRespaldo,
                                         reloj, disco);
        };
        InformeEnTexto panel;
        std::unique_ptr<Database> base;
        resultado = AjustarMarcaciones(base, datos, panel).Completa ? 0 : 1;
    }
    if (!cuentas.empty())
        std::ofstream(cuentas) << OperacionesVfsVistas(OperacionVfs::Sincronizar) << ' '
                               << OperacionesVfsVistas(OperacionVfs::Truncar) << ' '
                               << OperacionesVfsVistas(OperacionVfs::Borrar) << ' '
                               << gConfirmaciones << ' ' << disco.Vistas;
    return resultado;
}

// The rows of a query (a number, a text), through the library with the key,
// after the integrity check; nullopt when it does not open or is damaged.
std::optional<std::multimap<long long, std::string>> Filas(const fs::path& ruta,
                                                            const std::string& consulta) {
    sqlite3* base = nullptr;
    std::optional<std::multimap<long long, std::string>> filas;
    // Opened for writing, as the program opens it: what a kill left beside
    // the file (a journal, a log) is recovered first.
    if (sqlite3_open_v2(ruta.c_str(), &base, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_exec(base, "PRAGMA key = 'KVTR5316';", nullptr, nullptr, nullptr) == SQLITE_OK) {
        sqlite3_stmt* orden = nullptr;
        std::string integridad;
        if (sqlite3_prepare_v2(base, "PRAGMA integrity_check", -1, &orden, nullptr) == SQLITE_OK &&
            sqlite3_step(orden) == SQLITE_ROW)
            integridad = reinterpret_cast<const char*>(sqlite3_column_text(orden, 0));
        sqlite3_finalize(orden);
        if (integridad == "ok" &&
            sqlite3_prepare_v2(base, consulta.c_str(), -1, &orden, nullptr) == SQLITE_OK) {
            filas.emplace();
            while (sqlite3_step(orden) == SQLITE_ROW) {
                const auto* texto = sqlite3_column_text(orden, 1);
                filas->emplace(sqlite3_column_int64(orden, 0),
                               texto ? reinterpret_cast<const char*>(texto) : "\x01null");
            }
            sqlite3_finalize(orden);
        }
    }
    sqlite3_close(base);
    return filas;
}

// What a trial left, judged: empty when nothing was lost, else what was.
std::string Juzgar(const Banco& banco, Trabajo trabajo, const std::string& respaldoDatos) {
    const fs::path config = banco.Config();
    const std::string vivo = Leer(config);
    if (trabajo == Trabajo::Restauracion) {
        if (vivo != banco.Original && vivo != respaldoDatos)
            return "la configuracion no es ni la anterior ni el respaldo";
        return {};
    }
    const auto numeros = Filas(config, "SELECT lnId, telefono FROM \"Numeros de lada\"");
    if (!numeros)
        return "la base no abre o no pasa la revision de integridad";
    for (const auto& [lnId, antes] : banco.Numeros) {
        const auto it = numeros->find(lnId);
        const std::string previo = antes.value_or("\x01null");
        const std::string ajustado = antes ? AjustarNumero(*antes) : previo;
        if (it == numeros->end()) {
            if (!ajustado.empty())
                return "la entrada " + std::to_string(lnId) + " desaparecio";
            continue;
        }
        if (it->second != previo && it->second != ajustado)
            return "la entrada " + std::to_string(lnId) + " quedo como '" + it->second + "'";
    }
    // A deleted entry leaves no rows in the purged tables.
    const auto purgadas =
        Filas(config, "SELECT numero, 'x' FROM \"Tablas de ladas\" WHERE depurar > 0");
    if (!purgadas || purgadas->empty())
        return "el catalogo no se puede leer";
    for (const auto& [numero, x] : *purgadas) {
        const std::string tabla = "LD" + std::to_string(numero);
        const auto huerfanas =
            Filas(config, "SELECT l.idLada, 'x' FROM " + tabla + " l LEFT JOIN \"Numeros de "
                          "lada\" n ON n.lnId = l.idLada WHERE n.lnId IS NULL");
        if (!huerfanas)
            return tabla + " no se puede leer";
        if (!huerfanas->empty())
            return "filas de " + tabla + " se refieren a la entrada borrada " +
                   std::to_string(huerfanas->begin()->first);
    }
    for (const auto& e : fs::directory_iterator(banco.Carpeta / "config")) {
        const auto nombre = e.path().filename().string();
        if (nombre.ends_with(".resp") && Leer(e.path()) != banco.Original)
            return "el respaldo " + nombre + " no es igual a la base que copio";
    }
    return {};
}

// How many trials' children were killed before they ended, and how long the
// last child lived.
int gMuertos = 0;
std::chrono::microseconds gDuracion{0};

// One trial: a child runs the work and is killed by `plan` or after
// `espera`; then the leftovers are judged and, for an adjustment, a new run
// must complete. Gives the judgement.
std::string Ensayo(Banco& banco, Trabajo trabajo, const Plan& plan,
                   std::optional<std::chrono::microseconds> espera, const fs::path& cuentas = {}) {
    const fs::path carpetaConfig = banco.Carpeta / "config";
    fs::remove_all(carpetaConfig);
    fs::create_directories(carpetaConfig);
    Escribir(banco.Config(), banco.Original);
    const fs::path respaldo = carpetaConfig / "tablas20190715-093012.resp";
    if (trabajo == Trabajo::Restauracion)
        Escribir(respaldo, banco.Ajustada);

    std::fflush(nullptr);
    const auto inicio = Cronometro::now();
    const pid_t hijo = ::fork();
    if (hijo == 0)
        ::_exit(Hijo(banco, trabajo, plan, respaldo, cuentas));
    if (espera) {
        std::this_thread::sleep_for(*espera);
        ::kill(hijo, SIGKILL);
    }
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    gMuertos += WIFSIGNALED(estado);
    gDuracion = std::chrono::duration_cast<std::chrono::microseconds>(Cronometro::now() - inicio);
    const std::string juicio =
        Juzgar(banco, trabajo, trabajo == Trabajo::Restauracion ? banco.Ajustada : "");
    if (!juicio.empty() || trabajo == Trabajo::Restauracion)
        return juicio;
    // A new run completes and leaves the database adjusted.
    fs::remove(respaldo);
    for (const auto& e : fs::directory_iterator(carpetaConfig))
        if (e.path().filename().string().ends_with(".resp"))
            fs::remove(e.path());
    const pid_t otra = ::fork();
    if (otra == 0)
        ::_exit(Hijo(banco, Trabajo::Ajuste, {}, respaldo));
    ::waitpid(otra, &estado, 0);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0)
        return "una nueva corrida no termino";
    const auto numeros = Filas(banco.Config(), "SELECT lnId, telefono FROM \"Numeros de lada\"");
    for (const auto& [lnId, numero] : *numeros)
        if (EsMarcacionAntigua(numero))
            return "tras la nueva corrida la entrada " + std::to_string(lnId) + " sigue antigua";
    return {};
}

} // namespace

int main(int argc, char** argv) {
    int ensayos = 100, entradas = 3000;
    unsigned semilla = 2019;
    fs::path raiz = fs::temp_directory_path() / "vesmadur-tortura";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ensayos" && i + 1 < argc)
            ensayos = std::atoi(argv[++i]);
        else if (a == "--entradas" && i + 1 < argc)
            entradas = std::atoi(argv[++i]);
        else if (a == "--carpeta" && i + 1 < argc)
            raiz = argv[++i];
        else if (a == "--semilla" && i + 1 < argc)
            semilla = static_cast<unsigned>(std::atoi(argv[++i]));
        else
            Fallar("uso: vesmadur-tortura [--ensayos N] [--entradas N] [--carpeta DIR] [--semilla S]");
    }
    fs::remove_all(raiz);
    Banco banco;
    banco.Carpeta = raiz / "orvanto";
    OpcionesGenerador opciones;
    opciones.Entradas = entradas;
    opciones.ParteAntigua = 0.5;
    opciones.ParteSoloPrefijo = 0.05;
    opciones.TablasLD = 3;
    opciones.ReferenciasPorEntrada = 2;
    GenerarInstalacion(banco.Carpeta, opciones);
    banco.Original = Leer(banco.Config());
    {
        const auto filas = Filas(banco.Config(), "SELECT lnId, telefono FROM \"Numeros de lada\"");
        for (const auto& [lnId, numero] : *filas)
            banco.Numeros[lnId] =
                numero == "\x01null" ? std::nullopt : std::optional<std::string>(numero);
    }

    // A complete run, whose result the restore trials put back.
    if (const auto juicio = Ensayo(banco, Trabajo::Ajuste, {}, std::nullopt); !juicio.empty())
        Fallar("la corrida sin matar: " + juicio);
    banco.Ajustada = Leer(banco.Config());
    std::chrono::microseconds duracion{0};

    std::map<std::string, std::pair<int, int>> figuras; // kind: trials, losses
    int perdidas = 0;
    const auto anotar = [&](const std::string& clase, const std::string& juicio) {
        auto& [n, malos] = figuras[clase];
        ++n;
        if (!juicio.empty()) {
            ++malos, ++perdidas;
            std::printf("PERDIDA  %s: %s\n", clase.c_str(), juicio.c_str());
        }
    };
    std::mt19937 azar(semilla);
    for (const Trabajo trabajo : {Trabajo::Ajuste, Trabajo::Restauracion}) {
        const char* nombre = trabajo == Trabajo::Ajuste ? "ajuste" : "restauracion";
        // Kills fall anywhere in the life of a child that is left alone.
        const fs::path cuentas = raiz / "cuentas.txt";
        if (const auto juicio = Ensayo(banco, trabajo, {}, std::nullopt, cuentas); !juicio.empty())
            Fallar(std::string(nombre) + " sin matar: " + juicio);
        duracion = std::max(duracion, gDuracion);
        std::uniform_int_distribution<long long> momento(0, gDuracion.count());
        for (int i = 0; i < ensayos; ++i)
            anotar(std::string(nombre) + " al azar",
                   Ensayo(banco, trabajo, {}, std::chrono::microseconds(momento(azar))));
        // Every call of interest, counted in the run left alone.
        long long llamadas[5] = {};
        std::ifstream(cuentas) >> llamadas[0] >> llamadas[1] >> llamadas[2] >> llamadas[3] >>
            llamadas[4];
        const OperacionVfs motor[] = {OperacionVfs::Sincronizar, OperacionVfs::Truncar,
                                      OperacionVfs::Borrar};
        const char* donde[] = {"sync del motor", "truncado del motor", "borrado del motor",
                               "confirmacion de grupo",
                               "sync, rename o unlink de archivos"};
        for (int m = 0; m < 5; ++m)
            for (long long n = 1; n <= llamadas[m]; ++n) {
                const Plan plan = m < 3    ? Plan{Plan::Motor, motor[m], n}
                                  : m == 3 ? Plan{Plan::Confirmacion, OperacionVfs::Leer, n}
                                           : Plan{Plan::Archivos, OperacionVfs::Leer, n};
                anotar(std::string(nombre) + " en " + donde[m], Ensayo(banco, trabajo, plan, std::nullopt));
            }
    }
    std::printf("%-40s %8s %8s\n", "ensayos", "hechos", "perdidas");
    int total = 0;
    for (const auto& [clase, cuenta] : figuras) {
        std::printf("%-40s %8d %8d\n", clase.c_str(), cuenta.first, cuenta.second);
        total += cuenta.first;
    }
    std::printf("resumen ensayos=%d matados=%d perdidas=%d vida_maxima_ms=%lld\n", total,
                gMuertos, perdidas, static_cast<long long>(duracion.count() / 1000));
    fs::remove_all(raiz);
    return perdidas == 0 ? 0 : 1;
}
