#include "database/BaseCifrada.h"

#include "database/VfsConFallos.h"

#include <charconv>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sqlcipher/sqlite3.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// Owning handles: whatever path leaves a scope, a statement is finalized and
// a connection closed (a connection with a statement left open would stay
// open, with its file, until the statement went). Their results are not
// looked at: they run on paths that already report a failure, and
// sqlite3_close_v2 always lets go (it closes once the last statement goes).
struct Finalizar {
    void operator()(sqlite3_stmt* sentencia) const { sqlite3_finalize(sentencia); }
};
struct Cerrar {
    void operator()(sqlite3* base) const { sqlite3_close_v2(base); }
};
using Sentencia = std::unique_ptr<sqlite3_stmt, Finalizar>;
using ConexionSqlite = std::unique_ptr<sqlite3, Cerrar>;

// One statement run to its first row. Bien is false when the library
// reports a failure; Valor holds column 0 of the first row, if any.
struct Resultado {
    bool Bien = false;
    std::optional<std::string> Valor;
};

[[nodiscard]] Resultado Consultar(sqlite3* base, const char* sql) {
    Resultado r;
    sqlite3_stmt* preparada = nullptr;
    const int rcPreparar = sqlite3_prepare_v2(base, sql, -1, &preparada, nullptr);
    Sentencia sentencia(preparada);
    if (rcPreparar != SQLITE_OK || !sentencia)
        return r;
    int rc = sqlite3_step(sentencia.get());
    if (rc == SQLITE_ROW) {
        const auto* texto = sqlite3_column_text(sentencia.get(), 0);
        // No text is a Null value, or the library out of memory: a failure.
        if (!texto && sqlite3_errcode(base) == SQLITE_NOMEM)
            return r;
        r.Valor = texto ? std::string(reinterpret_cast<const char*>(texto)) : std::string();
        // Pragmas that answer with several rows are walked to their end.
        while ((rc = sqlite3_step(sentencia.get())) == SQLITE_ROW) {
        }
    }
    r.Bien = rc == SQLITE_DONE && sqlite3_finalize(sentencia.release()) == SQLITE_OK;
    return r;
}

bool Igual(const std::optional<std::string>& valor, const char* esperado) {
    return valor && strcasecmp(valor->c_str(), esperado) == 0;
}

// The statement runs and its first value is `esperado`.
bool Da(sqlite3* base, const char* sql, const char* esperado) {
    const auto r = Consultar(base, sql);
    return r.Bien && Igual(r.Valor, esperado);
}

