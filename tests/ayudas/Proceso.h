#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vesmadur::prueba {

#ifdef _WIN32
// A second program started from its command line (the program first), its
// output and errors read through one pipe, nothing to read on its input.
// Killed, if still running, when it goes out of scope. (ayudas/Windows.cpp)
class Proceso {
public:
    explicit Proceso(const std::string& lineaDeOrdenes);
    ~Proceso();
    Proceso(const Proceso&) = delete;
    // The next line of its output without the line end; "" at its end.
    std::string Linea();
    // Waits for its end: its exit code.
    int Esperar();
    int Matar();

private:
    void* proceso_ = nullptr;
    std::FILE* salida_ = nullptr;
};
#else

// A second process, joined to the test by pipes to its input and from its
// output and errors: a forked copy of the test running `cuerpo` (which may
// exec a program), whose result is its exit status (125 when it throws).
// Killed, if still running, when it goes out of scope.
class Proceso {
public:
    explicit Proceso(const std::function<int()>& cuerpo) {
        int haciaHijo[2], desdeHijo[2];
        std::fflush(nullptr); // nothing buffered is written twice
        if (::pipe2(haciaHijo, O_CLOEXEC) != 0 || ::pipe2(desdeHijo, O_CLOEXEC) != 0 ||
            (pid_ = ::fork()) < 0)
            throw std::runtime_error("pipe/fork");
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
    ~Proceso() {
        CerrarEntrada();
        Matar();
        std::fclose(salida_);
    }
    Proceso(const Proceso&) = delete;

    // The next line of its output without the line end; "" at its end.
    std::string Linea() {
        char linea[4096];
        std::string texto = std::fgets(linea, sizeof linea, salida_) ? linea : "";
        return texto.ends_with('\n') ? texto.substr(0, texto.size() - 1) : texto;
    }
    // Up to `cuantos` bytes of its output, fewer only at its end.
    std::string Leer(std::size_t cuantos = std::string::npos) {
        std::string texto;
        for (int c; texto.size() < cuantos && (c = std::fgetc(salida_)) != EOF;)
            texto += static_cast<char>(c);
        return texto;
    }
    void Escribir(const std::string& texto) {
        if (std::fputs(texto.c_str(), entrada_) < 0 || std::fflush(entrada_) != 0)
            throw std::runtime_error("write");
    }
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
    pid_t pid_ = -1;
    std::FILE* entrada_ = nullptr;
    std::FILE* salida_ = nullptr;
};
#endif

} // namespace vesmadur::prueba
