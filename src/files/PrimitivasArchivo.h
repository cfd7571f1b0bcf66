#pragma once

// What the file operations ask of the operating system besides the Disco
// calls: an entry's kind, write permission and identity, a folder's entries
// with their creation moments, and whether a process still runs. The build
// takes them, with the real Disco, from SistemaPosix.cpp or SistemaWin32.cpp.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vesmadur::primitivas {

enum class Tipo { Ninguno, Regular, Carpeta, Otro };

struct Atributos {
    Tipo Clase = Tipo::Ninguno;
    // Whether anyone may write the entry: a write permission bit on POSIX,
    // no read-only attribute on Windows.
    bool Escribible = false;
    // The permission bits a copy is given (CambiarPermisos).
    unsigned Permisos = 0;
    // Two entries are the same file when both numbers agree.
    std::uint64_t Volumen = 0, Indice = 0;
};

// The entry at `ruta`, through a final symbolic link or not; false with
// errno set when there is none or it cannot be read.
bool Consultar(const std::string& ruta, bool seguirEnlace, Atributos& datos);
// The file open as `fd`.
bool ConsultarAbierto(int fd, Atributos& datos);
// Moves the reading position of `fd` back to the file's start.
bool Rebobinar(int fd);

struct Entrada {
    std::string Nombre;
    Tipo Clase = Tipo::Ninguno; // through a symbolic link when asked
    std::chrono::system_clock::time_point Creacion;
};
// The entries of a folder in the order the system yields them, without "."
// and "..". An entry that vanishes while listed is left out (on POSIX; on
// Windows it may still be named); an unreadable folder lists nothing.
std::vector<Entrada> EntradasDeCarpeta(const std::string& carpeta, bool seguirEnlaces);

// The id of this process, and whether the process `id` has ended (a process
// of another user that runs has not).
unsigned long IdProceso();
bool ProcesoTerminado(unsigned long id);

} // namespace vesmadur::primitivas
