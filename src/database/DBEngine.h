#pragma once

#include "database/Workspace.h"

namespace vesmadur {

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
