#pragma once

#include "database/Recordset.h"

#include <memory>
#include <string>

namespace vesmadur {

struct Conexion;

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

} // namespace vesmadur
