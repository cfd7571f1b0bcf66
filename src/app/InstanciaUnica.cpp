#include "app/InstanciaUnica.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesmadur {

InstanciaUnica::InstanciaUnica(std::filesystem::path archivoBloqueo)
    : ruta_(std::move(archivoBloqueo)) {}

InstanciaUnica::~InstanciaUnica() {
    if (descriptor_ >= 0)
        ::close(descriptor_); // closing drops the lock
}

InstanciaUnica::Resultado InstanciaUnica::Adquirir() {
    if (descriptor_ >= 0)
        return Resultado::Unica;
    // Read-only is enough for flock. No symbolic links, and no waiting on
    // something that is not a file (a FIFO would block the open). Not
    // inherited by programs we start.
    const int fd =
        ::open(ruta_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        error_ = "no se pudo abrir " + ruta_.string() + ": " + std::strerror(errno);
        return Resultado::Desconocido;
    }
    // A lock file someone else made could be held by them forever.
    struct stat datos {};
    if (::fstat(fd, &datos) != 0 || !S_ISREG(datos.st_mode) || datos.st_uid != ::geteuid()) {
        ::close(fd);
        error_ = ruta_.string() + " no es un archivo de bloqueo propio";
        return Resultado::Desconocido;
    }
    int resultado;
    do {
        resultado = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (resultado != 0 && errno == EINTR);
    if (resultado != 0) {
        const int causa = errno;
        ::close(fd);
        if (causa == EWOULDBLOCK)
            return Resultado::OtraCopia;
        error_ = "no se pudo bloquear " + ruta_.string() + ": " + std::strerror(causa);
        return Resultado::Desconocido;
    }
    descriptor_ = fd;
    return Resultado::Unica;
}

std::filesystem::path InstanciaUnica::RutaPredeterminada() {
    if (const char* ruta = std::getenv("VESMADUR_BLOQUEO"); ruta && *ruta)
        return ruta;
    // A folder only this user can write, so no one else can take the lock.
    if (const char* propia = std::getenv("XDG_RUNTIME_DIR"); propia && *propia) {
        struct stat datos {};
        if (::stat(propia, &datos) == 0 && S_ISDIR(datos.st_mode) && datos.st_uid == ::geteuid())
            return std::filesystem::path(propia) / "vesmadur.lock";
    }
    if (::geteuid() == 0)
        return "/run/vesmadur.lock";
    return "/tmp/vesmadur-" + std::to_string(::geteuid()) + ".lock";
}

} // namespace vesmadur
