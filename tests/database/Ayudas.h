#pragma once

// Shared helpers of the engine tests: temporary folders, generated databases
// opened as the program opens them, and second programs (the helper
// executable and the `sqlcipher` shell) joined to this process by pipes.

#include "database/Configuracion.h"
#include "database/DBEngine.h"
#include "generador/GeneradorInstalacion.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vesmadur::prueba {

namespace fs = std::filesystem;

inline fs::path CarpetaNueva() {
    std::string plantilla = (fs::temp_directory_path() / "vesmadur-marcacion-XXXXXX").string();
    if (!::mkdtemp(plantilla.data()))
        throw std::runtime_error("mkdtemp");
    return plantilla;
}

// A fresh folder per test, removed afterwards.
struct CarpetaTemporal {
    const fs::path Ruta = CarpetaNueva();
    ~CarpetaTemporal() {
        std::error_code e;
        fs::remove_all(Ruta, e);
    }
    fs::path operator/(const std::string& nombre) const { return Ruta / nombre; }
};

inline std::string LeerBytes(const fs::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Writes `bytes` to `archivo` and gives its path back.
inline fs::path EscribirBytes(const fs::path& archivo, const std::string& bytes) {
    std::ofstream(archivo, std::ios::binary | std::ios::trunc) << bytes;
    return archivo;
}

// Names of the entries in a folder, sorted.
inline std::vector<std::string> Contenido(const fs::path& carpeta) {
    std::vector<std::string> nombres;
    for (const auto& e : fs::directory_iterator(carpeta))
        nombres.push_back(e.path().filename());
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}

// A generated configuration database at `carpeta`/tablas.orv.
inline ResumenGenerado Generar(const CarpetaTemporal& carpeta, std::int32_t entradas) {
    OpcionesGenerador o;
    o.Entradas = entradas;
    o.TablasLD = 3;
    return GenerarBaseConfiguracion(carpeta / "tablas.orv", o);
}

inline std::unique_ptr<Database> AbrirComoPrograma(const fs::path& archivo) {
    return DBEngine::Instancia().Workspaces(0).OpenDatabase(archivo.string(), true, false,
                                                            kConexionConfiguracion);
}

// Column 1 of "Numeros de lada" for one key; throws when the key is absent.
inline Variante TelefonoDe(Database& base, std::int64_t lnId) {
    for (auto c = base.OpenRecordset(kTablaNumeros); !c->Eof(); c->MoveNext())
        if (c->Fields(0).Entero() == lnId)
            return c->Fields(1);
    throw std::runtime_error("no existe lnId " + std::to_string(lnId));
}

// All keys of "Numeros de lada" in order, by a full walk.
inline std::vector<std::int64_t> ClavesDe(Database& base) {
    std::vector<std::int64_t> claves;
    for (auto c = base.OpenRecordset(kTablaNumeros); !c->Eof(); c->MoveNext())
        claves.push_back(*c->Fields(0).Entero());
    return claves;
}

// A second program with its input and output (both streams) joined to this
// process; killed, if still running, when it goes out of scope.
class Proceso {
public:
    explicit Proceso(const std::vector<std::string>& argumentos) {
        int haciaHijo[2], desdeHijo[2];
        if (::pipe2(haciaHijo, O_CLOEXEC) != 0 || ::pipe2(desdeHijo, O_CLOEXEC) != 0 ||
            (pid_ = ::fork()) < 0)
            throw std::runtime_error("pipe/fork");
        if (pid_ == 0) {
            ::dup2(haciaHijo[0], 0);
            ::dup2(desdeHijo[1], 1);
            ::dup2(desdeHijo[1], 2);
            std::vector<char*> args;
            for (const auto& a : argumentos)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
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
    // All its output up to its end.
    std::string Resto() {
        std::string texto;
        char bloque[4096];
        while (const std::size_t n = std::fread(bloque, 1, sizeof bloque, salida_))
            texto.append(bloque, n);
        return texto;
    }
    void Escribir(const std::string& texto) {
        if (std::fputs(texto.c_str(), entrada_) < 0 || std::fflush(entrada_) != 0)
            throw std::runtime_error("write");
    }
    // Closes its input (the helper then closes its database and ends).
    void CerrarEntrada() {
        if (entrada_)
            std::fclose(entrada_);
        entrada_ = nullptr;
    }
    // Waits for its end: its exit status, or -signal when killed.
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

// The helper: "retener RUTA" or "ejecutar RUTA SENTENCIA" (see ayudante_motor).
inline std::vector<std::string> Ayudante(const std::string& orden, const fs::path& ruta,
                                         const std::string& sentencia = "") {
    std::vector<std::string> args{VESMADUR_AYUDANTE, orden, ruta.string(), sentencia};
    args.resize(sentencia.empty() ? 3 : 4);
    return args;
}

inline std::vector<std::string> Shell(const fs::path& archivo) {
    return {VESMADUR_SHELL, "-batch", archivo.string()};
}

// Runs the shell on `archivo` with the script as its input (after the
// configuration key when `conClave`); gives what it printed.
inline std::string EjecutarShell(const fs::path& archivo, const std::string& guion,
                                 bool conClave = true) {
    Proceso shell(Shell(archivo));
    shell.Escribir((conClave ? "PRAGMA key='KVTR5316';\n" : "") + guion);
    shell.CerrarEntrada();
    return shell.Resto();
}

} // namespace vesmadur::prueba
