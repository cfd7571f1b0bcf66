// The open of a database when memory runs out: any allocation of the C++
// code may fail, and none may leave anything behind. An executable of its
// own, as it replaces the global allocation functions: every non-aligned
// form, all on malloc and free, because the address sanitizer brings its own
// forms and one of its deallocations meeting one of our allocations would be
// reported as a mismatch. Its aligned forms pair only among themselves.

#include "ayudas/BaseDatos.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

// The allocation that fails: the Nth from when it is set (0: none).
static long quedan = 0;

// clang-format off
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return quedan > 0 && --quedan == 0 ? nullptr : std::malloc(n ? n : 1); }
void* operator new(std::size_t n) {
    if (void* p = operator new(n, std::nothrow)) return p;
    throw std::bad_alloc(); }
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
// clang-format on

namespace vesmadur {
namespace {

using namespace prueba;

// Descriptors of this process open on the file or on anything named after
// it (its journal, its log).
int DescriptoresDe(const std::string& ruta) {
    int n = 0;
    std::error_code e;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd"))
        n += fs::read_symlink(fd.path(), e).string().starts_with(ruta);
    return n;
}

// The Nth allocation of the open fails, for every N until the open gets
// through without a failure. After each one the file is neither open nor
// held: it opens exclusively at once.
TEST(MemoriaAgotada, CadaFalloDeLaAperturaLoSueltaTodo) {
    CarpetaTemporal carpeta;
    const std::string ruta = fs::canonical(Generar(carpeta, 20).RutaConfig),
                      conexion = kConexionConfiguracion;
    auto abrir = [&] {
        return DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta, true, false, conexion);
    };
    long n = 0;
    for (bool fallo = true; fallo;) {
        quedan = ++n;
        auto base = abrir();
        fallo = quedan == 0;
        quedan = 0;
        base.reset();
        ASSERT_EQ(DescriptoresDe(ruta), 0) << "asignacion " << n;
        ASSERT_NE(abrir(), nullptr) << "asignacion " << n;
    }
    EXPECT_GT(n, 10) << "la apertura apenas asigna memoria: la prueba no prueba nada";
}

} // namespace
} // namespace vesmadur
