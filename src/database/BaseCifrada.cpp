#include "database/BaseCifrada.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sqlcipher/sqlite3.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesmadur {

namespace {

// The file format: SQLCipher 3 as Debian's sqlcipher package writes it by
// default, so a maintainer's `sqlcipher` shell with PRAGMA key reads our
// files and we read its files. Every setting is stated, none left to the
// library's defaults. AES-256-CBC is the only cipher of that format; its
// HMAC is HMAC-SHA1 and its key derivation PBKDF2-HMAC-SHA1, with no
// plaintext header. The last three have no setting in SQLCipher 3 (they are
// fixed there) and are set explicitly on later versions.
struct ParametroCifrado {
    const char* Orden;
    const char* Esperado;
    bool SoloDesdeVersion4;
};

constexpr ParametroCifrado kParametrosCifrado[] = {
    {"PRAGMA cipher_page_size = 1024", "1024", false},
    {"PRAGMA kdf_iter = 64000", "64000", false},
    {"PRAGMA fast_kdf_iter = 2", "2", false},
    {"PRAGMA cipher_use_hmac = ON", "1", false},
    {"PRAGMA cipher_hmac_pgno = le", "le", false},
    {"PRAGMA cipher_hmac_salt_mask = \"x'3a'\"", "3a", false},
    {"PRAGMA cipher_hmac_algorithm = HMAC_SHA1", "HMAC_SHA1", true},
    {"PRAGMA cipher_kdf_algorithm = PBKDF2_HMAC_SHA1", "PBKDF2_HMAC_SHA1", true},
    {"PRAGMA cipher_plaintext_header_size = 0", "0", true},
};

constexpr const char* kCifrador = "AES-256-CBC";

// One statement run to its first row. Bien is false when the library
// reports a failure; Valor holds column 0 of the first row, if any.
struct Resultado {
    bool Bien = false;
    std::optional<std::string> Valor;
};

Resultado Consultar(sqlite3* base, const char* sql) {
    Resultado r;
    sqlite3_stmt* sentencia = nullptr;
    if (sqlite3_prepare_v2(base, sql, -1, &sentencia, nullptr) != SQLITE_OK) {
        sqlite3_finalize(sentencia);
        return r;
    }
    int rc = sqlite3_step(sentencia);
    if (rc == SQLITE_ROW) {
        const auto* texto = sqlite3_column_text(sentencia, 0);
        r.Valor = texto ? std::string(reinterpret_cast<const char*>(texto)) : std::string();
        // Pragmas that answer with several rows are walked to their end.
        while ((rc = sqlite3_step(sentencia)) == SQLITE_ROW) {
        }
    }
    r.Bien = rc == SQLITE_DONE;
    if (sqlite3_finalize(sentencia) != SQLITE_OK)
        r.Bien = false;
    return r;
}

bool Igual(const std::optional<std::string>& valor, const char* esperado) {
    return valor && strcasecmp(valor->c_str(), esperado) == 0;
}

bool Ejecutar(sqlite3* base, const char* sql) {
    return sqlite3_exec(base, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The version of the library decides which settings exist in it.
bool EsVersion3(sqlite3* base) {
    const auto version = Consultar(base, "PRAGMA cipher_version");
    return version.Bien && version.Valor && version.Valor->rfind("3.", 0) == 0;
}

bool FijarCifrado(sqlite3* base) {
    const bool version3 = EsVersion3(base);
    for (const auto& p : kParametrosCifrado) {
        if (!Consultar(base, p.Orden).Bien)
            return false;
        std::string lectura = p.Orden;
        lectura = lectura.substr(0, lectura.find(" ="));
        const auto leido = Consultar(base, lectura.c_str());
        if (!leido.Bien)
            return false;
        if (p.SoloDesdeVersion4 && version3 && !leido.Valor)
            continue;
        if (!Igual(leido.Valor, p.Esperado))
            return false;
    }
    const auto cifrador = Consultar(base, "PRAGMA cipher");
    if (!cifrador.Bien)
        return false;
    return version3 ? Igual(cifrador.Valor, kCifrador)
                    : (!cifrador.Valor || Igual(cifrador.Valor, kCifrador));
}

std::optional<IdArchivo> Identidad(const struct stat& datos) {
    return IdArchivo{static_cast<std::uint64_t>(datos.st_dev),
                     static_cast<std::uint64_t>(datos.st_ino)};
}

// Everything after sqlite3_open: any false closes the connection.
bool Preparar(sqlite3* base, const std::string& ruta, const std::string& clave, ModoApertura modo,
              IdArchivo id) {
    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode) || *Identidad(datos) != id)
        return false;
    if (sqlite3_extended_result_codes(base, 1) != SQLITE_OK)
        return false;
    if (sqlite3_busy_timeout(base, 0) != SQLITE_OK)
        return false;
    if (sqlite3_key(base, clave.data(), static_cast<int>(clave.size())) != SQLITE_OK)
        return false;
    if (!FijarCifrado(base))
        return false;
    if (modo.Exclusivo &&
        !Igual(Consultar(base, "PRAGMA locking_mode = EXCLUSIVE").Valor, "exclusive"))
        return false;

    // Reading the schema proves the key (a wrong key or a foreign file reads
    // as "not a database"), and rolls back a hot journal or replays a log
    // left by a crash.
    const auto esquema = Consultar(base, "SELECT count(*) FROM sqlite_master");
    if (!esquema.Bien || !esquema.Valor)
        return false;

    const bool escribe = modo.Exclusivo && !modo.SoloLectura;
    if (escribe) {
        // A log left by a crash is folded into the file, which goes back to
        // the rollback journal it keeps at rest.
        const auto diario = Consultar(base, "PRAGMA journal_mode");
        if (!diario.Bien)
            return false;
        if (!Igual(diario.Valor, "delete") &&
            !Igual(Consultar(base, "PRAGMA journal_mode = DELETE").Valor, "delete"))
            return false;
        // The exclusive lock is taken now and kept until the close.
        if (!Ejecutar(base, "BEGIN EXCLUSIVE"))
            return false;
        if (!Ejecutar(base, "COMMIT"))
            return false;
    }
    if (!modo.SoloLectura && !Consultar(base, "PRAGMA synchronous = FULL").Bien)
        return false;

    if (!modo.Crear) {
        // A truncated file may still show its first page; its header tells
        // how many pages it should have.
        const auto paginas = Consultar(base, "PRAGMA page_count");
        const auto tamPagina = Consultar(base, "PRAGMA page_size");
        if (!paginas.Valor || !tamPagina.Valor)
            return false;
        const auto diario = Consultar(base, "PRAGMA journal_mode");
        if (!Igual(diario.Valor, "wal")) {
            if (::stat(ruta.c_str(), &datos) != 0)
                return false;
            const long long esperado = std::stoll(*paginas.Valor) * std::stoll(*tamPagina.Valor);
            if (esperado <= 0 || esperado > static_cast<long long>(datos.st_size))
                return false;
        }
    }
    return true;
}

} // namespace

