#include "app/InstanciaUnica.h"
#include "common/TextoWin32.h"

#include <cstdlib>
#include <windows.h>

namespace vesmadur {

InstanciaUnica::InstanciaUnica(std::filesystem::path archivoBloqueo)
    : ruta_(std::move(archivoBloqueo)) {}

InstanciaUnica::~InstanciaUnica() {
    if (mutex_)
        CloseHandle(mutex_); // the last handle closed removes the mutex
}

InstanciaUnica::Resultado InstanciaUnica::Adquirir() {
    if (mutex_)
        return Resultado::Unica;
    // Not inherited by programs we start (no security attributes).
    SetLastError(ERROR_SUCCESS);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, ruta_.wstring().c_str());
    const DWORD causa = GetLastError();
    if (mutex && causa == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return Resultado::OtraCopia;
    }
    if (mutex) {
        mutex_ = mutex;
        return Resultado::Unica;
    }
    // A mutex another user made, which this one may not open, is still
    // another copy; a name held by something that is not a mutex, or not
    // valid as a name, tells nothing.
    if (causa == ERROR_ACCESS_DENIED)
        return Resultado::OtraCopia;
    error_ = "no se pudo crear el mutex " + Utf8DeAncho(ruta_.wstring()) + ": error " +
             std::to_string(causa);
    return Resultado::Desconocido;
}

std::filesystem::path InstanciaUnica::RutaPredeterminada() {
    if (const wchar_t* nombre = _wgetenv(L"VESMADUR_BLOQUEO"); nombre && *nombre)
        return nombre;
    return L"Global\\Vesmadur";
}

} // namespace vesmadur
