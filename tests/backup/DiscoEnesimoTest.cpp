// The file layer's disk failing at its Nth call of one kind (open, read,
// write, sync, chmod, close, rename, delete), once or from then on, swept
// over every call of the backup copy and of the restore copy: a failure is
// reported with its reason, a success leaves a whole copy, the source is
// never changed, and no half copy carries the backup's or the
// configuration's name.
#include "ayudas/BaseDatos.h"
#include "backup/Respaldo.h"
#include "backup/Restauracion.h"

#include <gtest/gtest.h>

namespace vesmadur::prueba {
namespace {

enum class Llamada { Abrir, Leer, Escribir, Sincronizar, Permisos, Cerrar, Renombrar, Borrar };
constexpr int kLlamadas = 8;
const char* const kNombres[] = {"abrir", "leer",    "escribir", "sincronizar",
                                "permisos", "cerrar", "renombrar", "borrar"};

struct DiscoEnesimo : Disco {
    Llamada Tipo = Llamada::Abrir;
    long long Enesima = 0; // 0: nothing fails
    bool Persistente = false;
    long long Vistas[kLlamadas] = {};
    long long Fallos = 0;

    bool Falla(Llamada l) {
        const long long n = ++Vistas[static_cast<int>(l)];
        const bool falla = Enesima && l == Tipo && (n == Enesima || (Persistente && n > Enesima));
        Fallos += falla;
        return falla;
    }
    static int No() { return errno = EIO, -1; }
    int Abrir(const char* r, int b, mode_t m) override {
        return Falla(Llamada::Abrir) ? No() : Disco::Abrir(r, b, m);
    }
    ssize_t Leer(int fd, void* d, std::size_t t) override {
        return Falla(Llamada::Leer) ? No() : Disco::Leer(fd, d, t);
    }
    ssize_t Escribir(int fd, const void* d, std::size_t t) override {
        return Falla(Llamada::Escribir) ? No() : Disco::Escribir(fd, d, t);
    }
    int Sincronizar(int fd) override {
        return Falla(Llamada::Sincronizar) ? No() : Disco::Sincronizar(fd);
    }
    int CambiarPermisos(int fd, mode_t m) override {
        return Falla(Llamada::Permisos) ? No() : Disco::CambiarPermisos(fd, m);
    }
    int Cerrar(int fd) override {
        // The descriptor goes all the same, as a failing close leaves it.
        if (Falla(Llamada::Cerrar)) {
            Disco::Cerrar(fd);
            return No();
        }
        return Disco::Cerrar(fd);
    }
    int Renombrar(const char* o, const char* d) override {
        return Falla(Llamada::Renombrar) ? No() : Disco::Renombrar(o, d);
    }
    int RenombrarSinReemplazar(const char* o, const char* d) override {
        return Falla(Llamada::Renombrar) ? No() : Disco::RenombrarSinReemplazar(o, d);
    }
    int Borrar(const char* r) override {
        return Falla(Llamada::Borrar) ? No() : Disco::Borrar(r);
    }
};

class CopiaConDiscoQueFalla : public testing::TestWithParam<bool> {};

TEST_P(CopiaConDiscoQueFalla, ElFalloSeDiceYNadaAMedias) {
    const bool restaurar = GetParam();
    CarpetaTemporal carpeta;
    Generar(carpeta, 300);
    const std::string config = carpeta / "tablas.orv", respaldo = carpeta / "tablas20190715-093012.resp";
    const std::string datos = LeerBytes(config);
    const RelojFijo reloj;
    // A different database to restore from: the configuration with one entry changed.
    std::string otro;
    {
        auto base = AbrirComoPrograma(config);
        base->Execute("UPDATE [Numeros de lada] SET telefono = 'cambiado' WHERE lnId = 1");
        base->Close();
        otro = LeerBytes(config);
        EscribirArchivo(config, datos);
    }
    // One copy on `disco`: whether it succeeded, after putting the files back.
    const auto copiar = [&](DiscoEnesimo& disco) {
        for (const auto& e : fs::directory_iterator(carpeta.Ruta()))
            fs::remove(e.path());
        EscribirArchivo(config, datos);
        if (restaurar) {
            EscribirArchivo(respaldo, otro);
            return static_cast<bool>(ReemplazarConfiguracion(respaldo, config, disco));
        }
        std::string destino = respaldo;
        return RespaldarConfiguracion(config, carpeta.Ruta(), destino, reloj, disco).Correcto;
    };
    long long barridos = 0;
    for (int t = 0; t < kLlamadas; ++t) {
        DiscoEnesimo cuenta;
        cuenta.Tipo = static_cast<Llamada>(t);
        ASSERT_TRUE(copiar(cuenta));
        for (const bool persistente : {false, true})
            for (long long n = 1; n <= cuenta.Vistas[t]; ++n) {
                SCOPED_TRACE(std::string(kNombres[t]) + " " + std::to_string(n) +
                             (persistente ? " en adelante" : ""));
                DiscoEnesimo disco;
                disco.Tipo = static_cast<Llamada>(t), disco.Enesima = n, disco.Persistente = persistente;
                const bool bien = copiar(disco);
                ++barridos;
                EXPECT_GT(disco.Fallos, 0) << "the point was never reached";
                // A failed read, write or flush of the copy is never a success.
                const auto tipo = static_cast<Llamada>(t);
                if (tipo == Llamada::Leer || tipo == Llamada::Escribir ||
                    tipo == Llamada::Sincronizar) {
                    EXPECT_FALSE(bien);
                }
                // Only whole files carry the names; the source stays as it was.
                const auto nombres = Nombres(carpeta.Ruta());
                for (const auto& nombre : nombres)
                    EXPECT_TRUE(nombre == "tablas.orv" || nombre == fs::path(respaldo).filename() ||
                                nombre.starts_with("."))
                        << nombre;
                if (restaurar) {
                    EXPECT_TRUE(LeerBytes(respaldo) == otro);
                    EXPECT_TRUE(LeerBytes(config) == (bien ? otro : datos)) << bien;
                } else {
                    EXPECT_TRUE(LeerBytes(config) == datos);
                    EXPECT_EQ(fs::exists(respaldo), bien);
                    if (bien) {
                        EXPECT_TRUE(LeerBytes(respaldo) == datos);
                    }
                }
            }
    }
    std::printf("%s: %lld puntos barridos\n", restaurar ? "restauracion" : "respaldo", barridos);
}

INSTANTIATE_TEST_SUITE_P(Copias, CopiaConDiscoQueFalla, testing::Values(false, true),
                         [](const auto& fila) { return fila.param ? "Restaurar" : "Respaldar"; });

} // namespace
} // namespace vesmadur::prueba
