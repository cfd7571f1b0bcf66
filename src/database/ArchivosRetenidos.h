#pragma once

#include <cstdint>
#include <sys/stat.h>

namespace vesmadur {

// Which database files this process has open, by device and inode. File
// locks are held per process, so the lock of one handle cannot keep out a
// second handle of the same process: this list does.
struct IdArchivo {
    std::uint64_t Dispositivo = 0;
    std::uint64_t Nodo = 0;
    auto operator<=>(const IdArchivo&) const = default;

    // The file a stat or fstat described.
    static IdArchivo De(const struct stat& datos) {
        return {static_cast<std::uint64_t>(datos.st_dev), static_cast<std::uint64_t>(datos.st_ino)};
    }
};

// Records one more handle on the file. Refused (false) when an exclusive
// handle holds it, or when an exclusive one is asked while any handle holds it.
bool RetenerArchivo(IdArchivo id, bool exclusivo);
// Gives back what RetenerArchivo recorded.
void SoltarArchivo(IdArchivo id, bool exclusivo);

// One hold of RetenerArchivo, given back when this object ends, whatever
// path leads there, unless it was handed over.
class Retencion {
public:
    // Asks for the hold; Retenido tells whether it was granted.
    Retencion(IdArchivo id, bool exclusivo)
        : id_(id), exclusivo_(exclusivo), retenido_(RetenerArchivo(id, exclusivo)) {}
    // Takes charge of a hold recorded earlier and handed over.
    static Retencion Adoptar(IdArchivo id, bool exclusivo) {
        return Retencion(id, exclusivo, true);
    }
    ~Retencion() {
        if (retenido_)
            SoltarArchivo(id_, exclusivo_);
    }
    Retencion(const Retencion&) = delete;
    Retencion& operator=(const Retencion&) = delete;

    bool Retenido() const { return retenido_; }
    // Hands the hold over: whoever takes it gives it back with SoltarArchivo.
    void Entregar() { retenido_ = false; }

private:
    Retencion(IdArchivo id, bool exclusivo, bool retenido)
        : id_(id), exclusivo_(exclusivo), retenido_(retenido) {}
    IdArchivo id_;
    bool exclusivo_;
    bool retenido_;
};

} // namespace vesmadur
