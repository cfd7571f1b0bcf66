#pragma once

#include <cstddef>
#include <sys/types.h>

namespace vesmadur {

// The operating-system calls through which files are written, renamed and
// removed. Each call behaves like the POSIX call it names: it returns -1 and
// sets errno on failure. The file-system operations do every change through
// one of these, so a test can derive from this class and make a chosen call
// fail (a full disk part-way through a copy, a failing flush or rename).
class Disco {
public:
    virtual ~Disco() = default;

    virtual int Abrir(const char* ruta, int banderas, mode_t modo);
    virtual ssize_t Leer(int fd, void* datos, std::size_t tamano);
    virtual ssize_t Escribir(int fd, const void* datos, std::size_t tamano);
    // Sends the file's data and metadata to the disk (fsync).
    virtual int Sincronizar(int fd);
    virtual int CambiarPermisos(int fd, mode_t modo);
    virtual int Cerrar(int fd);
    // Gives `origen` the name `destino`, replacing a file of that name.
    virtual int Renombrar(const char* origen, const char* destino);
    // Gives `origen` the name `destino` only when no entry of that name
    // exists (errno EEXIST otherwise); never replaces anything.
    virtual int RenombrarSinReemplazar(const char* origen, const char* destino);
    virtual int Borrar(const char* ruta);
};

// The real calls. Stateless, so one instance serves the whole program.
Disco& DiscoDelSistema();

} // namespace vesmadur
