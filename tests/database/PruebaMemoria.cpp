// The open of a database when any C++ allocation fails. Every non-aligned global
// allocation form is replaced, on malloc and free: none meets the sanitizer's.

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

// The Nth allocation fails, for every N until the open gets through, in the
// program's open of a file and in the open that makes one: nothing is left
// open or held (the file opens exclusively at once), nor a new file that failed.
TEST(MemoriaAgotada, CadaFalloDeLaAperturaLoSueltaTodo) {
    CarpetaTemporal carpeta;
    const std::string ruta = fs::canonical(Generar(carpeta, 20).RutaConfig),
                      nueva = fs::canonical(carpeta.Ruta()) / "nueva.orv",
                      conexion = kConexionConfiguracion;
    auto abrir = [&](const std::string& archivo) {
        return DBEngine::Instancia().Workspaces(0).OpenDatabase(archivo, true, false, conexion);
    };
    for (bool crear : {false, true}) {
        long n = 0;
        for (bool fallo = true; fallo;) {
            quedan = ++n;
            auto base = crear ? nullptr : abrir(ruta);
            BaseAbierta creada;
            try {
                creada = crear ? AbrirBaseCifrada(nueva, "KVTR5316", {.Crear = true}) : creada;
            } catch (const std::bad_alloc&) {
            }
            fallo = quedan == 0;
            quedan = 0;
            base.reset();
            const bool abierta = creada.Base != nullptr;
            if (abierta)
                CerrarBaseCifrada(creada);
            const std::string& archivo = crear ? nueva : ruta;
            std::error_code e; // no descriptor on the file, its journal or its log
            for (const auto& fd : fs::directory_iterator("/proc/self/fd"))
                ASSERT_FALSE(fs::read_symlink(fd.path(), e).string().starts_with(archivo)) << n;
            ASSERT_TRUE(!fs::exists(archivo) || abrir(archivo)) << "asignacion " << n;
            ASSERT_EQ(fs::remove(nueva), abierta) << "asignacion " << n;
        }
        EXPECT_GT(n, 10) << "la apertura apenas asigna memoria: la prueba no prueba nada";
    }
}

} // namespace
} // namespace vesmadur
