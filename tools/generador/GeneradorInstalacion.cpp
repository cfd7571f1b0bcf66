#include "generador/GeneradorInstalacion.h"

#include "database/BaseCifrada.h"
#include "database/CadenaConexion.h"
#include "database/Configuracion.h"
#include "dialing/Marcaciones.h"

#include <array>
#include <cmath>
#include <optional>
#include <sqlcipher/sqlite3.h>
#include <string>
#include <system_error>

namespace vesmadur {

namespace {

// A small generator with a fixed algorithm, so a seed gives the same rows
// on every platform and library version.
class Azar {
public:
    explicit Azar(std::uint64_t semilla) : estado_(semilla) {}
    std::uint64_t Siguiente() {
        std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // In [0, 1).
    double Fraccion() { return static_cast<double>(Siguiente() >> 11) * 0x1.0p-53; }
    std::uint64_t Hasta(std::uint64_t n) { return n == 0 ? 0 : Siguiente() % n; }

private:
    std::uint64_t estado_;
};

constexpr std::array<const char*, 12> kLadas = {"55",  "33",  "81",  "222", "442", "664",
                                                "998", "999", "477", "614", "871", "951"};
constexpr std::array<const char*, 12> kCiudades = {
    "Ciudad de Mexico", "Guadalajara", "Monterrey", "Puebla",    "Queretaro", "Tijuana",
    "Cancun",           "Merida",      "Leon",      "Chihuahua", "Torreon",   "Oaxaca"};
constexpr std::array<const char*, 3> kPrefijos = {"01", "044", "045"};

// A ten-digit national number: an area code and the subscriber digits.
std::string NumeroNacional(Azar& azar, std::size_t lada) {
    std::string numero = kLadas[lada];
    while (numero.size() < 10)
        numero += static_cast<char>('0' + azar.Hasta(10));
    return numero;
}

class Sentencia {
public:
    Sentencia(sqlite3* base, const std::string& sql) : base_(base) {
        if (sqlite3_prepare_v2(base, sql.c_str(), -1, &orden_, nullptr) != SQLITE_OK)
            throw ErrorGenerador(DescripcionError(base));
    }
    ~Sentencia() { sqlite3_finalize(orden_); }
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;

