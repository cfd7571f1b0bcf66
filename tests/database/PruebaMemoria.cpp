// The open of a database under memory exhaustion: every allocation of the
// C++ code may fail, and each failure must leave nothing behind. This test
// is an executable of its own because it replaces the global allocation
// functions. Every non-aligned form is replaced, all on malloc and free: the
// address sanitizer brings its own forms, and one of its deallocations
// meeting one of our allocations would be reported as a mismatch. Its
// aligned forms are left to it, and pair only among themselves.

#include "ayudas/BaseDatos.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <unistd.h>

namespace {
// The allocation that fails: the Nth from when it is set (0: none).
long quedan = 0;
} // namespace

void* operator new(std::size_t n) {
    if (quedan > 0 && --quedan == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return operator new(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return operator new(n, t);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace vesmadur {
namespace {

using namespace prueba;

// Descriptors of this process open on the file or on anything beside it
// named after it (its journal, its log).
int DescriptoresDe(const std::string& ruta) {
    int n = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        n += fs::read_symlink(e.path(), error).string().starts_with(ruta);
    }
    return n;
}

// The Nth allocation of the open fails, for every N until the open gets
// through without a failure. After each failure the file is neither open nor
// held: it opens exclusively at once.
TEST(MemoriaAgotada, CadaFalloDeLaAperturaLoSueltaTodo) {
    CarpetaTemporal carpeta;
    const std::string ruta = fs::canonical(Generar(carpeta, 20).RutaConfig);
    const std::string conexion = kConexionConfiguracion;
    auto& espacio = DBEngine::Instancia().Workspaces(0);
    long fallos = 0;
    for (long n = 1;; ++n) {
        quedan = n;
        auto base = espacio.OpenDatabase(ruta, true, false, conexion);
        const bool fallo = quedan == 0;
        quedan = 0;
        if (!fallo) {
            EXPECT_NE(base, nullptr);
            break;
        }
        ++fallos;
        base.reset();
        ASSERT_EQ(DescriptoresDe(ruta), 0) << "asignacion " << n;
        ASSERT_NE(espacio.OpenDatabase(ruta, true, false, conexion), nullptr) << "asignacion " << n;
    }
    EXPECT_GT(fallos, 10) << "la apertura apenas asigna memoria: la prueba no prueba nada";
}

} // namespace
} // namespace vesmadur
