#include "backup/BloqueoBase.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vesmadur {

namespace {

// The byte range on which the database library places its file locks:
// the pending byte, the reserved byte and the shared range after them.
constexpr off_t kPrimerByteBloqueo = 0x40000000;
constexpr off_t kBytesBloqueo = 2 + 510;

struct flock Rango(short tipo) {
    struct flock rango {};
    rango.l_type = tipo;
    rango.l_whence = SEEK_SET;
    rango.l_start = kPrimerByteBloqueo;
    rango.l_len = kBytesBloqueo;
    return rango;
}

} // namespace

std::optional<std::string> RutaReal(const std::string& ruta) {
    char real[PATH_MAX];
    if (!::realpath(ruta.c_str(), real))
        return std::nullopt;
    return std::string(real);
}

BloqueoBase::BloqueoBase(const std::string& ruta, bool escritura)
    : estado_(Tomar(ruta, escritura)) {}

ResultadoArchivo BloqueoBase::Tomar(const std::string& ruta, bool escritura) {
    fd_ = ::open(ruta.c_str(), (escritura ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return Fallar(errno, ruta + ": " + std::strerror(errno));
    struct stat datos {};
    if (::fstat(fd_, &datos) != 0 || !S_ISREG(datos.st_mode))
        return Fallar(EISDIR, ruta + " no es un archivo");
    id_ = IdArchivo::De(datos);
    // Any lock of another process, even a reader's: the database is in use.
    struct flock consulta = Rango(F_WRLCK);
    if (::fcntl(fd_, F_OFD_GETLK, &consulta) != 0)
        return Fallar(errno, ruta + ": " + std::strerror(errno));
    if (consulta.l_type != F_UNLCK)
        return Fallar(EBUSY, "otro proceso tiene abierta la base");
    struct flock bloqueo = Rango(escritura ? F_WRLCK : F_RDLCK);
    if (::fcntl(fd_, F_OFD_SETLK, &bloqueo) != 0)
        return Fallar(EBUSY, escritura ? "otro proceso tiene abierta la base"
                                       : "otro proceso empezo a escribir en la base");
    return ResultadoArchivo::Exito();
}

BloqueoBase::~BloqueoBase() {
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
}

ResultadoArchivo BloqueoBase::Fallar(int numero, std::string descripcion) {
    numeroError_ = numero;
    return ResultadoArchivo::Fallo(std::move(descripcion));
}

} // namespace vesmadur
