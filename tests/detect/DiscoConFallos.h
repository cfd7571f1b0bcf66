#pragma once

#include "detect/Disco.h"

#include <cerrno>
#include <optional>
#include <string>

namespace vesmadur::prueba {

// The real disk with chosen calls made to fail, as a full or broken disk
// would make them fail.
class DiscoConFallos : public Disco {
public:
    // Writing stops with "no space left" once this many bytes are written.
    std::optional<std::size_t> LimiteEscritura;
    // Every block written has its first byte changed, as a disk that stores
    // something else than it was given.
    bool Alterar = false;
    bool FallarSincronizar = false;
    bool FallarRenombrar = false;
    bool FallarLectura = false;

    std::size_t Escritos = 0;

    ssize_t Leer(int fd, void* datos, std::size_t tamano) override {
        if (FallarLectura)
            return Fallo(EIO);
        return Disco::Leer(fd, datos, tamano);
    }

    ssize_t Escribir(int fd, const void* datos, std::size_t tamano) override {
        if (LimiteEscritura) {
            if (Escritos >= *LimiteEscritura)
                return Fallo(ENOSPC);
            if (tamano > *LimiteEscritura - Escritos)
                tamano = *LimiteEscritura - Escritos;
        }
        ssize_t n;
        if (Alterar && tamano > 0) {
            std::string copia(static_cast<const char*>(datos), tamano);
            copia[0] = static_cast<char>(copia[0] ^ 0x5a);
            n = Disco::Escribir(fd, copia.data(), copia.size());
        } else {
            n = Disco::Escribir(fd, datos, tamano);
        }
        if (n > 0)
            Escritos += static_cast<std::size_t>(n);
        return n;
    }

    int Sincronizar(int fd) override {
        return FallarSincronizar ? static_cast<int>(Fallo(EIO)) : Disco::Sincronizar(fd);
    }

    int Renombrar(const char* origen, const char* destino) override {
        return FallarRenombrar ? static_cast<int>(Fallo(EIO)) : Disco::Renombrar(origen, destino);
    }

    int RenombrarSinReemplazar(const char* origen, const char* destino) override {
        return FallarRenombrar ? static_cast<int>(Fallo(EIO))
                               : Disco::RenombrarSinReemplazar(origen, destino);
    }

private:
    static ssize_t Fallo(int numero) {
        errno = numero;
        return -1;
    }
};

} // namespace vesmadur::prueba
