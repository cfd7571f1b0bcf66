#pragma once

// Inside the engine only: what a Database and its recordsets share.

#include "database/BaseCifrada.h"
#include "database/Database.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesmadur {

struct Conexion {
    BaseAbierta Base;
    std::string Ruta;
    // The recordsets open on this database, told of every row change.
    std::vector<Recordset::Estado*> Cursores;
    // Row changes the library reported during the statement being run.
    long long Avisos = 0;

    Conexion() = default;
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;
    // Whatever path leads here, the file is never left held (the close
    // releases it even when it throws; a destructor cannot report).
    ~Conexion() {
        try {
            CerrarBaseCifrada(Base);
        } catch (...) {
        }
    }

    bool Abierta() const { return Base.Base != nullptr; }
};

// A recordset over the stored table `tabla` (any letter case); throws
// ErrorMotor when the table does not exist or cannot be read.
std::unique_ptr<Recordset::Estado> NuevoCursor(const std::shared_ptr<Conexion>& conexion,
                                               const std::string& tabla);
// A row of `tabla` with key `clave` was inserted or deleted, or changed
// (`actualizada`; then `clave` is its key after the change).
void AvisarCambioFila(Recordset::Estado& cursor, bool actualizada, const char* tabla,
                      std::int64_t clave);
// The values read so far may all be stale.
void OlvidarValores(Recordset::Estado& cursor);
// Releases what the cursor holds in the library; it can no longer be used.
void CerrarCursor(Recordset::Estado& cursor);

} // namespace vesmadur
