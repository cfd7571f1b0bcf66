#pragma once

#include "dialing/MotorDAO.h"
#include "generador/GeneradorInstalacion.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vesmadur::prueba {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
    const fs::path& Ruta() const { return ruta_; }
    fs::path operator/(const std::string& nombre) const { return ruta_ / nombre; }

private:
    fs::path ruta_;
};

std::string LeerBytes(const fs::path& archivo);
void EscribirBytes(const fs::path& archivo, const std::string& bytes);
// Names of the entries in a folder, sorted.
std::vector<std::string> Contenido(const fs::path& carpeta);

// The configuration database opened as the program opens it.
std::unique_ptr<Database> AbrirComoPrograma(const fs::path& archivo);
// The value of column 1 of "Numeros de lada" for one key, read by the engine.
Variante TelefonoDe(Database& base, std::int64_t lnId);
// All keys of "Numeros de lada" in order, by a full walk.
std::vector<std::int64_t> ClavesDe(Database& base);

// Runs the `sqlcipher` shell on `archivo` with the script as its input;
// gives what it printed (both streams).
std::string EjecutarShell(const fs::path& archivo, const std::string& guion);

// A second program: the helper executable or the shell, with its input and
// output joined to this process by pipes.
class Proceso {
public:
    explicit Proceso(const std::vector<std::string>& argumentos);
    ~Proceso();
    Proceso(const Proceso&) = delete;
    Proceso& operator=(const Proceso&) = delete;

    // The next line of its output, without the line end; false at its end.
    bool LeerLinea(std::string& linea);
    void Escribir(const std::string& texto);
    // Closes its input (the helper then closes its database and ends).
    void CerrarEntrada();
    void Matar();
    // Waits for its end; its exit status, or -signal when killed.
    int Esperar();

private:
    pid_t pid_ = -1;
    int entrada_ = -1;
    int salida_ = -1;
    std::string pendiente_;
};

// The helper executable: "retener RUTA" or "ejecutar RUTA SENTENCIA".
std::vector<std::string> Ayudante(const std::vector<std::string>& argumentos);
std::vector<std::string> Shell(const fs::path& archivo);

} // namespace vesmadur::prueba
