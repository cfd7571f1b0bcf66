#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace vesmadur {

// What a demo configuration database holds. Shares are fractions of the
// entry count, drawn per entry.
struct OpcionesGenerador {
    std::int32_t Entradas = 1000;
    // Entries with an old prefix ("01", "044" or "045") before ten digits.
    double ParteAntigua = 0.3;
    // Entries that are exactly "01", "044" or "045".
    double ParteSoloPrefijo = 0.01;
    // Entries whose number is Null.
    double ParteNula = 0.01;
    // "LD" tables listed in "Tablas de ladas"; every third one is listed
    // with 0 in its third column (not purged), the others with 1.
    std::int32_t TablasLD = 6;
    // Rows of the "LD" tables per entry, spread over the tables.
    double ReferenciasPorEntrada = 1.0;
    std::uint64_t Semilla = 1;
};

struct TablaGenerada {
    std::int32_t Numero = 0;
    std::int32_t Depurar = 0;
    std::int64_t Filas = 0;
};

// What was written, for the caller to check against.
struct ResumenGenerado {
    std::filesystem::path RutaConfig;
    std::int32_t Entradas = 0;
    // Old-style entries, bare prefixes included: what the count must find.
    std::int32_t Antiguas = 0;
    std::int32_t SoloPrefijo = 0;
    std::int32_t Nulas = 0;
    std::vector<TablaGenerada> Tablas;
    std::int64_t Referencias = 0;
};

class ErrorGenerador : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes a new encrypted configuration database at `archivo` with the
// configuration password. Never overwrites: an existing file is an error.
// The same options always give the same rows. Throws ErrorGenerador, and
// leaves no file behind, on any failure.
ResumenGenerado GenerarBaseConfiguracion(const std::filesystem::path& archivo,
                                         const OpcionesGenerador& opciones);

// Writes an installation folder: `carpeta`/config/tablas.orv (folders made
// as needed).
ResumenGenerado GenerarInstalacion(const std::filesystem::path& carpeta,
                                   const OpcionesGenerador& opciones);

} // namespace vesmadur
