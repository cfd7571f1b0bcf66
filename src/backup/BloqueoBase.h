#pragma once

#include "database/ArchivosRetenidos.h"
#include "files/ResultadoArchivo.h"

#include <optional>
#include <string>

namespace vesmadur {

// The file a path names, symbolic links followed: what the engine opens.
// What a crash leaves lies beside that file. Nothing when it cannot be found.
std::optional<std::string> RutaReal(const std::string& ruta);

// A lock on the byte range where the database library places its file
// locks, taken only while no other process holds any lock there, and held
// for as long as this object lives. A read lock is what a reader of the
// database holds: other readers may come, no writer can change the file. A
// write lock keeps every process of the library out, readers too. The lock
// belongs to its own open file description, so opening and closing the file
// elsewhere in this process never drops it; but closing any descriptor of
// the file drops the locks this process's engine holds on it, so the engine
// is kept out first (Retencion).
class BloqueoBase {
public:
    BloqueoBase(const std::string& ruta, bool escritura);
    ~BloqueoBase();
    BloqueoBase(const BloqueoBase&) = delete;
    BloqueoBase& operator=(const BloqueoBase&) = delete;

    // Success once the lock is held; otherwise why it is not.
    const ResultadoArchivo& Estado() const { return estado_; }
    // The system's error number of a failure: EBUSY when another process
    // holds the database.
    int NumeroError() const { return numeroError_; }
    const IdArchivo& Id() const { return id_; }

private:
    ResultadoArchivo Tomar(const std::string& ruta, bool escritura);
    ResultadoArchivo Fallar(int numero, std::string descripcion);

    int fd_ = -1;
    int numeroError_ = 0;
    IdArchivo id_;
    ResultadoArchivo estado_;
};

} // namespace vesmadur
