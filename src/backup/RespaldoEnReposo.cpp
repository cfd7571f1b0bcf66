#include "backup/RespaldoEnReposo.h"

#include "backup/BloqueoBase.h"
#include "backup/Respaldo.h"
#include "database/ArchivosRetenidos.h"
#include "database/Configuracion.h"
#include "database/ErrorMotor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vesmadur {

namespace {

std::optional<IdArchivo> Identidad(const std::string& ruta) {
    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode))
        return std::nullopt;
    return IdArchivo::De(datos);
}

// What a crash may leave beside the database: its rollback journal and its
// write-ahead log.
constexpr const char* kRestos[] = {"-journal", "-wal"};

// The first bytes of a journal header once the journal protects a change.
// The library writes them before it changes the database file (with full
// flushes the header starts zeroed and gets them when the journal is flushed,
// before the file is written; a finished journal kept for reuse is zeroed
// again).
constexpr unsigned char kMagiaDiario[] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};

// One leftover found beside the database.
enum class Resto {
    Ninguno,
    Muerto,      // a journal that never protected a change: nothing to undo
    Pendiente,   // a journal to roll back or a log to fold in: the engine's work
    NoEsArchivo, // anything but a regular file: left for a person to look at
    Ilegible     // cannot be opened: errno tells why
};

Resto Clasificar(const std::string& ruta, const char* sufijo) {
    const int fd = ::open(ruta.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT  ? Resto::Ninguno
               : errno == ELOOP ? Resto::NoEsArchivo
                                : Resto::Ilegible;
    struct stat datos {};
    unsigned char cabecera[sizeof kMagiaDiario] = {};
    const bool archivo = ::fstat(fd, &datos) == 0 && S_ISREG(datos.st_mode);
    const bool leida = archivo && ::pread(fd, cabecera, sizeof cabecera, 0) ==
                                      static_cast<ssize_t>(sizeof cabecera);
    ::close(fd);
    if (!archivo)
        return Resto::NoEsArchivo;
    // Only the engine can tell what a log holds.
    if (std::string_view(sufijo) != "-journal")
        return Resto::Pendiente;
    const bool conMagia = leida && std::memcmp(cabecera, kMagiaDiario, sizeof cabecera) == 0;
    return conMagia ? Resto::Pendiente : Resto::Muerto;
}

// Lets the engine open the database exclusively with its key, which rolls
// back a hot journal or folds a log into the file, and close it again, which
// leaves the file self-contained with nothing beside it.
bool RecuperarConElMotor(const std::string& ruta) {
    std::unique_ptr<Database> base;
    AbrirConfiguracion(base, ruta);
    if (!base)
        return false;
    try {
        CerrarConfiguracion(base);
    } catch (const ErrorMotor&) {
        return false;
    }
    return true;
}

// Runs `accion` while the database at `ruta` is at rest and kept so: this
// process's engine kept away, no other process holding it, no writer able
// to start, nothing of a crash beside it. A failure with the reason otherwise.
template <class Accion> ResultadoArchivo EnReposo(const std::string& ruta, Accion&& accion) {
    const auto real = RutaReal(ruta);
    const auto id = real ? Identidad(*real) : std::nullopt;
    if (!id)
        return ResultadoArchivo::Fallo(ruta + " no es un archivo");
    // Leftovers that need the engine are handed to it once, between a first
    // look and a second one that must find none.
    for (bool recuperado = false;; recuperado = true) {
        std::optional<std::string> pendiente;
        {
            // First keep this process's engine out: only then may the file
            // be opened and closed here without dropping a lock the engine
            // holds.
            Retencion retencion(*id, true);
            if (!retencion.Retenido())
                return ResultadoArchivo::Fallo("este programa tiene abierta la base");
            BloqueoBase lectura(*real, false);
            if (!lectura.Estado())
                return lectura.Estado();
            if (!(lectura.Id() == *id))
                return ResultadoArchivo::Fallo(ruta + " cambio mientras se revisaba");
            // Looked at under the lock: no other process holds the database,
            // so no leftover is in use, and no writer can leave one from here on.
            for (const char* sufijo : kRestos) {
                const std::string resto = *real + sufijo;
                const Resto clase = Clasificar(resto, sufijo);
                const int numero = errno;
                switch (clase) {
                case Resto::Ninguno:
                    break;
                case Resto::Muerto:
                    if (::unlink(resto.c_str()) != 0 && errno != ENOENT)
                        return ResultadoArchivo::Fallo("no se pudo quitar el diario inservible " +
                                                       resto + ": " + std::strerror(errno));
                    break;
                case Resto::Pendiente:
                    if (!pendiente)
                        pendiente = resto;
                    break;
                case Resto::Ilegible:
                    return ResultadoArchivo::Fallo("no se pudo leer " + resto + ": " +
                                                   std::strerror(numero));
                case Resto::NoEsArchivo:
                    return ResultadoArchivo::Fallo(
                        "junto a la base hay algo que no es un archivo: " + resto);
                }
            }
            if (!pendiente)
                return accion();
            if (recuperado)
                return ResultadoArchivo::Fallo("quedan restos de una sesion interrumpida: " +
                                               *pendiente);
        } // the engine needs the file to itself
        if (!RecuperarConElMotor(*real))
            return ResultadoArchivo::Fallo(
                "el motor no pudo recuperar los restos de una sesion interrumpida: " + *pendiente);
    }
}

} // namespace

ResultadoArchivo BaseEnReposo(const std::string& ruta) {
    return EnReposo(ruta, [] { return ResultadoArchivo::Exito(); });
}

ResultadoArchivo RespaldarBaseEnReposo(const std::string& rutaConfig,
                                       const std::string& dirInstalacion, std::string& rutaRespaldo,
                                       const Reloj& reloj, Disco& disco) {
    return EnReposo(rutaConfig, [&] {
        return RespaldarConfiguracion(rutaConfig, dirInstalacion, rutaRespaldo, reloj, disco);
    });
}

} // namespace vesmadur
