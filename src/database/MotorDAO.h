#pragma once

#include "database/ErrorMotor.h"
#include "common/Variante.h"

#include <memory>
#include <string>

namespace vesmadur {

// Recordset type: a dynaset (the only kind this engine offers).
inline constexpr int dbOpenDynaset = 2;

struct Conexion;

// A dynaset over one table. It keeps the keys of the rows present when it
// is populated (in blocks while walking, all at once by MoveLast) and reads
// each row's values when the row is visited, so memory grows with the keys,
// not with the rows. Changes made through Execute while it is open do not
// disturb the walk: a changed row shows its new values, and a row deleted
// meanwhile is still visited once, in its place, with every field Null
// (FilaBorrada tells it apart). Operations on a closed recordset, or on one
// whose database was closed, throw ErrorMotor.
class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // End of file: true once the cursor has moved past the last row (at
    // once when the table is empty). `EOF` itself is a C macro.
    bool Eof() const;
    void MoveNext();
    // Populates every key, then stands on the last row. On an empty table
    // it does nothing (the cursor stays at end of file).
    void MoveLast(int opciones = 0);
    // Back to the first row; on an empty table it does nothing.
    void MoveFirst();
    // Position of the current row: 0 on the first row, 100 on the last (and
    // at end of file), in proportion between them. Before full population
    // it is measured against the keys known so far.
    float PercentPosition() const;
    // The value of the current row's column at a 0-based position: text,
    // integer, double, bytes or Null.
    Variante Fields(int indice);
    // True when the current row was deleted after the cursor took its key.
    bool FilaBorrada();
    void Close();

    struct Estado;

private:
    friend class Database;
    explicit Recordset(std::unique_ptr<Estado> estado);
    std::unique_ptr<Estado> estado_;
};

// An open database. Every statement is committed when Execute returns.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A dynaset on a table named as it is stored (any letter case).
    std::unique_ptr<Recordset> OpenRecordset(const std::string& tabla, int tipo = dbOpenDynaset);
    // Runs one statement of the Jet dialect ("DELETE * FROM", [names]) and
    // commits it. A rejected statement throws ErrorMotor and changes nothing.
    void Execute(const std::string& sentencia);
    // Closes the open recordsets, folds the session's log back into the
    // file and releases it. Closing again does nothing. A failure of the
    // engine is thrown after everything has been released.
    void Close();
    // The path the database was opened with.
    const std::string& Name() const;

private:
    friend class Workspace;
    explicit Database(std::shared_ptr<Conexion> conexion);
    std::shared_ptr<Conexion> conexion_;
};

class Workspace {
public:
    // Opens an existing database file. The connect string carries the key
    // (pwd) and the locale options. Every failure (missing file, wrong key,
    // not a database, a file another process or handle holds, a malformed
    // connect string) gives an empty handle, and nothing is printed. An
    // exclusive read-only open keeps other writers out, not other readers.
    std::unique_ptr<Database> OpenDatabase(const std::string& ruta, bool exclusivo,
                                           bool soloLectura, const std::string& conexion);

private:
    friend class DBEngine;
    Workspace() = default;
};

// The engine: one per process, made on first use and kept until the end.
class DBEngine {
public:
    static DBEngine& Instancia();
    // Only workspace 0 exists; any other index throws ErrorMotor.
    Workspace& Workspaces(int indice);

private:
    DBEngine() = default;
    Workspace predeterminado_;
};

} // namespace vesmadur
