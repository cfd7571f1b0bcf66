#pragma once

#include <string>

namespace vesmadur {

// Rewrites one statement written in the Jet dialect into SQLite's:
//  - [bracketed names] become "double-quoted" identifiers;
//  - "double-quoted" texts, which Jet reads as literals, become 'single-quoted';
//  - 'single-quoted' literals pass unchanged ('' stays a doubled quote);
//  - "DELETE * FROM" becomes "DELETE FROM".
// Nothing inside a literal is touched. A literal or a bracket left open, a
// comment or a second statement after ';' throws ErrorMotor: a statement
// built from stored values must never turn into something else.
std::string TraducirDialecto(const std::string& jet);

} // namespace vesmadur
