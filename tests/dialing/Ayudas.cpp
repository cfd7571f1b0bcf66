#include "Ayudas.h"

#include "dialing/Configuracion.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vesmadur::prueba {

CarpetaTemporal::CarpetaTemporal() {
    std::string plantilla = (fs::temp_directory_path() / "vesmadur-marcacion-XXXXXX").string();
    if (!::mkdtemp(plantilla.data()))
        throw std::runtime_error("mkdtemp");
    ruta_ = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ignorado;
    fs::remove_all(ruta_, ignorado);
}

std::string LeerBytes(const fs::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void EscribirBytes(const fs::path& archivo, const std::string& bytes) {
    std::ofstream f(archivo, std::ios::binary | std::ios::trunc);
    f << bytes;
}

std::vector<std::string> Contenido(const fs::path& carpeta) {
    std::vector<std::string> nombres;
    for (const auto& e : fs::directory_iterator(carpeta))
        nombres.push_back(e.path().filename());
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}

std::unique_ptr<Database> AbrirComoPrograma(const fs::path& archivo) {
    return DBEngine::Instancia().Workspaces(0).OpenDatabase(archivo.string(), true, false,
                                                            kConexionConfiguracion);
}

Variante TelefonoDe(Database& base, std::int64_t lnId) {
    auto cursor = base.OpenRecordset(kTablaNumeros);
    for (; !cursor->Eof(); cursor->MoveNext())
        if (cursor->Fields(0).Entero() == lnId)
            return cursor->Fields(1);
    throw std::runtime_error("no existe lnId " + std::to_string(lnId));
}

std::vector<std::int64_t> ClavesDe(Database& base) {
    std::vector<std::int64_t> claves;
    auto cursor = base.OpenRecordset(kTablaNumeros);
    for (; !cursor->Eof(); cursor->MoveNext())
        claves.push_back(*cursor->Fields(0).Entero());
    return claves;
}

std::string EjecutarShell(const fs::path& archivo, const std::string& guion) {
    Proceso shell(Shell(archivo));
    shell.Escribir(guion);
    shell.CerrarEntrada();
    std::string salida, linea;
    while (shell.LeerLinea(linea))
        salida += linea + "\n";
    shell.Esperar();
    return salida;
}

// --- Proceso -------------------------------------------------------------------

Proceso::Proceso(const std::vector<std::string>& argumentos) {
    int haciaHijo[2];
    int desdeHijo[2];
    if (::pipe2(haciaHijo, O_CLOEXEC) != 0 || ::pipe2(desdeHijo, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork");
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
    entrada_ = haciaHijo[1];
    salida_ = desdeHijo[0];
}

Proceso::~Proceso() {
    CerrarEntrada();
    if (pid_ > 0) {
        Matar();
        Esperar();
    }
    if (salida_ >= 0)
        ::close(salida_);
}

bool Proceso::LeerLinea(std::string& linea) {
    for (;;) {
        const auto fin = pendiente_.find('\n');
        if (fin != std::string::npos) {
            linea = pendiente_.substr(0, fin);
            pendiente_.erase(0, fin + 1);
            return true;
        }
        char bloque[4096];
        const ssize_t n = ::read(salida_, bloque, sizeof bloque);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            linea = pendiente_;
            pendiente_.clear();
            return !linea.empty();
        }
        pendiente_.append(bloque, static_cast<std::size_t>(n));
    }
}

void Proceso::Escribir(const std::string& texto) {
    std::size_t hecho = 0;
    while (hecho < texto.size()) {
        const ssize_t n = ::write(entrada_, texto.data() + hecho, texto.size() - hecho);
        if (n <= 0)
            throw std::runtime_error("write");
        hecho += static_cast<std::size_t>(n);
    }
}

void Proceso::CerrarEntrada() {
    if (entrada_ >= 0)
        ::close(entrada_);
    entrada_ = -1;
}

void Proceso::Matar() {
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
}

int Proceso::Esperar() {
    if (pid_ <= 0)
        return -1;
    int estado = 0;
    while (::waitpid(pid_, &estado, 0) < 0)
        if (errno != EINTR)
            return -1;
    pid_ = -1;
    if (WIFSIGNALED(estado))
        return -WTERMSIG(estado);
    return WEXITSTATUS(estado);
}

std::vector<std::string> Ayudante(const std::vector<std::string>& argumentos) {
    std::vector<std::string> todo{VESMADUR_AYUDANTE};
    todo.insert(todo.end(), argumentos.begin(), argumentos.end());
    return todo;
}

std::vector<std::string> Shell(const fs::path& archivo) {
    return {VESMADUR_SHELL, "-batch", archivo.string()};
}

} // namespace vesmadur::prueba
