#pragma once

#include <string>

namespace vesmadur::prueba {

// On Windows, for as long as it lives: HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_CONFIG of this process lead to fresh empty keys below
// HKEY_CURRENT_USER\Software\VesmadurPruebas (RegOverridePredefKey), and
// HKEY_CLASSES_ROOT to the Classes key under the first, as Windows merges
// it. A test then makes the real registry calls on a registry that starts
// empty, and leaves nothing behind.
class RaicesDePrueba {
public:
    RaicesDePrueba();
    ~RaicesDePrueba();
    RaicesDePrueba(const RaicesDePrueba&) = delete;
    RaicesDePrueba& operator=(const RaicesDePrueba&) = delete;

private:
    std::string raiz_;
    void* claves_[3] = {};
};

} // namespace vesmadur::prueba
