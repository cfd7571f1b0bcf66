// vesmadur-medir-motor: figures for the database engine on generated
// installations: the count at load against one set-based SQL count on the
// same file, the cost of one committed single-row statement, and the
// process's peak memory. Not a test: it prints, it does not judge.
//
//   vesmadur-medir-motor [ENTRADAS ...]     (default 10000 100000)

#include "database/BaseCifrada.h"
#include "database/CadenaConexion.h"
#include "database/Configuracion.h"
#include "dialing/Marcaciones.h"
#include "generador/GeneradorInstalacion.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sqlcipher/sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::time_point desde) {
    return std::chrono::duration<double>(Reloj::now() - desde).count();
}

long PicoMemoriaKiB() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

// The plainest SQL doing the count's work, on the same file, opened the
// same way.
long long ConteoConjunto(const std::string& ruta) {
    const auto clave = vesmadur::InterpretarConexion(vesmadur::kConexionConfiguracion)->Clave;
    auto base = vesmadur::AbrirBaseCifrada(ruta, clave, vesmadur::ModoApertura{});
    if (!base.Base)
        return -1;
    sqlite3_stmt* orden = nullptr;
    long long n = -1;
    if (sqlite3_prepare_v2(base.Base,
                           "SELECT count(*) FROM \"Numeros de lada\" WHERE substr(telefono, 1, 2) "
                           "= '01' OR substr(telefono, 1, 3) IN ('044', '045')",
                           -1, &orden, nullptr) == SQLITE_OK &&
        sqlite3_step(orden) == SQLITE_ROW)
        n = sqlite3_column_int64(orden, 0);
    sqlite3_finalize(orden);
    vesmadur::CerrarBaseCifrada(base);
    return n;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> tamanos;
    for (int i = 1; i < argc; ++i)
        tamanos.push_back(std::atoi(argv[i]));
    if (tamanos.empty())
        tamanos = {10000, 100000};

    namespace fs = std::filesystem;
    const fs::path carpeta =
        fs::temp_directory_path() / ("vesmadur-medir-" + std::to_string(getpid()));
    fs::create_directories(carpeta);

    std::printf("%10s %10s %10s %8s %12s %12s %10s\n", "entradas", "conteo s", "conjunto s",
                "razon", "sentencia us", "cerrar s", "pico MiB");
    for (int n : tamanos) {
        vesmadur::OpcionesGenerador o;
        o.Entradas = n;
        o.ParteAntigua = 0.5;
        o.ParteSoloPrefijo = 0.01;
        o.TablasLD = 20;
        const auto ruta = (carpeta / ("tablas" + std::to_string(n) + ".orv")).string();
        const auto resumen = vesmadur::GenerarBaseConfiguracion(ruta, o);

        // Warm the file cache so both counts read from memory.
        ConteoConjunto(ruta);
        auto t = Reloj::now();
        const long long conjunto = ConteoConjunto(ruta);
        const double sConjunto = Segundos(t);

        std::unique_ptr<vesmadur::Database> base;
        t = Reloj::now();
        const auto cuenta = vesmadur::ContarMarcaciones(base, ruta);
        const double sConteo = Segundos(t);
        if (cuenta != resumen.Antiguas || conjunto != cuenta)
            std::fprintf(stderr, "cuentas distintas: %d %lld %d\n", cuenta, conjunto,
                         resumen.Antiguas);

        // One committed statement at a time, as the adjustment run does.
        const int sentencias = std::min(n, 20000);
        vesmadur::AbrirConfiguracion(base, ruta);
        t = Reloj::now();
        for (int i = 1; i <= sentencias; ++i)
            base->Execute("UPDATE [Numeros de lada] SET telefono = '" + std::to_string(i) +
                          "' WHERE lnId = " + std::to_string(i));
        const double sSentencias = Segundos(t);
        t = Reloj::now();
        vesmadur::CerrarConfiguracion(base);
        const double sCerrar = Segundos(t);

        std::printf("%10d %10.3f %10.3f %8.2f %12.2f %12.3f %10.1f\n", n, sConteo, sConjunto,
                    sConteo / sConjunto, 1e6 * sSentencias / sentencias, sCerrar,
                    static_cast<double>(PicoMemoriaKiB()) / 1024.0);
        fs::remove(ruta);
    }
    fs::remove_all(carpeta);
    return 0;
}
