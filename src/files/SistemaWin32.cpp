// The file system on Windows: the Disco calls on the C runtime's descriptors
// and the Win32 calls, paths passed as UTF-16 so that every name the program
// holds in UTF-8 reaches the disk as it is.
#include "common/TextoWin32.h"
#include "files/Disco.h"
#include "files/PrimitivasArchivo.h"
#include "files/SistemaArchivos.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace vesmadur {

namespace {

// errno for the last Win32 error, in the terms DescripcionError words.
int ErrnoDeWin32(DWORD codigo) {
    switch (codigo) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOTDIR;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EIO;
    }
}

int FalloWin32() {
    errno = ErrnoDeWin32(GetLastError());
    return -1;
}

unsigned Limitar(std::size_t tamano) {
    return tamano > INT_MAX ? INT_MAX : static_cast<unsigned>(tamano);
}

std::chrono::system_clock::time_point Instante(const FILETIME& momento) {
    // 100-nanosecond intervals since 1601-01-01 UTC; a moment before 1970
    // (a zero some shares give) is taken as 1970, so the clock cannot overflow.
    constexpr std::int64_t De1601A1970 = 116444736000000000LL;
    const auto intervalos =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(momento.dwHighDateTime) << 32 |
                                      momento.dwLowDateTime) -
        De1601A1970;
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>(intervalos)));
}

// A link is a reparse point of the two kinds that lead elsewhere; other
// reparse points (cloud placeholders, deduplicated files) are what they hold.
bool EsEnlace(DWORD atributos, DWORD etiqueta) {
    return (atributos & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (etiqueta == IO_REPARSE_TAG_SYMLINK || etiqueta == IO_REPARSE_TAG_MOUNT_POINT);
}

primitivas::Tipo TipoDeAtributos(DWORD atributos, DWORD etiqueta, bool enlaceSinSeguir) {
    if (enlaceSinSeguir && EsEnlace(atributos, etiqueta))
        return primitivas::Tipo::Otro;
    if (atributos & FILE_ATTRIBUTE_DIRECTORY)
        return primitivas::Tipo::Carpeta;
    if (atributos & FILE_ATTRIBUTE_DEVICE)
        return primitivas::Tipo::Otro;
    return primitivas::Tipo::Regular;
}

bool LlenarDeManejador(HANDLE manejador, primitivas::Atributos& datos, bool enlaceSinSeguir) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(manejador) != FILE_TYPE_DISK) {
        // A console, a pipe or a device under a reserved name ("NUL", "CON").
        datos = {.Clase = primitivas::Tipo::Otro};
        return true;
    }
    FILE_ATTRIBUTE_TAG_INFO etiqueta{};
    if (!GetFileInformationByHandle(manejador, &info) ||
        !GetFileInformationByHandleEx(manejador, FileAttributeTagInfo, &etiqueta, sizeof etiqueta))
        return FalloWin32(), false;
    datos.Clase = TipoDeAtributos(info.dwFileAttributes, etiqueta.ReparseTag, enlaceSinSeguir);
    datos.Escribible = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    datos.Permisos = datos.Escribible ? (S_IREAD | S_IWRITE) : S_IREAD;
    datos.Volumen = info.dwVolumeSerialNumber;
    datos.Indice = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

} // namespace

int Disco::Abrir(const char* ruta, int banderas, mode_t modo) {
    // Always binary: the text mode would rewrite line ends in the copy. The
    // runtime's own errno for a failure is coarser than ours.
    _doserrno = 0;
    const int fd = _wopen(Ancho(ruta).c_str(), banderas | _O_BINARY, modo);
    if (fd < 0 && _doserrno != 0)
        errno = ErrnoDeWin32(_doserrno);
    return fd;
}

ssize_t Disco::Leer(int fd, void* datos, std::size_t tamano) {
    return _read(fd, datos, Limitar(tamano));
}

ssize_t Disco::Escribir(int fd, const void* datos, std::size_t tamano) {
    return _write(fd, datos, Limitar(tamano));
}

int Disco::Sincronizar(int fd) {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) ? 0 : FalloWin32();
}

// Windows keeps one permission: a file without any write bit becomes
// read-only, any other becomes writable.
int Disco::CambiarPermisos(int fd, mode_t modo) {
    const auto manejador = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(manejador, FileBasicInfo, &info, sizeof info))
        return FalloWin32();
    const bool soloLectura = (modo & (S_IWRITE | 0022)) == 0;
    info.FileAttributes = soloLectura ? (info.FileAttributes | FILE_ATTRIBUTE_READONLY)
                                      : (info.FileAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (info.FileAttributes == 0)
        info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(manejador, FileBasicInfo, &info, sizeof info) ? 0
                                                                                    : FalloWin32();
}

int Disco::Cerrar(int fd) {
    return _close(fd);
}

