#include "database/Database.h"

#include "database/Conexion.h"
#include "database/DialectoJet.h"

#include <cctype>
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
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    std::string palabra;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
        palabra += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
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

} // namespace

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
    const std::string sql = TraducirDialecto(sentencia);
    const std::string palabra = PrimeraPalabra(sql);
    if (!EsSentenciaAceptada(palabra))
        throw ErrorMotor(kNoEsSentencia);

    sqlite3* base = conexion_->Base.Base;
    sqlite3_stmt* orden = nullptr;
    if (sqlite3_prepare_v2(base, sql.c_str(), static_cast<int>(sql.size()), &orden, nullptr) !=
        SQLITE_OK) {
        const std::string error = DescripcionError(base);
        sqlite3_finalize(orden);
        throw ErrorMotor(error);
    }
    if (!orden)
        throw ErrorMotor(kNoEsSentencia);
    if (sqlite3_column_count(orden) > 0) {
        sqlite3_finalize(orden);
        throw ErrorMotor("Cannot execute a select query.");
    }
    // A parameter has no value here: it would read as Null and turn the
    // statement into one that silently matches nothing.
    if (const int parametros = sqlite3_bind_parameter_count(orden); parametros > 0) {
        sqlite3_finalize(orden);
        throw ErrorMotor("Too few parameters. Expected " + std::to_string(parametros) + ".");
    }

    // The session moves to its log with the first statement that can run,
    // so a session that changes nothing leaves the file untouched.
    ActivarRegistroRapido(conexion_->Base);
    conexion_->Avisos = 0;
    const int rc = sqlite3_step(orden);
    std::string error = rc == SQLITE_DONE ? std::string() : DescripcionError(base);
    const long long cambios = sqlite3_changes(base);
    if (sqlite3_finalize(orden) != SQLITE_OK && error.empty())
        error = DescripcionError(base);
    if (!sqlite3_get_autocommit(base)) {
        // Nothing may stay pending once Execute returns.
        sqlite3_exec(base, "ROLLBACK", nullptr, nullptr, nullptr);
        if (error.empty())
            error = kNoEsSentencia;
    }
    // Changes the library did not report row by row (a whole table emptied,
    // triggers, schema changes) make every value read so far suspect.
    if (!error.empty() || !CambiaSoloFilas(palabra) || conexion_->Avisos != cambios)
        for (auto* cursor : conexion_->Cursores)
            OlvidarValores(*cursor);
    if (!error.empty())
        throw ErrorMotor(error);
}

void Database::Close() {
    if (!conexion_->Abierta())
        return;
    for (auto* cursor : conexion_->Cursores)
        CerrarCursor(*cursor);
    conexion_->Cursores.clear();
    sqlite3_update_hook(conexion_->Base.Base, nullptr, nullptr);
    const std::string error = CerrarBaseCifrada(conexion_->Base);
    if (!error.empty())
        throw ErrorMotor(error);
}

} // namespace vesmadur
