#pragma once

#include "files/Disco.h"
#include "files/ResultadoArchivo.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vesmadur {

// One file of a folder listing: its name without folder and the moment it
// was created.
struct ArchivoCarpeta {
    std::string Nombre;
    std::chrono::system_clock::time_point FechaCreacion;

    const std::string& Name() const { return Nombre; }
    std::chrono::system_clock::time_point DateCreated() const { return FechaCreacion; }
};

// A folder whose files can be listed.
class Carpeta {
public:
    explicit Carpeta(std::string ruta) : ruta_(std::move(ruta)) {}

    const std::string& Ruta() const { return ruta_; }
    // The folder's regular files (not subfolders), read from the disk at
    // each call, in the order the directory yields them. A file that vanishes
    // while it is being listed is left out.
    std::vector<ArchivoCarpeta> Files() const;

private:
    std::string ruta_;
};

// How `CopyFile` treats the destination.
struct OpcionesCopia {
    // Replace a destination that already exists. When false the copy fails
    // rather than touch an existing entry of the destination name.
    bool Reemplazar = true;
    // Read the finished copy back and compare it, size and bytes, with the
    // source before it takes the destination name.
    bool Verificar = false;
};

// File and folder operations on full paths. Existence tests never fail; the
// operations that change files report failure as a result with a
// description. Every change goes through the `Disco` given at construction.
class SistemaArchivos {
public:
    SistemaArchivos() : disco_(DiscoDelSistema()) {}
    explicit SistemaArchivos(Disco& disco) : disco_(disco) {}

    // True only for an existing regular file (or a link to one). False for a
    // folder, a missing entry, an empty text or a text holding a zero byte.
    bool FileExists(const std::string& ruta) const;
    // True only for an existing folder, with or without a trailing
    // separator. False for everything else, empty or malformed text included.
    bool FolderExists(const std::string& ruta) const;

    // Makes `destino` a copy of `origen`, permission bits included. The data
    // is written under a temporary name in the destination's folder (hidden,
    // ending in ".parcial"), flushed to the disk and only then renamed to
    // `destino`; on any failure the temporary file is removed and `destino`
    // is exactly as it was. A destination without write permission is not
    // replaced, and neither is a folder. The source is only read.
    ResultadoArchivo CopyFile(const std::string& origen, const std::string& destino,
                              OpcionesCopia opciones = {}) const;

    // The first half of CopyFile: writes a copy of `origen`, permission bits
    // included, under a new temporary name (NombreTemporal) beside `destino`,
    // flushes it to the disk and, with `verificar`, reads it back and
    // compares it with the source. On success `temporal` names the copy and
    // the caller takes charge of it; on failure no temporary file is left.
    ResultadoArchivo CopiaTemporal(const std::string& origen, const std::string& destino,
                                   bool verificar, std::string& temporal) const;

    // Removes a file. A file without any write permission bit counts as
    // read-only and is not removed; neither is a folder. The path is taken
    // literally (no wildcards).
    ResultadoArchivo DeleteFile(const std::string& ruta) const;
    // Whether DeleteFile would remove the entry at `ruta`, with the
    // description of its refusal (a folder, a read-only file, nothing there).
    ResultadoArchivo PuedeBorrar(const std::string& ruta) const;

    // The folder at `ruta`, or nothing when it is not an existing folder.
    std::optional<Carpeta> GetFolder(const std::string& ruta) const;

private:
    Disco& disco_;
};

// The description of a failed operation on `ruta` with the system error
// `numeroError`, in the words the operator reads.
std::string DescripcionError(int numeroError, const std::string& ruta);

// The separator the system's paths are written with, and every character
// its paths are split at (Windows reads '/' as well as its own '\\').
#ifdef _WIN32
inline constexpr char Separador = '\\';
inline constexpr const char* Separadores = "\\/";
#else
inline constexpr char Separador = '/';
inline constexpr const char* Separadores = "/";
#endif

// The text with a trailing separator: unchanged when it already ends in one,
// a lone separator when it is empty.
std::string AgregarDiagonal(std::string texto);

// The temporary name under which a copy to `carpeta` + `nombre` is written:
// "." + nombre + "." + this process's id + "-" + `numero` + ".parcial" in the
// same folder. It starts with a dot, so no listing of backups or
// configuration files ever takes a half-written copy for a real one.
std::string NombreTemporal(const std::string& carpeta, const std::string& nombre, unsigned numero);

// Removes from `carpeta` the temporary files that a process killed while
// copying left behind: regular files (never a link or a folder) whose name is
// exactly a NombreTemporal of a process that no longer exists. Nothing else
// is touched; a file that cannot be removed stays.
void LimpiarTemporalesHuerfanos(const std::string& carpeta, Disco& disco = DiscoDelSistema());

// Makes the folder's new entries and renames durable. Best effort: a folder
// that cannot be opened or flushed changes nothing else.
void SincronizarCarpeta(const std::string& carpeta);

// Existence tests that create their own file-system object.
bool ExisteArchivo(const std::string& ruta);
bool ExisteCarpeta(const std::string& ruta);

} // namespace vesmadur
