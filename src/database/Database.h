#pragma once

#include "database/Recordset.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesmadur {

struct Conexion;

// An open database.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A dynaset on a table named as it is stored (any letter case).
    std::unique_ptr<Recordset> OpenRecordset(const std::string& tabla, int tipo = dbOpenDynaset);
    // How many rows of `tabla` (named as stored) hold `valor` in `columna`:
    // what deleting them would delete, counted without a walk. A missing
    // table or column throws ErrorMotor.
    std::int64_t ContarFilas(const std::string& tabla, const std::string& columna,
                             std::int64_t valor);
    // The numbers `columna` of `tabla` holds in more than one row (1 and 1.0
    // count as one number, as a statement's "= 1" finds both), in order. A
    // missing table or column throws ErrorMotor.
    std::vector<std::int64_t> NumerosRepetidos(const std::string& tabla,
                                               const std::string& columna);
    // Runs one statement of the Jet dialect ("DELETE * FROM", [names]). Its
    // effect is seen at once by everything that follows. A session opened
    // exclusively for writing commits its statements in groups (at most
    // 1000 statements or 50 ms: all that a kill can undo) and at its close;
    // any other commits each one. A rejected statement throws ErrorMotor and
    // changes nothing; everything run before it stays and is committed.
    void Execute(const std::string& sentencia);
    // Commits, closes the open recordsets, folds the session's log back into the
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

} // namespace vesmadur
