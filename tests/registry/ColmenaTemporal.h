#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace vesmadur::prueba {

// A fresh folder for one test's hive file, removed afterwards.
class CarpetaTemporal {
public:
    CarpetaTemporal() {
        std::random_device azar;
        ruta_ = std::filesystem::temp_directory_path() /
                ("vesmadur-registro-" + std::to_string(azar()) + std::to_string(azar()));
        std::filesystem::create_directories(ruta_);
    }
    ~CarpetaTemporal() {
        std::error_code error;
        std::filesystem::remove_all(ruta_, error);
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& Ruta() const { return ruta_; }
    std::filesystem::path Hive() const { return ruta_ / "registro.reg"; }

private:
    std::filesystem::path ruta_;
};

inline std::string LeerBytes(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void EscribirBytes(const std::filesystem::path& ruta, const std::string& bytes) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << bytes;
}

} // namespace vesmadur::prueba
