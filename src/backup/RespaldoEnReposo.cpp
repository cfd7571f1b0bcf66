#include "backup/RespaldoEnReposo.h"

#include "backup/Respaldo.h"
#include "database/ArchivosRetenidos.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
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

// The file a path names, symbolic links followed: what the engine opens and
// what the copy reads. What a crash leaves lies beside that file.
std::optional<std::string> RutaReal(const std::string& ruta) {
    char real[PATH_MAX];
    if (!::realpath(ruta.c_str(), real))
        return std::nullopt;
    return std::string(real);
}

// Keeps the engine of this process away from the file while it is looked at
// and copied.
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

// A read lock on the database's lock bytes, held for as long as this object
// lives, as a reader of the database holds it: other readers may come, no
// writer can change the file. It belongs to its own open file description,
// so the copy opening and closing the file meanwhile never drops it.
class LecturaBloqueada {
public:
    explicit LecturaBloqueada(const std::string& ruta) {
        fd_ = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) {
            estado_ = ResultadoArchivo::Fallo(ruta + ": " + std::strerror(errno));
            return;
        }
        struct stat datos {};
        if (::fstat(fd_, &datos) != 0 || !S_ISREG(datos.st_mode)) {
            estado_ = ResultadoArchivo::Fallo(ruta + " no es un archivo");
            return;
        }
        id_ = IdArchivo{static_cast<std::uint64_t>(datos.st_dev),
                        static_cast<std::uint64_t>(datos.st_ino)};
        // Any lock of another process, even a reader's: the database is in use.
        struct flock consulta = Rango(F_WRLCK);
        if (::fcntl(fd_, F_OFD_GETLK, &consulta) != 0) {
            estado_ = ResultadoArchivo::Fallo(ruta + ": " + std::strerror(errno));
            return;
        }
        if (consulta.l_type != F_UNLCK) {
            estado_ = ResultadoArchivo::Fallo("otro proceso tiene abierta la base");
            return;
        }
        struct flock lectura = Rango(F_RDLCK);
        if (::fcntl(fd_, F_OFD_SETLK, &lectura) != 0) {
            estado_ = ResultadoArchivo::Fallo("otro proceso empezo a escribir en la base");
            return;
        }
    }
    ~LecturaBloqueada() {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    LecturaBloqueada(const LecturaBloqueada&) = delete;
    LecturaBloqueada& operator=(const LecturaBloqueada&) = delete;

    // Success once the lock is held; otherwise why it is not.
    const ResultadoArchivo& Estado() const { return estado_; }
    const IdArchivo& Id() const { return id_; }

private:
    static struct flock Rango(short tipo) {
        struct flock rango {};
        rango.l_type = tipo;
        rango.l_whence = SEEK_SET;
        rango.l_start = kPrimerByteBloqueo;
        rango.l_len = kBytesBloqueo;
        return rango;
    }

    int fd_ = -1;
    ResultadoArchivo estado_;
    IdArchivo id_;
};

std::optional<IdArchivo> Identidad(const std::string& ruta) {
    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode))
        return std::nullopt;
    return IdArchivo{static_cast<std::uint64_t>(datos.st_dev),
                     static_cast<std::uint64_t>(datos.st_ino)};
}

// Runs `accion` while the database at `ruta` is at rest and kept so: this
// process's engine kept away, no other process holding it, no writer able
// to start, nothing of a crash beside it. A failure with the reason otherwise.
template <class Accion> ResultadoArchivo EnReposo(const std::string& ruta, Accion&& accion) {
    const auto real = RutaReal(ruta);
    const auto id = real ? Identidad(*real) : std::nullopt;
    if (!id)
        return ResultadoArchivo::Fallo(ruta + " no es un archivo");
    // First keep this process's engine out: only then may the file be
    // opened and closed here without dropping a lock the engine holds.
    RetencionExclusiva retencion(*id);
    if (!retencion.Retenido())
        return ResultadoArchivo::Fallo("este programa tiene abierta la base");
    LecturaBloqueada lectura(*real);
    if (!lectura.Estado())
        return lectura.Estado();
    if (!(lectura.Id() == *id))
        return ResultadoArchivo::Fallo(ruta + " cambio mientras se revisaba");
    // Checked under the lock: no writer can leave one from here on.
    for (const char* resto : {"-journal", "-wal"}) {
        if (Existe(*real + resto))
            return ResultadoArchivo::Fallo("quedan restos de una sesion interrumpida: " + *real +
                                           resto);
    }
    return accion();
}

} // namespace

ResultadoArchivo BaseEnReposo(const std::string& ruta) {
    return EnReposo(ruta, [] { return ResultadoArchivo::Exito(); });
}

ResultadoArchivo RespaldarBaseEnReposo(const std::string& rutaConfig,
                                       const std::string& dirInstalacion, std::string& rutaRespaldo,
                                       const Reloj& reloj) {
    return EnReposo(rutaConfig, [&] {
        return RespaldarConfiguracion(rutaConfig, dirInstalacion, rutaRespaldo, reloj);
    });
}

} // namespace vesmadur
