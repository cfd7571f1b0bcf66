#pragma once

#include "files/Disco.h"

#include <string>

namespace vesmadur {

// The outcome of putting a backup in place of the configuration database:
// success, or the step that failed with a description a person understands.
struct ResultadoRestauracion {
    enum class Paso {
        Ninguno,  // success: the configuration is now the backup
        Eliminar, // the configuration could not be replaced; it is unchanged
        Copiar    // the backup could not be copied or is not a configuration
                  // database; the configuration is unchanged
    };
    Paso Fallo = Paso::Ninguno;
    std::string Descripcion;

    explicit operator bool() const { return Fallo == Paso::Ninguno; }
};

// Replaces the configuration database `rutaConfig` by a copy of the backup
// `rutaRespaldo`, so that the configuration is never missing, half-written,
// mixed with what a crash left, or something that does not open:
// - a configuration that is read-only, not a file, or held by a process
//   (another one, or this one's engine) is not replaced (Eliminar);
// - the backup is copied to a hidden temporary file beside the configuration,
//   flushed, and must open as a configuration database with its key and hold
//   the dialing table, else the temporary file goes (Copiar);
// - only then, while the configuration stays held against every other
//   process, the journal and logs a crash left beside it are removed and the
//   copy takes its name by a rename, and the folder is flushed.
// Temporary files of ours that a dead process left in the folder are removed
// first. The backup is only read.
ResultadoRestauracion ReemplazarConfiguracion(const std::string& rutaRespaldo,
                                              const std::string& rutaConfig,
                                              Disco& disco = DiscoDelSistema());

} // namespace vesmadur
