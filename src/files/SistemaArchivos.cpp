#include "files/SistemaArchivos.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesmadur {

namespace {

constexpr std::size_t TamanoBloque = 1 << 20;
constexpr mode_t BitsEscritura = S_IWUSR | S_IWGRP | S_IWOTH;

// A path the operating system can take: not empty and without a zero byte,
// which would silently cut it short.
bool RutaValida(const std::string& ruta) {
    return !ruta.empty() && ruta.find('\0') == std::string::npos;
}

bool Estado(const std::string& ruta, struct stat& datos) {
    return RutaValida(ruta) && ::stat(ruta.c_str(), &datos) == 0;
}

ResultadoArchivo FalloSistema(int numeroError, const std::string& ruta) {
    return ResultadoArchivo::Fallo(DescripcionError(numeroError, ruta));
}

// Repeats a call interrupted by a signal.
template <typename Llamada> auto SinInterrupcion(Llamada llamada) {
    for (;;) {
        auto resultado = llamada();
        if (resultado >= 0 || errno != EINTR)
            return resultado;
    }
}

// Writes the whole buffer, however the system splits it.
bool EscribirTodo(Disco& disco, int fd, const char* datos, std::size_t tamano) {
    while (tamano > 0) {
        ssize_t escritos = SinInterrupcion([&] { return disco.Escribir(fd, datos, tamano); });
        if (escritos < 0)
            return false;
        if (escritos == 0) {
            errno = ENOSPC;
            return false;
        }
        datos += escritos;
        tamano -= static_cast<std::size_t>(escritos);
    }
    return true;
}

// Fills the buffer as far as the file allows; returns the count read or -1.
ssize_t LeerBloque(Disco& disco, int fd, char* datos, std::size_t tamano) {
    std::size_t leidos = 0;
    while (leidos < tamano) {
        ssize_t n =
            SinInterrupcion([&] { return disco.Leer(fd, datos + leidos, tamano - leidos); });
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        leidos += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(leidos);
}

// Compares two open files from their start, byte for byte and in length.
// Returns 1 when equal, 0 when they differ, -1 when a read failed.
int CompararArchivos(Disco& disco, int fdUno, int fdOtro) {
    if (::lseek(fdUno, 0, SEEK_SET) != 0 || ::lseek(fdOtro, 0, SEEK_SET) != 0)
        return -1;
    std::vector<char> uno(TamanoBloque), otro(TamanoBloque);
    for (;;) {
        ssize_t n = LeerBloque(disco, fdUno, uno.data(), uno.size());
        ssize_t m = LeerBloque(disco, fdOtro, otro.data(), otro.size());
        if (n < 0 || m < 0)
            return -1;
        if (n != m || std::memcmp(uno.data(), otro.data(), static_cast<std::size_t>(n)) != 0)
            return 0;
        if (n == 0)
            return 1;
    }
}

// Makes the folder's new entries durable. Best effort: a folder that cannot
// be opened or flushed leaves the copy in place all the same.
void SincronizarCarpeta(const std::string& carpeta) {
    int fd = ::open(carpeta.empty() ? "." : carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Closes a descriptor on every path out of a scope unless released.
class Descriptor {
public:
    Descriptor(Disco& disco, int fd) : disco_(disco), fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            disco_.Cerrar(fd_);
    }
    int Valor() const { return fd_; }
    // Closes now and reports whether the system accepted the close.
    bool Cerrar() {
        int fd = fd_;
        fd_ = -1;
        return disco_.Cerrar(fd) == 0;
    }

private:
    Disco& disco_;
    int fd_;
};

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

std::string DescripcionError(int numeroError, const std::string& ruta) {
    std::string frase;
    switch (numeroError) {
    case ENOENT:
        frase = "No se ha encontrado el archivo";
        break;
    case ENOTDIR:
        frase = "Ruta de acceso no encontrada";
        break;
    case EACCES:
    case EPERM:
        frase = "Permiso denegado";
        break;
    case EISDIR:
        frase = "La ruta es una carpeta, no un archivo";
        break;
    case EEXIST:
        frase = "El archivo ya existe";
        break;
    case ENOSPC:
    case EDQUOT:
        frase = "No queda espacio en el disco";
        break;
    case EROFS:
        frase = "El disco solo admite lectura";
        break;
    case EBUSY:
    case ETXTBSY:
        frase = "El archivo está en uso";
        break;
    case EIO:
        frase = "Error de lectura o escritura en el disco";
        break;
    case ENAMETOOLONG:
        frase = "El nombre del archivo es demasiado largo";
        break;
    default:
        frase = "Error del sistema de archivos número " + std::to_string(numeroError);
        break;
    }
    return frase + ": " + ruta;
}

bool SistemaArchivos::FileExists(const std::string& ruta) const {
    struct stat datos {};
    return Estado(ruta, datos) && S_ISREG(datos.st_mode);
}

bool SistemaArchivos::FolderExists(const std::string& ruta) const {
    struct stat datos {};
    return Estado(ruta, datos) && S_ISDIR(datos.st_mode);
}

ResultadoArchivo SistemaArchivos::CopyFile(const std::string& origen, const std::string& destino,
                                           OpcionesCopia opciones) const {
    if (!RutaValida(origen))
        return FalloSistema(ENOENT, origen);
    if (!RutaValida(destino))
        return FalloSistema(ENOENT, destino);

    auto separador = destino.rfind('/');
    std::string carpeta = separador == std::string::npos ? "" : destino.substr(0, separador + 1);
    std::string nombre = destino.substr(carpeta.size());
    if (nombre.empty())
        return FalloSistema(EISDIR, destino);

    Descriptor fuente(disco_, SinInterrupcion([&] {
                          return disco_.Abrir(origen.c_str(), O_RDONLY | O_CLOEXEC, 0);
                      }));
    if (fuente.Valor() < 0)
        return FalloSistema(errno, origen);
    struct stat datosOrigen {};
    if (::fstat(fuente.Valor(), &datosOrigen) != 0)
        return FalloSistema(errno, origen);
    if (!S_ISREG(datosOrigen.st_mode))
        return FalloSistema(EISDIR, origen);

    struct stat datosDestino {};
    if (::stat(destino.c_str(), &datosDestino) == 0) {
        if (S_ISDIR(datosDestino.st_mode))
            return FalloSistema(EISDIR, destino);
        if (!opciones.Reemplazar)
            return FalloSistema(EEXIST, destino);
        if (datosDestino.st_dev == datosOrigen.st_dev && datosDestino.st_ino == datosOrigen.st_ino)
            return ResultadoArchivo::Fallo("El origen y el destino son el mismo archivo: " +
                                           destino);
        if ((datosDestino.st_mode & BitsEscritura) == 0)
            return FalloSistema(EACCES, destino);
    } else if (errno != ENOENT) {
        return FalloSistema(errno, destino);
    }

    // The temporary name starts with a dot, so no listing of backups or
    // configuration files ever takes a half-written copy for a real one.
    static std::atomic<unsigned> contador{0};
    std::string temporal;
    int fdTemporal = -1;
    for (int intento = 0; intento < 100 && fdTemporal < 0; ++intento) {
        temporal = carpeta + "." + nombre + "." + std::to_string(::getpid()) + "-" +
                   std::to_string(contador++) + ".parcial";
        fdTemporal = SinInterrupcion([&] {
            return disco_.Abrir(temporal.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        });
        if (fdTemporal < 0 && errno != EEXIST)
            break;
    }
    if (fdTemporal < 0) {
        int numero = errno;
        // A missing folder on the way to the destination.
        return FalloSistema(numero == ENOENT ? ENOTDIR : numero, destino);
    }

    Descriptor copia(disco_, fdTemporal);
    auto descartar = [&] {
        if (copia.Valor() >= 0)
            copia.Cerrar();
        disco_.Borrar(temporal.c_str());
    };
    // The error number is taken before the clean-up can change errno.
    auto abandonar = [&](int numero, const std::string& ruta) {
        descartar();
        return FalloSistema(numero, ruta);
    };

    std::vector<char> bloque(TamanoBloque);
    for (;;) {
        ssize_t n = LeerBloque(disco_, fuente.Valor(), bloque.data(), bloque.size());
        if (n < 0)
            return abandonar(errno, origen);
        if (n == 0)
            break;
        if (!EscribirTodo(disco_, copia.Valor(), bloque.data(), static_cast<std::size_t>(n)))
            return abandonar(errno, destino);
    }
    if (disco_.CambiarPermisos(copia.Valor(), datosOrigen.st_mode & 0777) != 0)
        return abandonar(errno, destino);
    if (SinInterrupcion([&] { return disco_.Sincronizar(copia.Valor()); }) != 0)
        return abandonar(errno, destino);
    if (opciones.Verificar) {
        int igual = CompararArchivos(disco_, fuente.Valor(), copia.Valor());
        if (igual < 0)
            return abandonar(errno, destino);
        if (igual == 0) {
            descartar();
            return ResultadoArchivo::Fallo("La copia no coincide con el original: " + destino);
        }
    }
    if (!copia.Cerrar())
        return abandonar(errno, destino);

    int renombrado = opciones.Reemplazar
                         ? disco_.Renombrar(temporal.c_str(), destino.c_str())
                         : disco_.RenombrarSinReemplazar(temporal.c_str(), destino.c_str());
    if (renombrado != 0)
        return abandonar(errno, destino);
    SincronizarCarpeta(carpeta);
    return ResultadoArchivo::Exito();
}

ResultadoArchivo SistemaArchivos::DeleteFile(const std::string& ruta) const {
    struct stat datos {};
    if (!RutaValida(ruta))
        return FalloSistema(ENOENT, ruta);
    if (::lstat(ruta.c_str(), &datos) != 0)
        return FalloSistema(errno, ruta);
    if (S_ISDIR(datos.st_mode))
        return FalloSistema(EISDIR, ruta);
    if (S_ISREG(datos.st_mode) && (datos.st_mode & BitsEscritura) == 0)
        return FalloSistema(EACCES, ruta);
    if (disco_.Borrar(ruta.c_str()) != 0)
        return FalloSistema(errno, ruta);
    return ResultadoArchivo::Exito();
}

std::optional<Carpeta> SistemaArchivos::GetFolder(const std::string& ruta) const {
    if (!FolderExists(ruta))
        return std::nullopt;
    return Carpeta(ruta);
}

std::vector<ArchivoCarpeta> Carpeta::Files() const {
    std::vector<ArchivoCarpeta> archivos;
    std::error_code error;
    std::filesystem::directory_iterator entrada(ruta_, error), fin;
    for (; !error && entrada != fin; entrada.increment(error)) {
        const std::filesystem::path& camino = entrada->path();
        struct statx datos {};
        if (::statx(AT_FDCWD, camino.c_str(), AT_STATX_SYNC_AS_STAT,
                    STATX_TYPE | STATX_BTIME | STATX_MTIME, &datos) != 0)
            continue;
        if (!S_ISREG(datos.stx_mode))
            continue;
        archivos.push_back({camino.filename().string(), InstanteCreacion(datos)});
    }
    return archivos;
}

std::string AgregarDiagonal(std::string texto) {
    if (texto.empty() || texto.back() != '/')
        texto += '/';
    return texto;
}

bool ExisteArchivo(const std::string& ruta) {
    return SistemaArchivos().FileExists(ruta);
}

bool ExisteCarpeta(const std::string& ruta) {
    return SistemaArchivos().FolderExists(ruta);
}

} // namespace vesmadur
