#pragma once

#include "database/Database.h"

#include <memory>
#include <string>

namespace vesmadur {

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

} // namespace vesmadur
