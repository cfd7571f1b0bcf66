#pragma once

#include "files/Disco.h"
#include "files/Reloj.h"
#include "files/ResultadoArchivo.h"

#include <string>

namespace vesmadur {

// Brings the configuration database at `ruta` to rest and tells whether it
// is: no process holds it (neither this one through the engine nor another
// one), and nothing beside it makes the file alone incomplete. Only then is
// a copy of the file a consistent database. What a crash left beside it is
// dealt with only while no other process holds the database (so nobody can
// be using it): a journal that never protected a change (empty, or without
// the header magic) is removed; a journal to roll back or a write-ahead log
// is handed to the engine, whose exclusive open with the key recovers it and
// whose close leaves the file self-contained, and the file is then looked at
// again. A failure says why not, in words for a log or a support person (the
// window keeps its own): the file is missing or held, something beside it is
// not a file or cannot be read or removed, or the engine could not recover it.
ResultadoArchivo BaseEnReposo(const std::string& ruta);

// The backup of an adjustment run: refused unless the database is at rest
// or brought to rest as BaseEnReposo does, then the verified copy of
// RespaldarConfiguracion. The database is kept at
// rest during the copy: this process's engine cannot open it, and another
// process can read it but not start writing it. A failure says why.
ResultadoArchivo RespaldarBaseEnReposo(const std::string& rutaConfig,
                                       const std::string& dirInstalacion, std::string& rutaRespaldo,
                                       const Reloj& reloj, Disco& disco = DiscoDelSistema());

} // namespace vesmadur
