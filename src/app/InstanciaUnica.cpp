#include "app/InstanciaUnica.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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
    // Read-only is enough for flock, and lets every user open a lock file
    // that another user created. No symbolic links: the file may sit in a
    // world-writable folder. Not inherited by programs we start.
    const int fd = ::open(ruta_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = std::string("no se pudo abrir ") + ruta_.string() + ": " + std::strerror(errno);
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
        error_ = std::string("no se pudo bloquear ") + ruta_.string() + ": " + std::strerror(causa);
        return Resultado::Desconocido;
    }
    descriptor_ = fd;
    return Resultado::Unica;
}

std::filesystem::path InstanciaUnica::RutaPredeterminada() {
    if (const char* ruta = std::getenv("VESMADUR_BLOQUEO"); ruta && *ruta)
        return ruta;
    return "/tmp/vesmadur.lock";
}

} // namespace vesmadur
