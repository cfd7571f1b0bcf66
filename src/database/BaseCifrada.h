#pragma once

#include "database/ArchivosRetenidos.h"

#include <string>

struct sqlite3;

namespace vesmadur {

// How a database file is opened.
struct ModoApertura {
    // No other handle, of this process or another, opens the file until it
    // is closed.
    bool Exclusivo = true;
    bool SoloLectura = false;
    // Makes a new file; refused when anything exists at the path already.
    // Without it a missing file stays missing.
    bool Crear = false;
};

// An open encrypted database and the file it holds.
struct BaseAbierta {
    sqlite3* Base = nullptr;
    IdArchivo Id;
    ModoApertura Modo;
    // True once the session moved to the write-ahead log (see ActivarRegistroRapido).
    bool EnRegistroRapido = false;
};

// The one place where a database file is opened. Sets the key with the
// library's key call, states every cipher parameter, proves the key by
// reading the schema, recovers what a crash left beside the file, and for an
// exclusive open takes the lock at once. Any failure closes what was opened,
// gives the file back and removes a file it made (with Crear), and gives a
// BaseAbierta without Base; nothing is printed. An exception thrown on the
// way (memory exhausted) leaves just as little behind before it goes on.
BaseAbierta AbrirBaseCifrada(const std::string& ruta, const std::string& clave, ModoApertura modo);

// Moves a writable exclusive session to a write-ahead log with normal sync:
// every statement is still in the file system when it returns (it survives
// the program being killed), a power cut leaves a consistent database, and a
// commit costs no disk flush. Without the exclusive lock, or if the library
// refuses, the session stays on the rollback journal (slower, just as safe);
// a refused speed setting keeps the safer default the same way.
void ActivarRegistroRapido(BaseAbierta& base);

// Brings the file back to a self-contained rollback-journal database with
// nothing beside it, closes it and gives the file back. Always closes and
// gives the file back, also when it throws (memory exhausted); returns the
// engine's description of the first failure, or an empty text.
std::string CerrarBaseCifrada(BaseAbierta& base);

// The engine's description of the last failure on this connection.
std::string DescripcionError(sqlite3* base);

} // namespace vesmadur
