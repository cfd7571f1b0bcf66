#pragma once

#include "files/Reloj.h"
#include "files/Disco.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace vesmadur::prueba {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends.
class CarpetaTemporal {
public:
    CarpetaTemporal() : ruta_(std::filesystem::temp_directory_path() / "vesmadur-XXXXXX") {
        if (::mkdtemp(ruta_.data()) == nullptr)
            throw std::runtime_error(ruta_);
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    ~CarpetaTemporal() {
        std::error_code error;
        std::filesystem::remove_all(ruta_, error);
    }
    const std::string& Ruta() const { return ruta_; }
    std::string operator/(const std::string& relativa) const { return ruta_ + "/" + relativa; }

private:
    std::string ruta_;
};

inline void EscribirArchivo(const std::string& ruta, const std::string& contenido) {
    std::filesystem::create_directories(std::filesystem::path(ruta).parent_path());
    std::ofstream(ruta, std::ios::binary | std::ios::trunc) << contenido;
}

inline mode_t Permisos(const std::string& ruta) {
    struct stat datos {};
    return ::stat(ruta.c_str(), &datos) == 0 ? datos.st_mode & 07777 : 0;
}

// Every entry below `carpeta`, hidden ones included, by relative path: "/"
// for a folder, else the permission bits and the content. A snapshot to compare.
inline std::map<std::string, std::string> Arbol(const std::string& carpeta) {
    std::map<std::string, std::string> arbol;
    for (const auto& e : std::filesystem::recursive_directory_iterator(carpeta)) {
        std::ifstream entrada(e.path(), std::ios::binary);
        arbol[std::filesystem::relative(e.path(), carpeta)] =
            e.is_directory() ? "/"
                             : std::to_string(Permisos(e.path())) + " " +
                                   std::string(std::istreambuf_iterator<char>(entrada), {});
    }
    return arbol;
}

// Bytes of every value, zero included, spanning several of the copy's blocks.
inline std::string ContenidoBinario(std::size_t tamano) {
    std::string datos(tamano, '\0');
    unsigned estado = 12345;
    for (auto& c : datos)
        c = static_cast<char>((estado = estado * 1103515245u + 12345u) >> 16);
    return datos;
}

// The only fakes: a clock showing the moment the test sets...
struct RelojFijo : Reloj {
    explicit RelojFijo(std::chrono::local_seconds momento) : Momento(momento) {}
    std::chrono::local_seconds Ahora() const override { return Momento; }
    std::chrono::local_seconds Momento;
};

inline std::chrono::local_seconds Momento(int a, unsigned m, unsigned d, int h, int mi, int s) {
    using namespace std::chrono;
    return local_days(year(a) / month(m) / day(d)) + hours(h) + minutes(mi) + seconds(s);
}

// ...and the real disk with chosen calls failing as a full or broken disk fails.
struct DiscoConFallos : Disco {
    using C = const char*;
    std::optional<std::size_t> LimiteEscritura; // then "no space left"
    bool Alterar = false;                       // each block written has its first byte changed
    bool FallarSincronizar = false, FallarRenombrar = false;
    std::size_t Escritos = 0;

    ssize_t Escribir(int fd, const void* datos, std::size_t tamano) override {
        if (LimiteEscritura && Escritos >= *LimiteEscritura)
            return Fallo(ENOSPC);
        std::string bloque(static_cast<C>(datos),
                           LimiteEscritura ? std::min(tamano, *LimiteEscritura - Escritos)
                                           : tamano);
        if (Alterar && !bloque.empty())
            bloque[0] = static_cast<char>(bloque[0] ^ 0x5a);
        ssize_t n = Disco::Escribir(fd, bloque.data(), bloque.size());
        Escritos += n > 0 ? static_cast<std::size_t>(n) : 0;
        return n;
    }
    int Sincronizar(int fd) override {
        return FallarSincronizar ? Fallo(EIO) : Disco::Sincronizar(fd);
    }
    int Renombrar(C o, C d) override {
        return FallarRenombrar ? Fallo(EIO) : Disco::Renombrar(o, d);
    }
    int RenombrarSinReemplazar(C o, C d) override {
        return FallarRenombrar ? Fallo(EIO) : Disco::RenombrarSinReemplazar(o, d);
    }
    static int Fallo(int numero) {
        errno = numero;
        return -1;
    }
};

} // namespace vesmadur::prueba
