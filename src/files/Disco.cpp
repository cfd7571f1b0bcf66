#include "files/Disco.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesmadur {

int Disco::Abrir(const char* ruta, int banderas, mode_t modo) {
    return ::open(ruta, banderas, modo);
}

ssize_t Disco::Leer(int fd, void* datos, std::size_t tamano) {
    return ::read(fd, datos, tamano);
}

ssize_t Disco::Escribir(int fd, const void* datos, std::size_t tamano) {
    return ::write(fd, datos, tamano);
}

int Disco::Sincronizar(int fd) {
    return ::fsync(fd);
}

int Disco::CambiarPermisos(int fd, mode_t modo) {
    return ::fchmod(fd, modo);
}

int Disco::Cerrar(int fd) {
    return ::close(fd);
}

int Disco::Renombrar(const char* origen, const char* destino) {
    return ::rename(origen, destino);
}

int Disco::RenombrarSinReemplazar(const char* origen, const char* destino) {
    if (::renameat2(AT_FDCWD, origen, AT_FDCWD, destino, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
    // The file system cannot rename without replacing. A hard link fails on
    // an existing name just the same; the old name is then dropped.
    if (::link(origen, destino) == 0) {
        ::unlink(origen);
        return 0;
    }
    if (errno == EEXIST)
        return -1;
    // No hard links either (FAT and the like): test first. Another process
    // could take the name between the test and the rename; nothing better
    // exists on such a file system.
    struct stat datos {};
    if (::lstat(destino, &datos) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(origen, destino);
}

int Disco::Borrar(const char* ruta) {
    return ::unlink(ruta);
}

Disco& DiscoDelSistema() {
    static Disco real;
    return real;
}

} // namespace vesmadur
