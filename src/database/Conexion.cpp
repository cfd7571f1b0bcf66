#include "database/Conexion.h"

#include <sqlcipher/sqlite3.h>
#include <utility>

namespace vesmadur {

namespace {

// Texts kept prepared per connection: a run uses a few dozen.
constexpr std::size_t kPreparadasMaximas = 64;

} // namespace

void FinalizarSentencia::operator()(sqlite3_stmt* sentencia) const {
    sqlite3_finalize(sentencia);
}

bool SentenciaPrestada::Tomar(Conexion& conexion, const std::string& texto, bool guardar) {
    Devolver();
    auto guardada = conexion.Preparadas.find(texto);
    if (guardada != conexion.Preparadas.end() && !guardada->second.Prestada) {
        guardada_ = &guardada->second;
        guardada_->Prestada = true;
        sentencia_ = guardada_->Sentencia.get();
        return true;
    }
    if (sqlite3_prepare_v2(conexion.Base.Base, texto.c_str(), static_cast<int>(texto.size()),
                           &sentencia_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(std::exchange(sentencia_, nullptr));
        return false;
    }
    // Pointers to the map's values stay valid as it grows.
    if (sentencia_ && guardar && guardada == conexion.Preparadas.end() &&
        conexion.Preparadas.size() < kPreparadasMaximas) {
        guardada_ = &conexion.Preparadas[texto];
        guardada_->Sentencia.reset(sentencia_);
        guardada_->Prestada = true;
    }
    return sentencia_ != nullptr;
}

int SentenciaPrestada::Devolver() {
    sqlite3_stmt* sentencia = std::exchange(sentencia_, nullptr);
    if (!sentencia)
        return SQLITE_OK;
    const int rc = sqlite3_reset(sentencia);
    sqlite3_clear_bindings(sentencia);
    if (auto* guardada = std::exchange(guardada_, nullptr))
        guardada->Prestada = false;
    else
        sqlite3_finalize(sentencia);
    return rc;
}

} // namespace vesmadur
