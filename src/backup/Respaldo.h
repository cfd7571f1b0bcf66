#pragma once

#include "files/Disco.h"
#include "files/Reloj.h"
#include "files/ResultadoArchivo.h"

#include <string>

namespace vesmadur {

// A backup is "tablas" + stamp + ".resp" in the configuration folder; the
// base is relative to the installation folder.
inline constexpr const char* BaseRespaldo = "config/tablas";
inline constexpr const char* ExtensionRespaldo = ".resp";

// The first backup path not yet taken: `carpeta`, one separator unless it
// already ends in one, `base`, the stamp of the current local time and
// `extension`. While a file of that name exists the stamp moves on by one
// second. An empty `carpeta` gives an empty text.
std::string NombreRespaldo(const std::string& carpeta, const std::string& base,
                           const std::string& extension, const Reloj& reloj);

// Copies the configuration database `rutaConfig` to the backup path
// `rutaRespaldo`. When a file of that name already exists, the path is first
// renewed with the current time below `dirInstalacion` (and `rutaRespaldo`
// updated). The copy is written under a hidden temporary name, flushed to the
// disk, read back and compared with the source, and only then given the
// backup name, which never replaces an existing entry. Success when the
// backup is complete; on failure (with its description) no file of the
// backup name was left behind, and the source is never changed. The backup
// keeps the source's permission bits. Temporary files that a killed copy
// left in the backup's folder are removed first.
ResultadoArchivo RespaldarConfiguracion(const std::string& rutaConfig,
                                        const std::string& dirInstalacion,
                                        std::string& rutaRespaldo, const Reloj& reloj,
                                        Disco& disco = DiscoDelSistema());

} // namespace vesmadur
