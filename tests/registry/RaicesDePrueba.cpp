#include "RaicesDePrueba.h"

#include <stdexcept>
#include <windows.h>

namespace vesmadur::prueba {

namespace {
const HKEY Raices[] = {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG};
const char* const Debajo[] = {"\\HKLM", "\\HKLM\\SOFTWARE\\Classes", "\\HKCC"};
} // namespace

RaicesDePrueba::RaicesDePrueba() {
    static int numero = 0;
    raiz_ = "Software\\VesmadurPruebas\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(numero++);
    RegDeleteTreeA(HKEY_CURRENT_USER, raiz_.c_str());
    for (int i = 0; i < 3; ++i) {
        HKEY clave = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (raiz_ + Debajo[i]).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &clave, nullptr) != ERROR_SUCCESS ||
            RegOverridePredefKey(Raices[i], clave) != ERROR_SUCCESS)
            throw std::runtime_error("no se pudo redirigir la raiz " + std::to_string(i));
        claves_[i] = clave;
    }
}

RaicesDePrueba::~RaicesDePrueba() {
    for (int i = 0; i < 3; ++i) {
        RegOverridePredefKey(Raices[i], nullptr);
        if (claves_[i])
            RegCloseKey(static_cast<HKEY>(claves_[i]));
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, raiz_.c_str());
}

} // namespace vesmadur::prueba