// A whole number answered by a pragma; nothing when it is not one.
std::optional<long long> Numero(sqlite3* base, const char* sql) {
    const auto r = Consultar(base, sql);
    long long n = 0;
    if (!r.Bien || !r.Valor)
        return std::nullopt;
    const char* fin = r.Valor->data() + r.Valor->size();
    const auto [resto, error] = std::from_chars(r.Valor->data(), fin, n);
    if (error != std::errc() || resto != fin)
        return std::nullopt;
    return n;
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

// Removes the file at `Ruta`, made by the open, when the open does not get
// through.
struct ArchivoNuevo {
    const std::string* Ruta = nullptr;
    ArchivoNuevo() = default;
    ArchivoNuevo(const ArchivoNuevo&) = delete;
    ArchivoNuevo& operator=(const ArchivoNuevo&) = delete;
    ~ArchivoNuevo() {
        if (Ruta)
            ::unlink(Ruta->c_str());
    }
};

// Everything after sqlite3_open: any false closes the connection.
bool Preparar(sqlite3* base, const std::string& ruta, const std::string& clave, ModoApertura modo,
              IdArchivo id) {
    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode) || IdArchivo::De(datos) != id)
        return false;
    if (sqlite3_extended_result_codes(base, 1) != SQLITE_OK)
        return false;
    if (sqlite3_busy_timeout(base, 0) != SQLITE_OK)
        return false;
    if (sqlite3_key(base, clave.data(), static_cast<int>(clave.size())) != SQLITE_OK)
        return false;
    if (!FijarCifrado(base))
        return false;
    if (modo.Exclusivo && !Da(base, "PRAGMA locking_mode = EXCLUSIVE", "exclusive"))
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
        if (!Igual(diario.Valor, "delete") && !Da(base, "PRAGMA journal_mode = DELETE", "delete"))
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
        const auto paginas = Numero(base, "PRAGMA page_count");
        const auto tamPagina = Numero(base, "PRAGMA page_size");
        const auto diario = Consultar(base, "PRAGMA journal_mode");
        if (!paginas || !tamPagina || !diario.Bien)
            return false;
        if (!Igual(diario.Valor, "wal")) {
            if (::stat(ruta.c_str(), &datos) != 0)
                return false;
            // At most 2^32 pages of at most 64 KiB: no overflow.
            const long long esperado = *paginas * *tamPagina;
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

    // Every step below may fail or throw; the guards undo, in reverse order,
    // what was done (close the connection, give the file back, remove the
    // file made here) unless the open gets through.
    ArchivoNuevo nuevo;
    if (modo.Crear) {
        // The file is made here, failing if anything is at the path already,
        // so an existing database is never taken for a new one.
        const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return resultado;
        nuevo.Ruta = &ruta;
        if (::close(fd) != 0)
            return resultado;
    }

    struct stat datos {};
    if (::stat(ruta.c_str(), &datos) != 0 || !S_ISREG(datos.st_mode))
        return resultado;
    // An empty file is not a database (the library would take it for a new one).
    if (!modo.Crear && datos.st_size == 0)
        return resultado;
    const IdArchivo id = IdArchivo::De(datos);
    Retencion retencion(id, modo.Exclusivo);
    if (!retencion.Retenido())
        return resultado;

    const int banderas = (modo.SoloLectura ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                         SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
    sqlite3* abierta = nullptr;
    // A connection comes back even from a failed open, and must be closed.
    const int rc = sqlite3_open_v2(ruta.c_str(), &abierta, banderas, VfsDePrueba());
    ConexionSqlite base(abierta);
    if (rc != SQLITE_OK || !base || !Preparar(base.get(), ruta, clave, modo, id))
        return resultado;

    // Nothing below can fail: the caller takes the connection and the hold.
    resultado.Base = base.release();
    resultado.Id = id;
    retencion.Entregar();
    nuevo.Ruta = nullptr;
    return resultado;
}

void ActivarRegistroRapido(BaseAbierta& base) {
    if (!base.Base || base.EnRegistroRapido)
        return;
    if (!base.Modo.Exclusivo || base.Modo.SoloLectura)
        return;
    // With the exclusive locking mode set before the log is first used, the
    // log index lives in this process's memory: no shared-memory file.
    // Refused, the session stays on the rollback journal.
    if (!Da(base.Base, "PRAGMA journal_mode = WAL", "wal"))
        return;
    base.EnRegistroRapido = true;
    // The two settings below only make the session faster. Either one the
    // library refuses keeps its default, the safer value, and the session
    // goes on: slower, just as safe.
    if (!Consultar(base.Base, "PRAGMA synchronous = NORMAL").Bien) {
        // Stays FULL: a disk flush at every commit.
    }
    // The log is copied into the file every 16 MiB of changes rather than
    // every 1 MiB: fewer disk flushes during a long run of statements.
    if (!Da(base.Base, "PRAGMA wal_autocheckpoint = 16384", "16384")) {
        // Stays at every 1000 pages: more flushes.
    }
}

std::string CerrarBaseCifrada(BaseAbierta& base) {
    if (!base.Base)
        return {};
    // From here the connection is closed and the file given back on every
    // path, a thrown exception included.
    const Retencion retencion = Retencion::Adoptar(base.Id, base.Modo.Exclusivo);
    ConexionSqlite conexion(std::exchange(base.Base, nullptr));
    std::string error;
    if (std::exchange(base.EnRegistroRapido, false)) {
        // Copies the log into the file, removes it and marks the file as a
        // rollback-journal database again, with full flushes from here on.
        // Without full flushes the switch still runs (a kill stays harmless;
        // only a power cut in the middle of it is less covered), and the
        // refusal is reported.
        if (!Consultar(conexion.get(), "PRAGMA synchronous = FULL").Bien)
            error = DescripcionError(conexion.get());
        if (!Da(conexion.get(), "PRAGMA journal_mode = DELETE", "delete") && error.empty())
            error = DescripcionError(conexion.get());
    }
    // A refused close is reported; the owning handle then closes the
    // connection as soon as the library can.
    if (sqlite3_close(conexion.get()) == SQLITE_OK)
        conexion.release();
    else if (error.empty())
        error = DescripcionError(conexion.get());
    return error;
}

} // namespace vesmadur
