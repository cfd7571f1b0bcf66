#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace vesmadur::prueba {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends.
class CarpetaTemporal {
public:
    CarpetaTemporal() {
        std::string plantilla =
            (std::filesystem::temp_directory_path() / "vesmadur-XXXXXX").string();
        if (::mkdtemp(plantilla.data()) == nullptr)
            throw std::runtime_error("no se pudo crear la carpeta temporal");
        ruta_ = plantilla;
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
    ~CarpetaTemporal() {
        std::error_code error;
        std::filesystem::remove_all(ruta_, error);
    }

    // The folder's path, without a trailing separator.
    const std::string& Ruta() const { return ruta_; }
    // The path of `relativa` inside the folder.
    std::string operator/(const std::string& relativa) const { return ruta_ + "/" + relativa; }

private:
    std::string ruta_;
};

inline void EscribirArchivo(const std::string& ruta, const std::string& contenido) {
    std::filesystem::create_directories(std::filesystem::path(ruta).parent_path());
    std::ofstream salida(ruta, std::ios::binary | std::ios::trunc);
    salida << contenido;
    if (!salida)
        throw std::runtime_error("no se pudo escribir " + ruta);
}

inline std::string LeerArchivo(const std::string& ruta) {
    std::ifstream entrada(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
}

inline mode_t Permisos(const std::string& ruta) {
    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0)
        return 0;
    return datos.st_mode & 07777;
}

// The names of the entries of a folder, hidden ones included.
inline std::set<std::string> Entradas(const std::string& carpeta) {
    std::set<std::string> nombres;
    for (const auto& entrada : std::filesystem::directory_iterator(carpeta))
        nombres.insert(entrada.path().filename().string());
    return nombres;
}

// Bytes of every value, zero included, in a length that spans several of the
// copy's blocks.
inline std::string ContenidoBinario(std::size_t tamano) {
    std::string datos(tamano, '\0');
    unsigned estado = 12345;
    for (auto& c : datos) {
        estado = estado * 1103515245u + 12345u;
        c = static_cast<char>(estado >> 16);
    }
    return datos;
}

} // namespace vesmadur::prueba
