#include "files/SistemaArchivos.h"

#include "files/PrimitivasArchivo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <utility>
#include <vector>

// Descriptors are never inherited by programs this one starts.
#ifndef O_CLOEXEC
#define O_CLOEXEC O_NOINHERIT
#endif

namespace vesmadur {

namespace {

using primitivas::Atributos;
using primitivas::Tipo;

constexpr std::size_t TamanoBloque = 1 << 20;

// A path the operating system can take: not empty and without a zero byte,
// which would silently cut it short.
bool RutaValida(const std::string& ruta) {
    return !ruta.empty() && ruta.find('\0') == std::string::npos;
}

Tipo Clase(const std::string& ruta) {
    Atributos datos;
    return RutaValida(ruta) && primitivas::Consultar(ruta, true, datos) ? datos.Clase
                                                                        : Tipo::Ninguno;
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
    if (!primitivas::Rebobinar(fdUno) || !primitivas::Rebobinar(fdOtro))
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

// The folder part of `destino` (with its separator, or "") and its name.
std::pair<std::string, std::string> Partir(const std::string& destino) {
    const auto separador = destino.find_last_of(Separadores);
    const auto largo = separador == std::string::npos ? 0 : separador + 1;
    return {destino.substr(0, largo), destino.substr(largo)};
}

// Opens `origen` for reading; fails unless it is a regular file.
ResultadoArchivo AbrirOrigen(Disco& disco, const std::string& origen, int& fd, Atributos& datos) {
    if (!RutaValida(origen))
        return FalloSistema(ENOENT, origen);
    fd = SinInterrupcion([&] { return disco.Abrir(origen.c_str(), O_RDONLY | O_CLOEXEC, 0); });
    // Windows opens no folder as a file; it says so in other words.
    if (fd < 0) {
        const int causa = errno;
        return FalloSistema(Clase(origen) == Tipo::Carpeta ? EISDIR : causa, origen);
    }
    if (!primitivas::ConsultarAbierto(fd, datos))
        return FalloSistema(errno, origen);
    if (datos.Clase != Tipo::Regular)
        return FalloSistema(EISDIR, origen);
    return ResultadoArchivo::Exito();
}

// CopiaTemporal from the source already open as `fuente`.
ResultadoArchivo EscribirTemporal(Disco& disco, int fuente, const Atributos& datosOrigen,
                                  const std::string& origen, const std::string& destino,
                                  bool verificar, std::string& temporal) {
    const auto [carpeta, nombre] = Partir(destino);
    static std::atomic<unsigned> contador{0};
    int fdTemporal = -1;
    for (int intento = 0; intento < 100 && fdTemporal < 0; ++intento) {
        temporal = NombreTemporal(carpeta, nombre, contador++);
        fdTemporal = SinInterrupcion([&] {
            return disco.Abrir(temporal.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        });
        if (fdTemporal < 0 && errno != EEXIST)
            break;
    }
    if (fdTemporal < 0) {
        int numero = errno;
        temporal.clear();
        // A missing folder on the way to the destination.
        return FalloSistema(numero == ENOENT ? ENOTDIR : numero, destino);
    }

    Descriptor copia(disco, fdTemporal);
    // Each failure is described before the clean-up can change errno.
    auto abandonar = [&](ResultadoArchivo fallo) {
        if (copia.Valor() >= 0)
            copia.Cerrar();
        disco.Borrar(temporal.c_str());
        temporal.clear();
        return fallo;
    };
    std::vector<char> bloque(TamanoBloque);
    for (;;) {
        ssize_t n = LeerBloque(disco, fuente, bloque.data(), bloque.size());
        if (n < 0)
            return abandonar(FalloSistema(errno, origen));
        if (n == 0)
            break;
        if (!EscribirTodo(disco, copia.Valor(), bloque.data(), static_cast<std::size_t>(n)))
            return abandonar(FalloSistema(errno, destino));
    }
    if (disco.CambiarPermisos(copia.Valor(), datosOrigen.Permisos) != 0)
        return abandonar(FalloSistema(errno, destino));
    if (SinInterrupcion([&] { return disco.Sincronizar(copia.Valor()); }) != 0)
        return abandonar(FalloSistema(errno, destino));
    if (verificar) {
        int igual = CompararArchivos(disco, fuente, copia.Valor());
        if (igual < 0)
            return abandonar(FalloSistema(errno, destino));
        if (igual == 0)
            return abandonar(
                ResultadoArchivo::Fallo("La copia no coincide con el original: " + destino));
    }
    if (!copia.Cerrar())
        return abandonar(FalloSistema(errno, destino));
    return ResultadoArchivo::Exito();
}

// The process `pid` no longer exists (a process of another user still does,
// and so does 0, this process's group).
bool ProcesoMuerto(const std::string& pid) {
    if (pid.empty() || pid.size() > 9)
        return false;
    return primitivas::ProcesoTerminado(std::stoul(pid));
}

// The process id in `nombre` when it is exactly a NombreTemporal (for any
// name, any process and any number); "" otherwise.
std::string PidDeTemporal(const std::string& nombre) {
    constexpr std::string_view fin = ".parcial";
    if (nombre.size() <= fin.size() + 1 || nombre[0] != '.' || !nombre.ends_with(fin))
        return {};
    const std::string resto = nombre.substr(0, nombre.size() - fin.size());
    const auto punto = resto.rfind('.'), guion = resto.rfind('-');
    if (punto == std::string::npos || punto < 2 || guion == std::string::npos || guion < punto)
        return {};
    const std::string pid = resto.substr(punto + 1, guion - punto - 1);
    const std::string numero = resto.substr(guion + 1);
    const auto digitos = [](const std::string& t) {
        return !t.empty() && (t == "0" || t[0] != '0') &&
               t.find_first_not_of("0123456789") == std::string::npos;
    };
    return digitos(pid) && digitos(numero) ? pid : std::string();
}

} // namespace

Disco& DiscoDelSistema() {
    static Disco real;
    return real;
}

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
#ifdef EDQUOT
    case EDQUOT:
#endif
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
    return Clase(ruta) == Tipo::Regular;
}

bool SistemaArchivos::FolderExists(const std::string& ruta) const {
    return Clase(ruta) == Tipo::Carpeta;
}

ResultadoArchivo SistemaArchivos::CopyFile(const std::string& origen, const std::string& destino,
                                           OpcionesCopia opciones) const {
    if (!RutaValida(origen))
        return FalloSistema(ENOENT, origen);
    if (!RutaValida(destino))
        return FalloSistema(ENOENT, destino);
    const auto [carpeta, nombre] = Partir(destino);
    if (nombre.empty())
        return FalloSistema(EISDIR, destino);

    int fd = -1;
    Atributos datosOrigen;
    auto abierto = AbrirOrigen(disco_, origen, fd, datosOrigen);
    Descriptor fuente(disco_, fd);
    if (!abierto)
        return abierto;

    Atributos datosDestino;
    if (primitivas::Consultar(destino, true, datosDestino)) {
        if (datosDestino.Clase == Tipo::Carpeta)
            return FalloSistema(EISDIR, destino);
        if (!opciones.Reemplazar)
            return FalloSistema(EEXIST, destino);
        if (datosDestino.Volumen == datosOrigen.Volumen &&
            datosDestino.Indice == datosOrigen.Indice)
            return ResultadoArchivo::Fallo("El origen y el destino son el mismo archivo: " +
                                           destino);
        if (!datosDestino.Escribible)
            return FalloSistema(EACCES, destino);
    } else if (errno != ENOENT) {
        return FalloSistema(errno, destino);
    }

    std::string temporal;
    auto copia = EscribirTemporal(disco_, fuente.Valor(), datosOrigen, origen, destino,
                                  opciones.Verificar, temporal);
    if (!copia)
        return copia;
    int renombrado = opciones.Reemplazar
                         ? disco_.Renombrar(temporal.c_str(), destino.c_str())
                         : disco_.RenombrarSinReemplazar(temporal.c_str(), destino.c_str());
    if (renombrado != 0) {
        const int numero = errno;
        disco_.Borrar(temporal.c_str());
        return FalloSistema(numero, destino);
    }
    SincronizarCarpeta(carpeta);
    return ResultadoArchivo::Exito();
}

ResultadoArchivo SistemaArchivos::CopiaTemporal(const std::string& origen,
                                                const std::string& destino, bool verificar,
                                                std::string& temporal) const {
    temporal.clear();
    if (!RutaValida(destino) || Partir(destino).second.empty())
        return FalloSistema(ENOENT, destino);
    int fd = -1;
    Atributos datosOrigen;
    auto abierto = AbrirOrigen(disco_, origen, fd, datosOrigen);
    Descriptor fuente(disco_, fd);
    if (!abierto)
        return abierto;
    return EscribirTemporal(disco_, fuente.Valor(), datosOrigen, origen, destino, verificar,
                            temporal);
}

ResultadoArchivo SistemaArchivos::PuedeBorrar(const std::string& ruta) const {
    Atributos datos;
    if (!RutaValida(ruta))
        return FalloSistema(ENOENT, ruta);
    if (!primitivas::Consultar(ruta, false, datos))
        return FalloSistema(errno, ruta);
    if (datos.Clase == Tipo::Carpeta)
        return FalloSistema(EISDIR, ruta);
    if (datos.Clase == Tipo::Regular && !datos.Escribible)
        return FalloSistema(EACCES, ruta);
    return ResultadoArchivo::Exito();
}

ResultadoArchivo SistemaArchivos::DeleteFile(const std::string& ruta) const {
    if (auto borrable = PuedeBorrar(ruta); !borrable)
        return borrable;
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
    for (auto& entrada : primitivas::EntradasDeCarpeta(ruta_, true))
        if (entrada.Clase == Tipo::Regular)
            archivos.push_back({std::move(entrada.Nombre), entrada.Creacion});
    return archivos;
}

std::string AgregarDiagonal(std::string texto) {
    if (texto.empty() || std::string_view(Separadores).find(texto.back()) == std::string_view::npos)
        texto += Separador;
    return texto;
}

std::string NombreTemporal(const std::string& carpeta, const std::string& nombre, unsigned numero) {
    return carpeta + "." + nombre + "." + std::to_string(primitivas::IdProceso()) + "-" +
           std::to_string(numero) + ".parcial";
}

void LimpiarTemporalesHuerfanos(const std::string& carpeta, Disco& disco) {
    for (const auto& entrada : primitivas::EntradasDeCarpeta(carpeta, false))
        if (entrada.Clase == Tipo::Regular && ProcesoMuerto(PidDeTemporal(entrada.Nombre)))
            disco.Borrar(
                (AgregarDiagonal(carpeta.empty() ? "." : carpeta) + entrada.Nombre).c_str());
}

bool ExisteArchivo(const std::string& ruta) {
    return SistemaArchivos().FileExists(ruta);
}

bool ExisteCarpeta(const std::string& ruta) {
    return SistemaArchivos().FolderExists(ruta);
}

} // namespace vesmadur
