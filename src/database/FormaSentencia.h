#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vesmadur {

// A literal taken out of a statement: a text (its quotes removed, a doubled
// quote made single) or an integer that fits in 64 bits.
using Literal = std::variant<std::string, std::int64_t>;

// A statement with its literals taken out: the text with a parameter in
// place of each one, and the literals in order. Statements that differ only
// in those literals share one shape, so one prepared statement serves them.
struct FormaSentencia {
    std::string Texto;
    std::vector<Literal> Literales;
};

// Reads the shape of an INSERT, UPDATE or DELETE in SQLite's dialect into
// `forma`, in the storage it already has. Only 'texts' and plain integers
// are taken out, and only where a bound value means exactly what the literal
// meant; everything else stays in the text (reals, hexadecimal, blobs,
// integers too big for 64 bits, NULL). Gives false, and the text is to run
// as it is, when it holds what a shape could change or hide: a statement of
// another kind, a parameter of its own, a comment, a quote or bracket left
// open, a NUL byte, or ORDER BY / GROUP BY (where an integer names a column).
bool LeerForma(std::string_view sql, FormaSentencia& forma);

} // namespace vesmadur
