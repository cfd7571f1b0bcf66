#pragma once

#include "files/Reloj.h"
#include "files/ResultadoArchivo.h"

#include <string>

namespace vesmadur {

// Success when the database file is at rest: no process holds it (neither
// this one through the engine nor another one), and nothing a crash leaves
// beside it (a journal, a write-ahead log) makes the file alone incomplete.
// Only then is a copy of the file a consistent database. A failure says why
// not, in words for a log or a support person (the window keeps its own).
ResultadoArchivo BaseEnReposo(const std::string& ruta);

// The backup of an adjustment run: refused unless the database is at rest,
// then the verified copy of RespaldarConfiguracion. The database is kept at
// rest during the copy: this process's engine cannot open it, and another
// process can read it but not start writing it. A failure says why.
ResultadoArchivo RespaldarBaseEnReposo(const std::string& rutaConfig,
                                       const std::string& dirInstalacion, std::string& rutaRespaldo,
                                       const Reloj& reloj);

} // namespace vesmadur
