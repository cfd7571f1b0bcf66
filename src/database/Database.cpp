#include "database/Database.h"

#include "database/Conexion.h"
#include "database/DialectoJet.h"
#include "database/FormaSentencia.h"
#include "database/TextoSql.h"
#include "database/VigiaConfirmaciones.h"

#include <atomic>
#include <limits>
#include <utility>
#include <sqlcipher/sqlite3.h>

namespace vesmadur {

namespace {

void AlCambiarFila(void* contexto, int operacion, const char*, const char* tabla,
                   sqlite3_int64 clave) {
    auto* conexion = static_cast<Conexion*>(contexto);
    ++conexion->Avisos;
    for (auto* cursor : conexion->Cursores)
        AvisarCambioFila(*cursor, operacion == SQLITE_UPDATE, tabla, clave);
}

std::string PrimeraPalabra(const std::string& sql) {
    std::size_t i = 0;
    while (i < sql.size() && letras::EsBlanco(sql[i]))
        ++i;
    std::string palabra;
    while (i < sql.size() && letras::EsLetra(sql[i]))
        palabra += letras::Mayuscula(sql[i++]);
    return palabra;
}

// The statements Jet runs through Execute: changes to rows and to the schema.
// Anything else (transactions, pragmas, attaching files) is refused, so no
// statement can weaken the session's settings.
bool EsSentenciaAceptada(const std::string& palabra) {
    return palabra == "INSERT" || palabra == "UPDATE" || palabra == "DELETE" ||
           palabra == "CREATE" || palabra == "DROP" || palabra == "ALTER";
}

bool CambiaSoloFilas(const std::string& palabra) {
    return palabra == "INSERT" || palabra == "UPDATE" || palabra == "DELETE";
}

const char* const kNoEsSentencia =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";

// The bounds of a group of statements committed together. A kill loses at
// most the open group: at most this many statements, begun within this
// time of its first one (give or take 15 statements), with at most this
// much text. A commit encrypts and authenticates every page the group
// changed: an adjustment run of 100,000 entries took 1.15 s committing each
// statement, 0.44 s in groups of 10 and 0.36 s from 100 on, the same up to
// 10,000. A thousand statements are a few milliseconds of work; the time
// bound keeps a group of slow ones short.
constexpr std::size_t kSentenciasPorGrupo = 1000;
constexpr auto kTiempoPorGrupo = std::chrono::milliseconds(50);
constexpr std::size_t kBytesPorGrupo = std::size_t{1} << 20;

std::atomic<VigiaConfirmaciones> gVigia{nullptr};

std::string Ejecutar(sqlite3* base, const char* sql) {
    return sqlite3_exec(base, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? std::string()
                                                                            : DescripcionError(base);
}

// Binds the literals of `forma` to the statement of its text; false when
// one does not bind exactly (a text too long for the library).
bool Enlazar(sqlite3_stmt* orden, const FormaSentencia& forma) {
    if (sqlite3_bind_parameter_count(orden) != static_cast<int>(forma.Literales.size()))
        return false;
    int indice = 0;
    for (const auto& literal : forma.Literales) {
        ++indice;
        int rc = SQLITE_TOOBIG;
        if (const auto* entero = std::get_if<std::int64_t>(&literal))
            rc = sqlite3_bind_int64(orden, indice, *entero);
        else if (const auto& texto = std::get<std::string>(literal);
                 texto.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max()))
            rc = sqlite3_bind_text(orden, indice, texto.data(), static_cast<int>(texto.size()),
                                   SQLITE_STATIC);
        if (rc != SQLITE_OK)
            return false;
    }
    return true;
}

// One accepted statement ready to run: the prepared statement of its shape
// with its literals bound when it has one, otherwise its text prepared as it
// is. A statement that cannot run is refused before anything happens.
class Orden {
public:
    // `forma` is where the shape is read into; the bound texts point into it.
    Orden(Conexion& conexion, std::string_view sql, FormaSentencia& forma)
        : base_(conexion.Base.Base) {
        if (LeerForma(sql, forma)) {
            orden_.emplace(conexion, forma.Texto);
            if (!orden_->Get() || !Enlazar(orden_->Get(), forma))
                orden_.reset();
        }
        if (!orden_) {
            orden_.emplace(conexion, std::string(sql), false);
            if (!orden_->Get()) {
                Rechazo = DescripcionError(base_);
                return;
            }
            // A parameter of its own has no value here: it would read as
            // Null and turn the statement into one that silently matches
            // nothing.
            if (const int parametros = sqlite3_bind_parameter_count(orden_->Get()); parametros > 0)
                Rechazo = "Too few parameters. Expected " + std::to_string(parametros) + ".";
        }
        if (sqlite3_column_count(orden_->Get()) > 0)
            Rechazo = "Cannot execute a select query.";
    }

