#pragma once

#include "app/frmVesmadur.h"
#include "detect/Deteccion.h"

namespace vesmadur {

// The real work behind the main window: detection in the registry and the
// folders of `entorno`, the count and the adjustment run on the encrypted
// configuration database, the backup stamped by the clock of `entorno`, the
// count of a backup in the chooser and the restore of the chosen one.
// `entorno` must outlive the window.
TareasVesmadur TareasDelSistema(const EntornoDeteccion& entorno);

} // namespace vesmadur
