#pragma once

#include <cstdint>
#include <string>

namespace vesmadur {

// Below an installation folder: the configuration folder, which holds the
// configuration database and its backups, and the database itself.
inline constexpr const char* CarpetaConfig = "config/";
inline constexpr const char* RutaRelativaConfig = "config/tablas.orv";

// What detection found: the edition, the folder holding the configuration
// database, that database's path and the name reserved for its backup.
// Edicion 0 means nothing was found; then the three texts are empty.
struct DatosInstalacion {
    std::int16_t Edicion = 0;
    std::string DirInstalacion;
    std::string RutaConfig;
    std::string RutaRespaldo;

    bool operator==(const DatosInstalacion&) const = default;
};

} // namespace vesmadur