    // Runs it once; the engine's description of a failure, or an empty text.
    std::string Correr(long long& cambios) {
        const int rc = sqlite3_step(orden_->Get());
        std::string error = rc == SQLITE_DONE ? std::string() : DescripcionError(base_);
        cambios = sqlite3_changes(base_);
        if (orden_->Devolver() != SQLITE_OK && error.empty())
            error = DescripcionError(base_);
        return error;
    }

    std::string Rechazo;

private:
    sqlite3* base_;
    std::optional<SentenciaPrestada> orden_;
};

// Runs a statement that ran before; the engine's description of a failure.
std::string Correr(Conexion& conexion, std::string_view sql) {
    FormaSentencia forma;
    Orden orden(conexion, sql, forma);
    long long cambios = 0;
    return orden.Rechazo.empty() ? orden.Correr(cambios) : orden.Rechazo;
}

bool AbrirGrupo(Conexion& conexion) {
    if (!Ejecutar(conexion.Base.Base, "BEGIN").empty())
        return false;
    conexion.Grupo.Abierto = true;
    conexion.Grupo.Desde = std::chrono::steady_clock::now();
    return true;
}

// Commits the open group; a refused commit rolls it back and is reported.
std::string Confirmar(Conexion& conexion) {
    if (!conexion.Grupo.Abierto)
        return {};
    sqlite3* base = conexion.Base.Base;
    const auto vigia = gVigia.load();
    if (vigia)
        vigia(MomentoConfirmacion::Antes, conexion.Confirmados);
    conexion.Grupo.Vaciar();
    std::string error = Ejecutar(base, "COMMIT");
    if (!error.empty()) {
        if (!sqlite3_get_autocommit(base))
            Ejecutar(base, "ROLLBACK");
        return error;
    }
    conexion.Confirmados = sqlite3_total_changes(base);
    if (vigia)
        vigia(MomentoConfirmacion::Despues, conexion.Confirmados);
    return {};
}

// The library rolled the whole open group back (a trigger's RAISE(ROLLBACK),
// an OR ROLLBACK conflict, memory or disk exhausted). Its statements all
// succeeded before, so they run again in a new group and only the failing
// one is lost; if one fails again, the group is lost with it.
void RepetirGrupo(Conexion& conexion) {
    const GrupoCambios anterior = std::exchange(conexion.Grupo, {});
    if (!AbrirGrupo(conexion))
        return;
    std::size_t inicio = 0;
    for (const std::size_t fin : anterior.Fines) {
        const std::string_view sql(anterior.Textos.data() + inicio, fin - inicio);
        inicio = fin;
        if (!Correr(conexion, sql).empty()) {
            Ejecutar(conexion.Base.Base, "ROLLBACK");
            conexion.Grupo.Vaciar();
            return;
        }
    }
}

} // namespace

void VigilarConfirmaciones(VigiaConfirmaciones vigia) {
    gVigia.store(vigia);
}

// --- Database ---------------------------------------------------------------

Database::Database(std::shared_ptr<Conexion> conexion) : conexion_(std::move(conexion)) {
    sqlite3_update_hook(conexion_->Base.Base, &AlCambiarFila, conexion_.get());
}

Database::~Database() {
    try {
        Close();
    } catch (const ErrorMotor&) {
        // A destructor cannot report; everything is released all the same.
    }
}

const std::string& Database::Name() const {
    return conexion_->Ruta;
}

void Database::Execute(const std::string& sentencia) {
    if (!conexion_->Abierta())
        throw ErrorMotor("Object invalid or no longer set.");
    Conexion& conexion = *conexion_;
    sqlite3* base = conexion.Base.Base;
    // A failure commits what ran before it; a commit that fails too is
    // what the caller hears of, since it lost those changes.
    const auto fallar = [&conexion](const std::string& error) {
        const auto confirmacion = Confirmar(conexion);
        throw ErrorMotor(confirmacion.empty() ? error : confirmacion);
    };
    std::string& sql = conexion.Traducida;
    try {
        TraducirDialecto(sentencia, sql);
    } catch (const ErrorMotor& rechazo) {
        fallar(rechazo.Descripcion());
    }
    const std::string palabra = PrimeraPalabra(sql);
    if (!EsSentenciaAceptada(palabra))
        fallar(kNoEsSentencia);
    Orden orden(conexion, sql, conexion.Forma);
    if (!orden.Rechazo.empty())
        fallar(orden.Rechazo);
    // The session moves to its log with the first statement that can run,
    // so a session that changes nothing leaves the file untouched.
    ActivarRegistroRapido(conexion.Base);
    // No other handle can read an exclusive session's file, so its
    // statements are committed in groups; every statement still sees the
    // ones before it, which share this connection.
    const bool agrupar = conexion.Base.Modo.Exclusivo && !conexion.Base.Modo.SoloLectura;
    if (agrupar && !conexion.Grupo.Abierto && !AbrirGrupo(conexion))
        throw ErrorMotor(DescripcionError(base));

    conexion.Avisos = 0;
    long long cambios = 0;
    std::string error = orden.Correr(cambios);
    if (!agrupar && !sqlite3_get_autocommit(base)) {
        // Nothing may stay pending once Execute returns.
        Ejecutar(base, "ROLLBACK");
        if (error.empty())
            error = kNoEsSentencia;
    }
    // Changes the library did not report row by row (a whole table emptied,
    // triggers, schema changes) make every value read so far suspect.
    if (!error.empty() || !CambiaSoloFilas(palabra) || conexion.Avisos != cambios)
        for (auto* cursor : conexion.Cursores)
            OlvidarValores(*cursor);
    if (!error.empty()) {
        // What ran before the failing statement is kept and committed.
        if (conexion.Grupo.Abierto && sqlite3_get_autocommit(base))
            RepetirGrupo(conexion);
        fallar(error);
    }
    if (!agrupar)
        return;
    auto& grupo = conexion.Grupo;
    grupo.Textos += sql;
    grupo.Fines.push_back(grupo.Textos.size());
    // The clock is read every 16 statements: a read costs about what a
    // statement's own bookkeeping does.
    const bool lleno =
        grupo.Fines.size() >= kSentenciasPorGrupo || grupo.Textos.size() >= kBytesPorGrupo;
    const bool mirarReloj = grupo.Fines.size() % 16 == 0;
    if (lleno || (mirarReloj && std::chrono::steady_clock::now() - grupo.Desde >= kTiempoPorGrupo))
        if (const auto fallo = Confirmar(conexion); !fallo.empty())
            throw ErrorMotor(fallo);
}

void Database::Close() {
    if (!conexion_->Abierta())
        return;
    for (auto* cursor : conexion_->Cursores)
        CerrarCursor(*cursor);
    conexion_->Cursores.clear();
    sqlite3_update_hook(conexion_->Base.Base, nullptr, nullptr);
    // Everything run so far is committed before the session ends.
    std::string error = Confirmar(*conexion_);
    conexion_->Preparadas.clear();
    if (auto cierre = CerrarBaseCifrada(conexion_->Base); error.empty())
        error = std::move(cierre);
    if (!error.empty())
        throw ErrorMotor(error);
}

} // namespace vesmadur
