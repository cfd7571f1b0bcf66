#pragma once

#include "common/Variante.h"
#include "database/ErrorMotor.h"

#include <memory>

namespace vesmadur {

// Recordset type: a dynaset (the only kind this engine offers).
inline constexpr int dbOpenDynaset = 2;

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

} // namespace vesmadur
