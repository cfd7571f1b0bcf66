#pragma once

#include "detect/DatosInstalacion.h"
#include "files/Reloj.h"
#include "files/SistemaArchivos.h"
#include "registry/OperacionesRegistro.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vesmadur {

// The special-folder identifier of the all-users application-data folder.
inline constexpr std::int32_t CSIDL_COMMON_APPDATA = 35;

// The folder of the product below the all-users application-data folder.
inline constexpr const char* SubcarpetaCompartida = "orvanto";
// The registry key (below HKEY_LOCAL_MACHINE) that holds, for each
// executable, the entry whose "path" value names its folder.
inline constexpr const char* ClaveRutasAplicacion =
    "software\\microsoft\\windows\\CurrentVersion\\app paths\\";

// Everything detection takes from outside: `main` fills it with the real
// components, tests with real ones rooted in temporary folders.
struct EntornoDeteccion {
    // The registry that holds the executables' application paths.
    OperacionesRegistro& Registro;
    // The path of a special folder by its identifier, or empty.
    std::function<std::string(std::int32_t)> CarpetaEspecial;
    // The program's arguments as one text (see TextoLineaComandos).
    std::string LineaComandos;
    // The clock that stamps the reserved backup name.
    const Reloj& Tiempo;
};

// Works out which edition is installed, where its configuration database is
// and which name the next backup will get. Only reads; never fails: whatever
// is missing gives a smaller record (edition 0 and empty texts at worst).
DatosInstalacion DetectarInstalacion(const EntornoDeteccion& entorno);

// The "path" value of the application-path entry of `ejecutable` in
// HKEY_LOCAL_MACHINE, or empty when there is none.
std::string RutaAplicacion(OperacionesRegistro& registro, const std::string& ejecutable);

// The path of a special folder; an identifier it does not know gives an
// empty text. The all-users application-data folder (35) is, on Windows,
// the one the shell names (SHGetFolderPath); elsewhere
// $VESMADUR_DATOS_COMUNES when set and not empty, else "/var/lib".
std::string CarpetaEspecial(std::int32_t identificador);

// The program's command line after its name. On Windows it is the raw tail
// of the line the program was started with (ColaLineaComandos), quotes and
// blanks as typed; elsewhere the arguments joined by single blanks.
std::string TextoLineaComandos(int argc, const char* const* argv);

// A Windows command line without the program's name and the blanks after it.
// The name ends at its closing quote when it starts with one, else at the
// first blank.
std::string ColaLineaComandos(std::string_view linea);

} // namespace vesmadur
