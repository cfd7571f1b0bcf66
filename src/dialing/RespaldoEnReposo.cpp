#include "dialing/RespaldoEnReposo.h"

#include "backup/Respaldo.h"
#include "dialing/ArchivosRetenidos.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vesmadur {

namespace {

// The byte range on which the database library places its file locks:
// the pending byte, the reserved byte and the shared range after them.
constexpr off_t kPrimerByteBloqueo = 0x40000000;
constexpr off_t kBytesBloqueo = 2 + 510;

bool Existe(const std::string& ruta) {
    struct stat datos {};
    return ::lstat(ruta.c_str(), &datos) == 0;
}

void Motivo(std::string* motivo, std::string texto) {
    if (motivo)
        *motivo = std::move(texto);
}

std::optional<IdArchivo> Identidad(const std::string& ruta) {
    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode))
        return std::nullopt;
    return IdArchivo{static_cast<std::uint64_t>(datos.st_dev),
                     static_cast<std::uint64_t>(datos.st_ino)};
}

// Keeps the engine of this process away from the file while it is copied.
class RetencionExclusiva {
public:
    explicit RetencionExclusiva(IdArchivo id) : id_(id), retenido_(RetenerArchivo(id, true)) {}
    ~RetencionExclusiva() {
        if (retenido_)
            SoltarArchivo(id_, true);
    }
    RetencionExclusiva(const RetencionExclusiva&) = delete;
    RetencionExclusiva& operator=(const RetencionExclusiva&) = delete;
    bool Retenido() const { return retenido_; }

private:
    IdArchivo id_;
    bool retenido_;
};

// Whether another process has a lock on the database's lock bytes. Opens
// the file only when this process holds no handle on it: closing any
// descriptor of a file drops every lock the process has on that file.
bool BloqueadaPorOtroProceso(const std::string& ruta, std::string* motivo) {
    const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        Motivo(motivo, ruta + ": " + std::strerror(errno));
        return true;
    }
    struct flock consulta {};
    consulta.l_type = F_WRLCK;
    consulta.l_whence = SEEK_SET;
    consulta.l_start = kPrimerByteBloqueo;
    consulta.l_len = kBytesBloqueo;
    const bool fallo = ::fcntl(fd, F_GETLK, &consulta) != 0;
    const int causa = errno;
    ::close(fd);
    if (fallo) {
        Motivo(motivo, ruta + ": " + std::strerror(causa));
        return true;
    }
    if (consulta.l_type != F_UNLCK) {
        Motivo(motivo,
               "otro proceso (" + std::to_string(consulta.l_pid) + ") tiene abierta la base");
        return true;
    }
    return false;
}

} // namespace

bool BaseEnReposo(const std::string& ruta, std::string* motivo) {
    const auto id = Identidad(ruta);
    if (!id) {
        Motivo(motivo, ruta + " no es un archivo");
        return false;
    }
    for (const char* resto : {"-journal", "-wal"}) {
        if (Existe(ruta + resto)) {
            Motivo(motivo, "quedan restos de una sesion interrumpida: " + ruta + resto);
            return false;
        }
    }
    RetencionExclusiva retencion(*id);
    if (!retencion.Retenido()) {
        Motivo(motivo, "este programa tiene abierta la base");
        return false;
    }
    return !BloqueadaPorOtroProceso(ruta, motivo);
}

bool RespaldarBaseEnReposo(DatosInstalacion& datos, const Reloj& reloj) {
    if (!BaseEnReposo(datos.RutaConfig))
        return false;
    const auto id = Identidad(datos.RutaConfig);
    if (!id)
        return false;
    RetencionExclusiva retencion(*id);
    if (!retencion.Retenido())
        return false;
    return RespaldarConfiguracion(datos, reloj);
}

} // namespace vesmadur
