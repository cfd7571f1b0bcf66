#pragma once

#include "database/Database.h"

#include <memory>
#include <string>

namespace vesmadur {

// The connect string of the configuration database: locale options, then
// the password, which is the file's key.
inline constexpr const char* kConexionConfiguracion =
    ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=KVTR5316";

inline constexpr const char* kTablaNumeros = "Numeros de lada";
inline constexpr const char* kTablaCatalogo = "Tablas de ladas";

// Opens the configuration database at `rutaConfig` exclusively, read-write,
// in workspace 0, and puts it in `base`. On any failure `base` stays empty
// and nothing is shown: the caller tests the handle. A handle already held
// is closed first, so no file is ever left open behind a new one.
void AbrirConfiguracion(std::unique_ptr<Database>& base, const std::string& rutaConfig);

// Closes the database held in `base` and empties it; with an empty handle it
// does nothing. The handle is empty afterwards even when the engine reports
// a failure while closing, which is then thrown as ErrorMotor.
void CerrarConfiguracion(std::unique_ptr<Database>& base);

} // namespace vesmadur