int Disco::Renombrar(const char* origen, const char* destino) {
    return MoveFileExW(Ancho(origen).c_str(), Ancho(destino).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : FalloWin32();
}

// MoveFileEx without MOVEFILE_REPLACE_EXISTING fails on any existing entry
// of the destination name, in one step.
int Disco::RenombrarSinReemplazar(const char* origen, const char* destino) {
    return MoveFileExW(Ancho(origen).c_str(), Ancho(destino).c_str(), MOVEFILE_WRITE_THROUGH)
               ? 0
               : FalloWin32();
}

// As unlink does, whatever the file's own permission: a read-only file (a
// half-made copy of a read-only source) loses that attribute first. Refusing
// read-only files is the file operations' business (PuedeBorrar).
int Disco::Borrar(const char* ruta) {
    const std::wstring ancho = Ancho(ruta);
    if (DeleteFileW(ancho.c_str()))
        return 0;
    const DWORD causa = GetLastError();
    const DWORD atributos = GetFileAttributesW(ancho.c_str());
    if (causa != ERROR_ACCESS_DENIED || atributos == INVALID_FILE_ATTRIBUTES ||
        !(atributos & FILE_ATTRIBUTE_READONLY) || (atributos & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = ErrnoDeWin32(causa);
        return -1;
    }
    SetFileAttributesW(ancho.c_str(), atributos & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (DeleteFileW(ancho.c_str()))
        return 0;
    const int fallo = FalloWin32();
    SetFileAttributesW(ancho.c_str(), atributos);
    return fallo;
}

// Best effort, as on POSIX: NTFS flushes a folder's entries through a handle
// on the folder opened for writing; other file systems may refuse.
void SincronizarCarpeta(const std::string& carpeta) {
    const HANDLE manejador =
        CreateFileW(Ancho(carpeta.empty() ? "." : carpeta).c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (manejador == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(manejador);
    CloseHandle(manejador);
}

namespace primitivas {

bool Consultar(const std::string& ruta, bool seguirEnlace, Atributos& datos) {
    // A trailing separator names a folder, as on POSIX: "archivo\\" is no
    // entry, however Windows reads it.
    const auto fin = ruta.find_last_not_of(Separadores);
    if (fin != std::string::npos && fin + 1 < ruta.size() && ruta[fin] != ':') {
        if (!Consultar(ruta.substr(0, fin + 1), true, datos))
            return false;
        if (datos.Clase != Tipo::Carpeta) {
            errno = ENOTDIR;
            return false;
        }
        return true;
    }
    // No access asked: the entry's attributes can be read whatever it is and
    // whoever holds it open; a folder needs the backup semantics.
    const HANDLE manejador = CreateFileW(
        Ancho(ruta).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (seguirEnlace ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (manejador == INVALID_HANDLE_VALUE)
        return FalloWin32(), false;
    const bool leido = LlenarDeManejador(manejador, datos, !seguirEnlace);
    CloseHandle(manejador);
    return leido;
}

bool ConsultarAbierto(int fd, Atributos& datos) {
    const auto manejador = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (manejador == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return false;
    }
    return LlenarDeManejador(manejador, datos, false);
}

bool Rebobinar(int fd) {
    return _lseeki64(fd, 0, SEEK_SET) == 0;
}

std::vector<Entrada> EntradasDeCarpeta(const std::string& carpeta, bool seguirEnlaces) {
    std::vector<Entrada> entradas;
    WIN32_FIND_DATAW datos{};
    const std::wstring patron = Ancho(AgregarDiagonal(carpeta.empty() ? "." : carpeta) + "*");
    const HANDLE busqueda = FindFirstFileExW(patron.c_str(), FindExInfoBasic, &datos,
                                             FindExSearchNameMatch, nullptr, 0);
    if (busqueda == INVALID_HANDLE_VALUE)
        return entradas;
    do {
        const std::wstring_view nombre = datos.cFileName;
        if (nombre == L"." || nombre == L"..")
            continue;
        // The reparse tag is in dwReserved0 for a reparse point.
        Entrada entrada{Utf8DeAncho(nombre),
                        TipoDeAtributos(datos.dwFileAttributes, datos.dwReserved0, true),
                        Instante(datos.ftCreationTime)};
        // A link is followed only on request, by asking what it leads to.
        Atributos destino;
        if (seguirEnlaces && EsEnlace(datos.dwFileAttributes, datos.dwReserved0))
            entrada.Clase =
                Consultar(AgregarDiagonal(carpeta.empty() ? "." : carpeta) + entrada.Nombre, true,
                          destino)
                    ? destino.Clase
                    : Tipo::Ninguno;
        entradas.push_back(std::move(entrada));
    } while (FindNextFileW(busqueda, &datos));
    FindClose(busqueda);
    return entradas;
}

unsigned long IdProceso() {
    return GetCurrentProcessId();
}

// A process of another user that runs may refuse to be opened: it has not
// ended. Id 0 is the system's idle process, which never ends.
bool ProcesoTerminado(unsigned long id) {
    if (id == 0)
        return false;
    const HANDLE proceso = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (proceso == nullptr)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no process has that id
    const bool terminado = WaitForSingleObject(proceso, 0) == WAIT_OBJECT_0;
    CloseHandle(proceso);
    return terminado;
}

} // namespace primitivas

} // namespace vesmadur
