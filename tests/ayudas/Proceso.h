#pragma once

// A second process joined to the test by pipes: another program, or a
// forked copy of the test running one function.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vesmadur::prueba {

// Its input, and its output and errors together, are pipes to this process.
// Killed, if still running, when it goes out of scope.
class Proceso {
public:
    // Runs the program argumentos[0] with those arguments.
    explicit Proceso(const std::vector<std::string>& argumentos) {
        Lanzar([&] {
            std::vector<char*> args;
            for (const auto& a : argumentos)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            return 127;
        });
    }
    // Runs `cuerpo` in a forked copy of this process, which ends with its
    // result as exit status (125 when it throws). Whatever it writes to
    // descriptor 1 is this object's output.
    explicit Proceso(const std::function<int()>& cuerpo) { Lanzar(cuerpo); }

    ~Proceso() {
        CerrarEntrada();
        Matar();
        std::fclose(salida_);
    }
    Proceso(const Proceso&) = delete;
    Proceso& operator=(const Proceso&) = delete;

    // The next line of its output without the line end; "" at its end.
    std::string Linea() {
        char linea[4096];
        std::string texto = std::fgets(linea, sizeof linea, salida_) ? linea : "";
        return texto.ends_with('\n') ? texto.substr(0, texto.size() - 1) : texto;
    }
    // Up to `cuantos` bytes of its output (fewer only at its end), or all
    // that is left of it.
    std::string Leer(std::size_t cuantos = std::string::npos) {
        std::string texto;
        char bloque[4096];
        while (texto.size() < cuantos) {
            const std::size_t n =
                std::fread(bloque, 1, std::min(sizeof bloque, cuantos - texto.size()), salida_);
            if (n == 0)
                break;
            texto.append(bloque, n);
        }
        return texto;
    }
    void Escribir(const std::string& texto) {
        if (std::fputs(texto.c_str(), entrada_) < 0 || std::fflush(entrada_) != 0)
            throw std::runtime_error("write");
    }
    // Closes its input: a program reading it sees its end.
    void CerrarEntrada() {
        if (entrada_)
            std::fclose(entrada_);
        entrada_ = nullptr;
    }
    // Waits for its end: its exit status, or minus the signal that ended it.
    int Esperar() {
        int estado = 0;
        while (pid_ > 0 && ::waitpid(pid_, &estado, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFSIGNALED(estado) ? -WTERMSIG(estado) : WEXITSTATUS(estado);
    }
    int Matar() {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
        return Esperar();
    }

private:
    template <class Cuerpo> void Lanzar(const Cuerpo& cuerpo) {
        int haciaHijo[2], desdeHijo[2];
        if (::pipe2(haciaHijo, O_CLOEXEC) != 0 || ::pipe2(desdeHijo, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        std::fflush(nullptr); // nothing buffered is written twice
        if ((pid_ = ::fork()) < 0)
            throw std::runtime_error("fork");
        if (pid_ == 0) {
            ::dup2(haciaHijo[0], 0);
            ::dup2(desdeHijo[1], 1);
            ::dup2(desdeHijo[1], 2);
            int resultado = 125;
            try {
                resultado = cuerpo();
            } catch (...) {
            }
            std::fflush(nullptr);
            ::_exit(resultado);
        }
        ::close(haciaHijo[0]);
        ::close(desdeHijo[1]);
        entrada_ = ::fdopen(haciaHijo[1], "w");
        salida_ = ::fdopen(desdeHijo[0], "r");
    }

    pid_t pid_ = -1;
    std::FILE* entrada_ = nullptr;
    std::FILE* salida_ = nullptr;
};

} // namespace vesmadur::prueba
