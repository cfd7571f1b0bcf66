// The open of a database when memory runs out: any allocation of the C++
// code may fail, and none may leave anything behind. Its own executable, as
// it replaces every non-aligned global allocation form, all on malloc and
// free: the address sanitizer brings its own forms, and one of its
// deallocations meeting one of our allocations would be reported.

#include "ayudas/BaseDatos.h"
#include "database/BaseCifrada.h"

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

// The Nth allocation fails, for every N until the open gets through: the
// program's open of an existing file, and the open that makes a new file.
// After each, nothing is open or held (the file opens exclusively at once),
// and a new file that did not open is gone.
TEST(MemoriaAgotada, CadaFalloDeLaAperturaLoSueltaTodo) {
    CarpetaTemporal carpeta;
    const std::string ruta = fs::canonical(Generar(carpeta, 20).RutaConfig),
                      nueva = fs::canonical(carpeta.Ruta()) / "nueva.orv",
                      conexion = kConexionConfiguracion;
    auto abrir = [&](const std::string& archivo) {
        return DBEngine::Instancia().Workspaces(0).OpenDatabase(archivo, true, false, conexion);
    };
    for (bool crear : {false, true}) {
        const std::string& archivo = crear ? nueva : ruta;
        long n = 0;
        for (bool fallo = true; fallo;) {
            quedan = ++n;
            auto base = crear ? nullptr : abrir(ruta);
            BaseAbierta creada;
            if (crear) {
                try {
                    creada = AbrirBaseCifrada(nueva, "KVTR5316", {.Crear = true});
                } catch (const std::bad_alloc&) {
                }
            }
            fallo = quedan == 0;
            quedan = 0;
            base.reset();
            const bool abierta = creada.Base != nullptr;
            if (abierta)
                CerrarBaseCifrada(creada);
            ASSERT_EQ(DescriptoresDe(archivo), 0) << "asignacion " << n;
            ASSERT_EQ(fs::exists(archivo), !crear || abierta) << "asignacion " << n;
            ASSERT_TRUE(!fs::exists(archivo) || abrir(archivo)) << "asignacion " << n;
            fs::remove(nueva);
        }
        EXPECT_GT(n, 10) << "la apertura apenas asigna memoria: la prueba no prueba nada";
    }
}

} // namespace
} // namespace vesmadur
