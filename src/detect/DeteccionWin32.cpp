// What detection takes from Windows itself: the shell's special folders and
// the command line as the program was started.
#include "common/TextoWin32.h"
#include "detect/Deteccion.h"

#include <shlobj.h>
#include <windows.h>

namespace vesmadur {

std::string CarpetaEspecial(std::int32_t identificador) {
    if (identificador != CSIDL_COMMON_APPDATA)
        return {};
    char ruta[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, identificador, nullptr, SHGFP_TYPE_CURRENT, ruta) != S_OK)
        return {};
    return Utf8DeAnsi(ruta);
}

std::string TextoLineaComandos(int, const char* const*) {
    return ColaLineaComandos(Utf8DeAncho(GetCommandLineW()));
}

} // namespace vesmadur
