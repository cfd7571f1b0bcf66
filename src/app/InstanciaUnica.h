#pragma once

#include <filesystem>
#include <string>

namespace vesmadur {

// Tells whether another copy of the program is running: each copy holds an
// exclusive lock on one lock file for as long as it lives. The kernel drops
// the lock when the holding process ends, however it ends, so a copy that
// crashed or was killed never blocks the next start. On Windows the lock is a
// named mutex (the path is its name): the first copy creates it, a later copy
// finds it, and it goes when the last handle on it closes.
class InstanciaUnica {
public:
    explicit InstanciaUnica(std::filesystem::path archivoBloqueo);
    ~InstanciaUnica();
    InstanciaUnica(const InstanciaUnica&) = delete;
    InstanciaUnica& operator=(const InstanciaUnica&) = delete;

    enum class Resultado {
        Unica,     // the lock is ours: no other copy runs
        OtraCopia, // another copy holds the lock
        // The lock file cannot be opened, is not a file, or belongs to
        // someone else, so nothing tells whether a copy runs. Starting is
        // still safe: the database open is exclusive.
        Desconocido,
    };

    // Takes the lock and keeps it until this object is destroyed.
    Resultado Adquirir();
    // Why the last Adquirir answered Desconocido.
    const std::string& Error() const { return error_; }

    // $VESMADUR_BLOQUEO when set; otherwise a file in the user's own runtime
    // folder, /run for root, or a per-user file in /tmp. On Windows, a mutex
    // of the global namespace, so that copies in other sessions count too.
    static std::filesystem::path RutaPredeterminada();

private:
    std::filesystem::path ruta_;
#ifdef _WIN32
    void* mutex_ = nullptr;
#else
    int descriptor_ = -1;
#endif
    std::string error_;
};

} // namespace vesmadur