std::string DescripcionError(sqlite3* base) {
    const char* texto = base ? sqlite3_errmsg(base) : nullptr;
    return texto ? texto : "Unknown database engine error.";
}

BaseAbierta AbrirBaseCifrada(const std::string& ruta, const std::string& clave, ModoApertura modo) {
    BaseAbierta resultado;
    resultado.Modo = modo;
    if (ruta.empty() || clave.empty())
        return resultado;
    if (modo.Crear && modo.SoloLectura)
        return resultado;

    bool creado = false;
    if (modo.Crear) {
        // The file is made here, failing if anything is at the path already,
        // so an existing database is never taken for a new one.
        const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return resultado;
        ::close(fd);
        creado = true;
    }

    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode))
        return resultado;
    // An empty file is not a database (the library would take it for a new one).
    if (!modo.Crear && datos.st_size == 0)
        return resultado;
    const IdArchivo id = *Identidad(datos);
    if (!RetenerArchivo(id, modo.Exclusivo))
        return resultado;

    const int banderas = (modo.SoloLectura ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                         SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
    sqlite3* base = nullptr;
    const bool bien = sqlite3_open_v2(ruta.c_str(), &base, banderas, nullptr) == SQLITE_OK &&
                      Preparar(base, ruta, clave, modo, id);
    if (!bien) {
        sqlite3_close_v2(base);
        SoltarArchivo(id, modo.Exclusivo);
        if (creado)
            ::unlink(ruta.c_str());
        return resultado;
    }
    resultado.Base = base;
    resultado.Id = id;
    return resultado;
}

void ActivarRegistroRapido(BaseAbierta& base) {
    if (!base.Base || base.EnRegistroRapido)
        return;
    if (!base.Modo.Exclusivo || base.Modo.SoloLectura)
        return;
    // With the exclusive locking mode set before the log is first used, the
    // log index lives in this process's memory: no shared-memory file.
    if (!Igual(Consultar(base.Base, "PRAGMA journal_mode = WAL").Valor, "wal"))
        return;
    base.EnRegistroRapido = true;
    Consultar(base.Base, "PRAGMA synchronous = NORMAL");
    // The log is copied into the file every 16 MiB of changes rather than
    // every 1 MiB: fewer disk flushes during a long run of statements.
    Consultar(base.Base, "PRAGMA wal_autocheckpoint = 16384");
}

std::string CerrarBaseCifrada(BaseAbierta& base) {
    if (!base.Base)
        return {};
    std::string error;
    if (base.EnRegistroRapido) {
        // Copies the log into the file, removes it and marks the file as a
        // rollback-journal database again, with full flushes from here on.
        Consultar(base.Base, "PRAGMA synchronous = FULL");
        const auto diario = Consultar(base.Base, "PRAGMA journal_mode = DELETE");
        if (!Igual(diario.Valor, "delete"))
            error = DescripcionError(base.Base);
    }
    if (sqlite3_close(base.Base) != SQLITE_OK) {
        if (error.empty())
            error = DescripcionError(base.Base);
        sqlite3_close_v2(base.Base);
    }
    SoltarArchivo(base.Id, base.Modo.Exclusivo);
    base.Base = nullptr;
    base.EnRegistroRapido = false;
    return error;
}

} // namespace vesmadur
