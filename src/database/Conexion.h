#pragma once

// Inside the engine only: what a Database and its recordsets share.

#include "database/BaseCifrada.h"
#include "database/Database.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3_stmt;

namespace vesmadur {

struct FinalizarSentencia {
    void operator()(sqlite3_stmt* sentencia) const;
};
using SentenciaPreparada = std::unique_ptr<sqlite3_stmt, FinalizarSentencia>;

// The statements run since the last commit of an exclusive, writable
// session: one transaction, committed at its bounds (see Database.cpp).
struct GrupoCambios {
    bool Abierto = false;
    std::chrono::steady_clock::time_point Desde;
    // Their texts, to run them again if the library rolls the group back.
    std::vector<std::string> Sentencias;
    std::size_t Bytes = 0;
};

struct Conexion {
    BaseAbierta Base;
    std::string Ruta;
    // The recordsets open on this database, told of every row change.
    std::vector<Recordset::Estado*> Cursores;
    // Row changes the library reported during the statement being run.
    long long Avisos = 0;
    // Prepared statements by the shape of their text; a null one is a shape
    // that does not prepare, whose texts run as they are.
    std::unordered_map<std::string, SentenciaPreparada> Preparadas;
    GrupoCambios Grupo;
    // Row changes committed so far.
    long long Confirmados = 0;

    Conexion() = default;
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;
    // Whatever path leads here, the file is never left held (the close
    // releases it even when it throws; a destructor cannot report).
    ~Conexion() {
        try {
            Preparadas.clear();
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
