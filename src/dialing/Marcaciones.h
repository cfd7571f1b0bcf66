#pragma once

#include "common/Variante.h"
#include "database/Database.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesmadur {

// True when the stored number still carries a prefix the new dialing plan
// dropped: it begins with "01", "044" or "045", compared exactly as stored
// (no trimming). Null is never old-style.
bool EsMarcacionAntigua(std::string_view telefono);
bool EsMarcacionAntigua(const Variante& telefono);
inline bool EsMarcacionAntigua(const std::string& telefono) {
    return EsMarcacionAntigua(std::string_view(telefono));
}
inline bool EsMarcacionAntigua(const char* telefono) {
    return EsMarcacionAntigua(std::string_view(telefono));
}

// The number without its old prefix: "01" first, else "044" or "045";
// exactly one prefix goes, and any other text comes back unchanged.
std::string AjustarNumero(std::string_view telefono);

// A key or table number as the statements write it: an integer, or nothing
// when the stored value is not one (such a value is never pasted into a
// statement).
std::optional<std::int64_t> ClaveEntrada(const Variante& valor);

// The "LD" tables a deletion purges: the catalogue's rows whose third column
// is greater than 0, as "LD" and their number, in catalogue order, up to the
// first row whose number is not one; `Error` then names that row, and a
// deletion purges the tables before it and stops there.
struct TablasDePurga {
    std::vector<std::string> Tablas;
    std::string Error;
};
TablasDePurga LeerTablasDePurga(Database& base);

// Counts the old-style entries of table "Numeros de lada" in the
// configuration database at `rutaConfig`, opening and closing it through
// `base`. 0 when the database cannot be opened or read; the handle is empty
// afterwards in every case.
std::int32_t ContarMarcaciones(std::unique_ptr<Database>& base, const std::string& rutaConfig);

} // namespace vesmadur
