#include "app/InstanciaUnica.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesmadur {
namespace {

namespace fs = std::filesystem;

fs::path CarpetaTemporal() {
    std::string plantilla = (fs::temp_directory_path() / "vesmadur-instancia-XXXXXX").string();
    if (!::mkdtemp(plantilla.data()))
        throw std::runtime_error("mkdtemp");
    return plantilla;
}

// A copy of the stand-in program running with its standard output on a pipe.
class Copia {
public:
    explicit Copia(const fs::path& bloqueo) {
        int tubo[2];
        if (::pipe(tubo) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(tubo[1], STDOUT_FILENO);
            ::close(tubo[0]);
            ::close(tubo[1]);
            ::execl(AYUDANTE_INSTANCIA, AYUDANTE_INSTANCIA, bloqueo.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(tubo[1]);
        salida_ = ::fdopen(tubo[0], "r");
    }
    ~Copia() {
        Matar();
        if (salida_)
            std::fclose(salida_);
    }
    // The first line the program printed (empty at end of output).
    std::string Linea() {
        std::array<char, 512> buf{};
        if (!std::fgets(buf.data(), static_cast<int>(buf.size()), salida_))
            return {};
        std::string linea(buf.data());
        if (!linea.empty() && linea.back() == '\n')
            linea.pop_back();
        return linea;
    }
    // Waits for the end; the exit status, or -1 when killed by a signal.
    int Esperar() {
        int estado = 0;
        ::waitpid(pid_, &estado, 0);
        pid_ = -1;
        return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    }
    void Matar() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        Esperar();
    }

private:
    pid_t pid_ = -1;
    FILE* salida_ = nullptr;
};

TEST(InstanciaUnica, SegundaCopiaRechazadaHastaQueLaPrimeraMuere) {
    const auto carpeta = CarpetaTemporal();
    const auto bloqueo = carpeta / "vesmadur.lock";

    Copia primera(bloqueo);
    ASSERT_EQ(primera.Linea(), "VENTANA");

    Copia segunda(bloqueo);
    EXPECT_EQ(segunda.Linea(), "AVISO Vesmadur|El programa ya ha sido cargado anteriormente.");
    EXPECT_EQ(segunda.Esperar(), 0);

    // Killed without a chance to clean up: the kernel drops its lock.
    primera.Matar();
    Copia tercera(bloqueo);
    EXPECT_EQ(tercera.Linea(), "VENTANA");
    tercera.Matar();
    fs::remove_all(carpeta);
}

TEST(InstanciaUnica, DentroDelMismoProcesoTambienSeVe) {
    const auto carpeta = CarpetaTemporal();
    InstanciaUnica a(carpeta / "x.lock"), b(carpeta / "x.lock");
    EXPECT_EQ(a.Adquirir(), InstanciaUnica::Resultado::Unica);
    EXPECT_EQ(a.Adquirir(), InstanciaUnica::Resultado::Unica);
    EXPECT_EQ(b.Adquirir(), InstanciaUnica::Resultado::OtraCopia);
    fs::remove_all(carpeta);
}

// A lock that cannot be ours is not taken for another copy, and never makes
// the start wait.
TEST(InstanciaUnica, BloqueoQueNoPuedeSerPropioNoSeConfundeConOtraCopia) {
    const auto carpeta = CarpetaTemporal();
    // A path through a regular file cannot be opened, even by root.
    std::ofstream(carpeta / "archivo") << "x";
    // A FIFO would block an ordinary open until someone writes to it.
    ASSERT_EQ(::mkfifo((carpeta / "fifo").c_str(), 0600), 0);
    // A file another user made, which that user could hold forever.
    std::ofstream(carpeta / "ajeno") << "";
    ASSERT_EQ(::chown((carpeta / "ajeno").c_str(), 65534, 65534), 0);
    for (const auto& ruta :
         {carpeta / "archivo" / "vesmadur.lock", carpeta / "fifo", carpeta / "ajeno"}) {
        InstanciaUnica instancia(ruta);
        EXPECT_EQ(instancia.Adquirir(), InstanciaUnica::Resultado::Desconocido) << ruta;
        EXPECT_FALSE(instancia.Error().empty());
    }
    fs::remove_all(carpeta);
}

} // namespace
} // namespace vesmadur
