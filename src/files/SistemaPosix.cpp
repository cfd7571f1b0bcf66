// The file system on POSIX: the real Disco calls and the primitives of the
// file operations.
#include "files/Disco.h"
#include "files/PrimitivasArchivo.h"
#include "files/SistemaArchivos.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
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

void SincronizarCarpeta(const std::string& carpeta) {
    int fd = ::open(carpeta.empty() ? "." : carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

namespace primitivas {

namespace {

Tipo TipoDeModo(mode_t modo) {
    return S_ISREG(modo) ? Tipo::Regular : S_ISDIR(modo) ? Tipo::Carpeta : Tipo::Otro;
}

void Llenar(const struct stat& estado, Atributos& datos) {
    datos.Clase = TipoDeModo(estado.st_mode);
    datos.Escribible = (estado.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    datos.Permisos = estado.st_mode & 0777;
    datos.Volumen = estado.st_dev;
    datos.Indice = estado.st_ino;
}

// The creation moment of a file from what statx reported. Linux file systems
// that record a birth time (ext4, xfs, btrfs, tmpfs) give it with STATX_BTIME;
// where none is recorded the moment of the last data change is used instead.
// For the files this program lists (backups it wrote in one go and never
// changes afterwards) that is the moment they were written. The inode change
// time is not used: a rename or a permission change moves it.
std::chrono::system_clock::time_point InstanteCreacion(const struct statx& datos) {
    const struct statx_timestamp& marca =
        (datos.stx_mask & STATX_BTIME) != 0 ? datos.stx_btime : datos.stx_mtime;
    auto desdeEpoca = std::chrono::seconds(marca.tv_sec) + std::chrono::nanoseconds(marca.tv_nsec);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(desdeEpoca));
}

} // namespace

bool Consultar(const std::string& ruta, bool seguirEnlace, Atributos& datos) {
    struct stat estado {};
    if ((seguirEnlace ? ::stat(ruta.c_str(), &estado) : ::lstat(ruta.c_str(), &estado)) != 0)
        return false;
    Llenar(estado, datos);
    return true;
}

bool ConsultarAbierto(int fd, Atributos& datos) {
    struct stat estado {};
    if (::fstat(fd, &estado) != 0)
        return false;
    Llenar(estado, datos);
    return true;
}

bool Rebobinar(int fd) {
    return ::lseek(fd, 0, SEEK_SET) == 0;
}

std::vector<Entrada> EntradasDeCarpeta(const std::string& carpeta, bool seguirEnlaces) {
    std::vector<Entrada> entradas;
    std::error_code error;
    std::filesystem::directory_iterator entrada(carpeta.empty() ? "." : carpeta, error), fin;
    for (; !error && entrada != fin; entrada.increment(error)) {
        const std::filesystem::path& camino = entrada->path();
        struct statx datos {};
        if (::statx(AT_FDCWD, camino.c_str(),
                    AT_STATX_SYNC_AS_STAT | (seguirEnlaces ? 0 : AT_SYMLINK_NOFOLLOW),
                    STATX_TYPE | STATX_BTIME | STATX_MTIME, &datos) != 0)
            continue;
        entradas.push_back(
            {camino.filename().string(), TipoDeModo(datos.stx_mode), InstanteCreacion(datos)});
    }
    return entradas;
}

unsigned long IdProceso() {
    return static_cast<unsigned long>(::getpid());
}

bool ProcesoTerminado(unsigned long id) {
    return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

} // namespace primitivas

} // namespace vesmadur
