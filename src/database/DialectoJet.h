#pragma once

#include <string>

namespace vesmadur {

// Rewrites one statement written in the Jet dialect into SQLite's:
//  - [bracketed names] stay bracketed, their text as it is: SQLite reads a
//    bracketed name only as a name, never (as it may a double-quoted one that
//    matches no column) as a text;
//  - "double-quoted" texts, which Jet reads as literals, become 'single-quoted'
//    ("" inside stands for one double quote, a single quote is doubled);
//  - 'single-quoted' literals pass unchanged ('' stays a doubled quote);
//  - "DELETE * FROM" at the start becomes "DELETE FROM";
//  - a closing ';' (with only blanks or more ';' after it) is dropped.
// Nothing inside a literal is touched. A literal or a bracket left open, a
// '[' inside a bracketed name, a comment, or a second statement after ';'
// throws ErrorMotor: a statement built from stored values must never turn
// into something else.
// The translation is written into `sql`, in the storage it already has.
void TraducirDialecto(const std::string& jet, std::string& sql);

} // namespace vesmadur
