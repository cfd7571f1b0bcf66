#pragma once

#include "files/Reloj.h"
#include "detect/DatosInstalacion.h"

#include <string>

namespace vesmadur {

// True when the database file is at rest: no process holds it (neither this
// one through the engine nor another one), and nothing a crash leaves
// beside it (a journal, a write-ahead log) makes the file alone incomplete.
// Only then is a copy of the file a consistent database. `motivo`, when
// given, receives why not.
bool BaseEnReposo(const std::string& ruta, std::string* motivo = nullptr);

// The backup of an adjustment run: refused unless the database is at rest,
// then the verified copy of RespaldarConfiguracion. The database is kept at
// rest during the copy: this process's engine cannot open it, and another
// process can read it but not start writing it.
bool RespaldarBaseEnReposo(DatosInstalacion& datos, const Reloj& reloj);

} // namespace vesmadur
