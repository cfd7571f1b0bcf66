#pragma once

// Inside the engine only: what a Database and its recordsets share.

#include "database/BaseCifrada.h"
#include "database/Database.h"
#include "database/FormaSentencia.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3_stmt;

namespace vesmadur {

struct Conexion;

struct FinalizarSentencia {
    void operator()(sqlite3_stmt* sentencia) const;
};
using SentenciaPreparada = std::unique_ptr<sqlite3_stmt, FinalizarSentencia>;

// A prepared statement the connection keeps between uses, lent to one user at a time.
struct PreparadaGuardada {
    SentenciaPreparada Sentencia;
    bool Prestada = false;
};

// A prepared statement of a text, for one user at a time: the one the
// connection keeps for that text when it is free, otherwise a new one (kept
// for the next user while the connection has room for it). Parsing a text
// again costs more than running it, and a run uses few texts many times.
class SentenciaPrestada {
public:
    SentenciaPrestada() = default;
    // Without a statement (Get() null) when the text does not prepare; the
    // library's description of why is then its last error. A text used
    // once (`guardar` false) is never kept.
    SentenciaPrestada(Conexion& conexion, const std::string& texto, bool guardar = true) {
        Tomar(conexion, texto, guardar);
    }
    ~SentenciaPrestada() { Devolver(); }
    SentenciaPrestada(const SentenciaPrestada&) = delete;
    SentenciaPrestada& operator=(const SentenciaPrestada&) = delete;

    // The same, in place of the statement it held (given back first); false
    // when the text does not prepare.
    bool Tomar(Conexion& conexion, const std::string& texto, bool guardar = true);
    sqlite3_stmt* Get() const { return sentencia_; }
    // Resets it, drops its bindings and gives it back (a new one that found
    // no room is finalized); gives what the reset gave: the failure, if
    // any, of its last run.
    int Devolver();

private:
    sqlite3_stmt* sentencia_ = nullptr;
    PreparadaGuardada* guardada_ = nullptr; // null: the statement is its own
};

// The statements run since the last commit of an exclusive, writable
// session: one transaction, committed at its bounds (see Database.cpp).
struct GrupoCambios {
    bool Abierto = false;
    std::chrono::steady_clock::time_point Desde;
    // Their texts one after another, and where each ends: to run them again
    // if the library rolls the group back.
    std::string Textos;
    std::vector<std::size_t> Fines;

    // Ends the group, keeping the storage for the next one.
    void Vaciar() {
        Abierto = false;
        Textos.clear();
        Fines.clear();
    }
};

struct Conexion {
    BaseAbierta Base;
    std::string Ruta;
    // The recordsets open on this database, told of every row change.
    std::vector<Recordset::Estado*> Cursores;
    // Row changes the library reported during the statement being run.
    long long Avisos = 0;
    // Prepared statements kept by their text (see SentenciaPrestada). None
    // is lent when the map is cleared.
    std::unordered_map<std::string, PreparadaGuardada> Preparadas;
    GrupoCambios Grupo;
    // The statement being run, translated and as a shape: kept to reuse
    // their storage from one statement to the next.
    std::string Traducida;
    FormaSentencia Forma;
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
