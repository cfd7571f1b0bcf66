#pragma once

#include "database/Database.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesmadur {

// One change the adjustment run would make to an entry of "Numeros de lada".
struct CambioPlaneado {
    std::int64_t lnId = 0;
    std::string Antes;
    std::string Despues; // empty: the entry would be deleted
    // For a deletion: each "LD" table the catalogue lists for purging, in
    // catalogue order, with how many of its rows refer to the entry.
    std::vector<std::pair<std::string, std::int64_t>> Purgas;
    bool Borrar() const { return Despues.empty(); }
};

// Something a careful operator wants to know before running.
struct AvisoRevision {
    enum class Tipo {
        SigueAntigua, // the result still has an old prefix ("0101234" gives "01234")
        Repetida,     // two entries would end with the same number
        Caracteres,   // blanks, separators or letters in the number
        Purga,        // deleting the entry deletes rows of "LD" tables
        SinClave,     // an old-style entry whose key is not a number, or is shared: left alone
    };
    Tipo Clase;
    std::int64_t lnId = 0;
    std::string Texto;
};

// What the adjustment run would do, found without changing anything.
struct RevisionAjuste {
    bool Abierta = false;
    std::string Error; // why the review stopped, when it did
    std::int64_t Filas = 0;
    // Old-style entries, as the count finds them (a shared or odd key included).
    std::int64_t Antiguas = 0;
    std::vector<CambioPlaneado> Cambios;
    std::vector<AvisoRevision> Avisos;
    std::int64_t Actualizaciones = 0, Borrados = 0, FilasPurgadas = 0;
};

// Walks "Numeros de lada" of the configuration database at `rutaConfig`
// exactly as the adjustment run does, opened exclusively but only for
// reading, and lists every change the run would make, in the run's order,
// with the warnings; the file is not written. The handle is empty afterwards.
RevisionAjuste RevisarMarcaciones(std::unique_ptr<Database>& base, const std::string& rutaConfig);

// The words of a warning's kind, for lists and machine-readable output.
const char* NombreAviso(AvisoRevision::Tipo tipo);

} // namespace vesmadur
