#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace vesmadur::prueba {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends.
class CarpetaTemporal {
public:
    CarpetaTemporal() {
        std::string plantilla = std::filesystem::temp_directory_path() / "vesmadur-XXXXXX";
        if (::mkdtemp(plantilla.data()) == nullptr)
            throw std::runtime_error(plantilla);
        ruta_ = plantilla;
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

inline std::string LeerArchivo(const std::string& ruta) {
    std::ifstream entrada(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
}

inline mode_t Permisos(const std::string& ruta) {
    struct stat datos {};
    return ::stat(ruta.c_str(), &datos) == 0 ? datos.st_mode & 07777 : 0;
}

// Every entry below `carpeta`, hidden ones included, by relative path, with
// the content of each file ("/" for a folder): a snapshot to compare.
inline std::map<std::string, std::string> Arbol(const std::string& carpeta) {
    std::map<std::string, std::string> arbol;
    for (const auto& e : std::filesystem::recursive_directory_iterator(carpeta))
        arbol[std::filesystem::relative(e.path(), carpeta)] =
            e.is_directory() ? "/" : LeerArchivo(e.path());
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

} // namespace vesmadur::prueba
