#pragma once

#include "detect/Disco.h"

#include <cerrno>
#include <optional>
#include <string>

namespace vesmadur::prueba {

// The real disk with chosen calls failing as a full or broken disk fails.
class DiscoConFallos : public Disco {
public:
    std::optional<std::size_t> LimiteEscritura; // then "no space left"
    bool Alterar = false;                       // each block written has its first byte changed
    bool FallarSincronizar = false;
    bool FallarRenombrar = false;

    ssize_t Escribir(int fd, const void* datos, std::size_t tamano) override {
        if (LimiteEscritura) {
            if (escritos_ >= *LimiteEscritura)
                return Fallo(ENOSPC);
            tamano = std::min(tamano, *LimiteEscritura - escritos_);
        }
        std::string bloque(static_cast<const char*>(datos), tamano);
        if (Alterar && tamano > 0)
            bloque[0] = static_cast<char>(bloque[0] ^ 0x5a);
        ssize_t n = Disco::Escribir(fd, bloque.data(), tamano);
        if (n > 0)
            escritos_ += static_cast<std::size_t>(n);
        return n;
    }
    int Sincronizar(int fd) override {
        return FallarSincronizar ? Fallo(EIO) : Disco::Sincronizar(fd);
    }
    int Renombrar(const char* origen, const char* destino) override {
        return FallarRenombrar ? Fallo(EIO) : Disco::Renombrar(origen, destino);
    }
    int RenombrarSinReemplazar(const char* origen, const char* destino) override {
        return FallarRenombrar ? Fallo(EIO) : Disco::RenombrarSinReemplazar(origen, destino);
    }

private:
    static int Fallo(int numero) {
        errno = numero;
        return -1;
    }
    std::size_t escritos_ = 0;
};

} // namespace vesmadur::prueba
