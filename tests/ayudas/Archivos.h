#pragma once

// Files for every test: a temporary folder, bytes in and out, snapshots of a
// folder, and the only fakes: the fixed clock and the failing disk.

#include "files/Disco.h"
#include "files/Reloj.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <vector>

namespace vesmadur::prueba {

namespace fs = std::filesystem;

// A fresh temporary folder, removed with its contents when the test ends.
class CarpetaTemporal {
public:
#ifdef _WIN32
    CarpetaTemporal() {
        std::random_device azar;
        for (int intento = 0; intento < 100 && ruta_.empty(); ++intento) {
            const auto ruta = fs::temp_directory_path() / ("vesmadur-" + std::to_string(azar()));
            if (fs::create_directory(ruta))
                ruta_ = ruta.string();
        }
        if (ruta_.empty())
            throw std::runtime_error("sin carpeta temporal");
    }
#else
    CarpetaTemporal() : ruta_(fs::temp_directory_path() / "vesmadur-XXXXXX") {
        if (::mkdtemp(ruta_.data()) == nullptr)
            throw std::runtime_error(ruta_);
    }
#endif
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    ~CarpetaTemporal() {
        std::error_code error;
        fs::remove_all(ruta_, error);
    }
    const std::string& Ruta() const {
        return ruta_;
    }
#ifdef _WIN32
    std::string operator/(const std::string& relativa) const {
        return ruta_ + "\\" + relativa;
    }
#else
    std::string operator/(const std::string& relativa) const {
        return ruta_ + "/" + relativa;
    }
#endif

private:
    std::string ruta_;
};

inline std::string LeerBytes(const fs::path& ruta) {
    std::ifstream archivo(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(archivo), std::istreambuf_iterator<char>()};
}

// Writes `contenido` to `ruta`, making its folders; gives the path back.
inline std::string EscribirArchivo(const std::string& ruta, const std::string& contenido) {
    fs::create_directories(fs::path(ruta).parent_path());
    std::ofstream(ruta, std::ios::binary | std::ios::trunc) << contenido;
    return ruta;
}

// Names of the entries in a folder, sorted.
inline std::vector<std::string> Nombres(const fs::path& carpeta) {
    std::vector<std::string> nombres;
    for (const auto& e : fs::directory_iterator(carpeta))
        nombres.push_back(e.path().filename().string());
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}

// Every entry below `carpeta`, hidden ones included, by relative path: "/"
// for a folder, else the permission bits and the content. A snapshot to compare.
inline std::map<std::string, std::string> Arbol(const std::string& carpeta) {
    std::map<std::string, std::string> arbol;
    for (const auto& e : fs::recursive_directory_iterator(carpeta))
        arbol[fs::relative(e.path(), carpeta).generic_string()] =
            e.is_directory() ? "/"
                             : std::to_string(static_cast<int>(e.status().permissions())) + " " +
                                   LeerBytes(e.path());
    return arbol;
}

// Sets an environment variable of this process (for the system's own calls
// too), or removes it when `valor` is empty.
inline void PonerVariable(const char* nombre, const std::string& valor) {
#ifdef _WIN32
    ::_putenv_s(nombre, valor.c_str());
#else
    valor.empty() ? ::unsetenv(nombre) : ::setenv(nombre, valor.c_str(), 1);
#endif
}

// Whether this program runs under Wine rather than on Windows itself, where
// a test must tell Wine's known deviations from Windows apart.
#ifdef _WIN32
bool BajoWine(); // ayudas/Windows.cpp
#else
inline bool BajoWine() {
    return false;
}
#endif

inline std::chrono::local_seconds Momento(int a, unsigned m, unsigned d, int h, int mi, int s) {
    using namespace std::chrono;
    return local_days(year(a) / month(m) / day(d)) + hours(h) + minutes(mi) + seconds(s);
}

// A clock at the moment the test sets (by default 2019-08-03 14:25:07).
struct RelojFijo : Reloj {
    explicit RelojFijo(std::chrono::local_seconds momento = prueba::Momento(2019, 8, 3, 14, 25, 7))
        : Momento(momento) {}
    std::chrono::local_seconds Ahora() const override { return Momento; }
    std::chrono::local_seconds Momento;
};

// The real disk with chosen calls failing as a full or broken disk fails.
struct DiscoConFallos : Disco {
    using C = const char*;
    std::optional<std::size_t> LimiteEscritura; // then "no space left"
    std::size_t Tramo = 0; // when set, no write takes more bytes (a short write)
    bool Alterar = false;  // each block written has its first byte changed
    bool FallarSincronizar = false, FallarRenombrar = false;
    std::size_t Escritos = 0;

    ssize_t Escribir(int fd, const void* datos, std::size_t tamano) override {
        if (LimiteEscritura && Escritos >= *LimiteEscritura)
            return Fallo(ENOSPC);
        std::string bloque(static_cast<C>(datos),
                           std::min({tamano, Tramo ? Tramo : tamano,
                                     LimiteEscritura ? *LimiteEscritura - Escritos : tamano}));
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
    static int Fallo(int numero) { return errno = numero, -1; }
};

} // namespace vesmadur::prueba