    void Texto(int i, const std::optional<std::string>& valor) {
        const int rc = valor ? sqlite3_bind_text(orden_, i, valor->c_str(),
                                                 static_cast<int>(valor->size()), SQLITE_TRANSIENT)
                             : sqlite3_bind_null(orden_, i);
        Verificar(rc);
    }
    void Entero(int i, std::int64_t valor) { Verificar(sqlite3_bind_int64(orden_, i, valor)); }
    void Real(int i, double valor) { Verificar(sqlite3_bind_double(orden_, i, valor)); }
    void Ejecutar() {
        if (sqlite3_step(orden_) != SQLITE_DONE)
            throw ErrorGenerador(DescripcionError(base_));
        Verificar(sqlite3_reset(orden_));
    }

private:
    void Verificar(int rc) {
        if (rc != SQLITE_OK)
            throw ErrorGenerador(DescripcionError(base_));
    }
    sqlite3* base_;
    sqlite3_stmt* orden_ = nullptr;
};

void Ejecutar(sqlite3* base, const std::string& sql) {
    if (sqlite3_exec(base, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw ErrorGenerador(DescripcionError(base));
}

void Escribir(sqlite3* base, const OpcionesGenerador& opciones, ResumenGenerado& resumen) {
    Azar azar(opciones.Semilla);
    Ejecutar(base, "BEGIN");
    Ejecutar(base, "CREATE TABLE \"Numeros de lada\" (lnId INTEGER PRIMARY KEY, telefono TEXT, "
                   "descripcion TEXT, tipo INTEGER)");
    Ejecutar(base, "CREATE TABLE \"Tablas de ladas\" (numero INTEGER PRIMARY KEY, nombre TEXT, "
                   "depurar INTEGER)");

    std::vector<std::int64_t> claves;
    claves.reserve(static_cast<std::size_t>(std::max(0, opciones.Entradas)));
    {
        Sentencia alta(base, "INSERT INTO \"Numeros de lada\" VALUES (?1, ?2, ?3, ?4)");
        std::int64_t clave = 0;
        for (std::int32_t n = 0; n < opciones.Entradas; ++n) {
            // Keys rise with an occasional gap, as after entries were removed.
            clave += azar.Fraccion() < 0.05 ? 2 : 1;
            const std::size_t lada = azar.Hasta(kLadas.size());
            const double tirada = azar.Fraccion();
            std::optional<std::string> telefono;
            std::int64_t tipo = 1;
            if (tirada < opciones.ParteNula) {
                ++resumen.Nulas;
            } else if (tirada < opciones.ParteNula + opciones.ParteSoloPrefijo) {
                telefono = kPrefijos[azar.Hasta(kPrefijos.size())];
                ++resumen.SoloPrefijo;
            } else if (tirada <
                       opciones.ParteNula + opciones.ParteSoloPrefijo + opciones.ParteAntigua) {
                const std::size_t prefijo = azar.Hasta(kPrefijos.size());
                telefono = std::string(kPrefijos[prefijo]) + NumeroNacional(azar, lada);
                tipo = prefijo == 0 ? 2 : 3;
            } else {
                telefono = NumeroNacional(azar, lada);
            }
            if (telefono && EsMarcacionAntigua(*telefono))
                ++resumen.Antiguas;
            alta.Entero(1, clave);
            alta.Texto(2, telefono);
            alta.Texto(3, std::string(kCiudades[lada]));
            alta.Entero(4, tipo);
            alta.Ejecutar();
            claves.push_back(clave);
        }
    }
    resumen.Entradas = opciones.Entradas;

    {
        Sentencia tabla(base, "INSERT INTO \"Tablas de ladas\" VALUES (?1, ?2, ?3)");
        for (std::int32_t t = 1; t <= opciones.TablasLD; ++t) {
            const std::int32_t depurar = t % 3 == 0 ? 0 : 1;
            tabla.Entero(1, t);
            tabla.Texto(2, "Ladas zona " + std::to_string(t));
            tabla.Entero(3, depurar);
            tabla.Ejecutar();
            const std::string nombre = "LD" + std::to_string(t);
            Ejecutar(base, "CREATE TABLE \"" + nombre +
                               "\" (idRegistro INTEGER PRIMARY KEY, idLada INTEGER, tarifa REAL)");
            Ejecutar(base, "CREATE INDEX \"" + nombre + "_idLada\" ON \"" + nombre + "\" (idLada)");
            resumen.Tablas.push_back({t, depurar, 0});
        }
    }

    if (opciones.TablasLD > 0 && !claves.empty()) {
        const auto total = static_cast<std::int64_t>(
            std::llround(static_cast<double>(claves.size()) * opciones.ReferenciasPorEntrada));
        std::vector<std::unique_ptr<Sentencia>> altas;
        for (const auto& t : resumen.Tablas)
            altas.push_back(
                std::make_unique<Sentencia>(base, "INSERT INTO \"LD" + std::to_string(t.Numero) +
                                                      "\" (idLada, tarifa) VALUES (?1, ?2)"));
        for (std::int64_t r = 0; r < total; ++r) {
            const auto t = azar.Hasta(altas.size());
            altas[t]->Entero(1, claves[azar.Hasta(claves.size())]);
            altas[t]->Real(2, static_cast<double>(azar.Hasta(500)) / 100.0);
            altas[t]->Ejecutar();
            ++resumen.Tablas[t].Filas;
        }
        resumen.Referencias = total;
    }
    Ejecutar(base, "COMMIT");
}

} // namespace

ResumenGenerado GenerarBaseConfiguracion(const std::filesystem::path& archivo,
                                         const OpcionesGenerador& opciones) {
    if (opciones.Entradas < 0 || opciones.TablasLD < 0 || opciones.ReferenciasPorEntrada < 0)
        throw ErrorGenerador("Opciones no validas");
    const auto conexion = InterpretarConexion(kConexionConfiguracion);
    ModoApertura modo;
    modo.Crear = true;
    BaseAbierta base = AbrirBaseCifrada(archivo.string(), conexion->Clave, modo);
    if (!base.Base)
        throw ErrorGenerador("No se pudo crear " + archivo.string());

    ResumenGenerado resumen;
    resumen.RutaConfig = archivo;
    try {
        ActivarRegistroRapido(base);
        Escribir(base.Base, opciones, resumen);
    } catch (...) {
        CerrarBaseCifrada(base);
        std::error_code ignorado;
        std::filesystem::remove(archivo, ignorado);
        throw;
    }
    const std::string error = CerrarBaseCifrada(base);
    if (!error.empty()) {
        std::error_code ignorado;
        std::filesystem::remove(archivo, ignorado);
        throw ErrorGenerador(error);
    }
    return resumen;
}

ResumenGenerado GenerarInstalacion(const std::filesystem::path& carpeta,
                                   const OpcionesGenerador& opciones) {
    std::error_code error;
    std::filesystem::create_directories(carpeta / "config", error);
    if (error)
        throw ErrorGenerador("No se pudo crear " + (carpeta / "config").string());
    return GenerarBaseConfiguracion(carpeta / "config" / "tablas.orv", opciones);
}

} // namespace vesmadur
