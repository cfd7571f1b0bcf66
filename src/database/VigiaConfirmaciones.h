#pragma once

namespace vesmadur {

// The moments around the commit of a group of statements (see
// Database::Execute): just before its COMMIT, and just after it succeeded.
enum class MomentoConfirmacion { Antes, Despues };

// Told, around every group commit of every database in the process, the row
// changes its session has committed so far. The command line's record of a
// run writes what each commit made permanent; trials stop the program at
// those moments. The window program sets none. Nullptr stops the telling.
using VigiaConfirmaciones = void (*)(MomentoConfirmacion momento, long long confirmados);
void VigilarConfirmaciones(VigiaConfirmaciones vigia);

} // namespace vesmadur
