#pragma once

#include <cstdint>

namespace vesmadur {

// Which database files this process has open, by device and inode. File
// locks are held per process, so the lock of one handle cannot keep out a
// second handle of the same process: this list does.
struct IdArchivo {
    std::uint64_t Dispositivo = 0;
    std::uint64_t Nodo = 0;
    auto operator<=>(const IdArchivo&) const = default;
};

// Records one more handle on the file. Refused (false) when an exclusive
// handle holds it, or when an exclusive one is asked while any handle holds it.
bool RetenerArchivo(IdArchivo id, bool exclusivo);
// Gives back what RetenerArchivo recorded.
void SoltarArchivo(IdArchivo id, bool exclusivo);

} // namespace vesmadur
