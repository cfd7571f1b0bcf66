#include "dialing/RevisionAjuste.h"

#include "database/Configuracion.h"
#include "database/DBEngine.h"
#include "dialing/Marcaciones.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace vesmadur {

namespace {

// Blanks, separators, letters: anything but the digits a dialled number has.
bool TieneCaracteresRaros(const std::string& numero) {
    for (char c : numero)
        if (c < '0' || c > '9')
            return true;
    return false;
}

class Revision {
public:
    explicit Revision(Database& base) : base_(base) {}

    void Recorrer(RevisionAjuste& r) {
        auto numeros = base_.OpenRecordset(kTablaNumeros);
        numeros->MoveLast();
        numeros->MoveFirst();
        const auto repetidas = base_.NumerosRepetidos(kTablaNumeros, "lnId");
        const std::unordered_set<std::int64_t> claves(repetidas.begin(), repetidas.end());
        for (; !numeros->Eof() && r.Error.empty(); numeros->MoveNext()) {
            ++r.Filas;
            const Variante telefono = numeros->Fields(1);
            if (telefono.EsNulo())
                continue;
            r.Antiguas += EsMarcacionAntigua(telefono);
            const std::string actual = telefono.ComoTexto();
            std::string nuevo = AjustarNumero(actual);
            const Variante clave = numeros->Fields(0);
            const auto lnId = ClaveEntrada(clave);
            const bool repetida = lnId && claves.count(*lnId);
            if (nuevo != actual && (!lnId || repetida))
                Avisar(r, AvisoRevision::Tipo::SinClave, lnId.value_or(0),
                       "la entrada con clave '" + clave.ComoTexto() + "' (" + actual +
                           (repetida ? ") comparte su clave con otra entrada: se deja como esta"
                                     : ") no tiene una clave numerica: se deja como esta"));
            if (nuevo == actual || !lnId || repetida) {
                Final(r, actual, lnId.value_or(0), false);
                continue;
            }
            Planear(r, *lnId, actual, std::move(nuevo));
        }
        numeros->Close();
        Repetidas(r);
    }

private:
    void Planear(RevisionAjuste& r, std::int64_t lnId, const std::string& actual,
                 std::string nuevo) {
        CambioPlaneado cambio{lnId, actual, std::move(nuevo), {}};
        if (TieneCaracteresRaros(actual))
            Avisar(r, AvisoRevision::Tipo::Caracteres, lnId,
                   "lnId " + std::to_string(lnId) + ": el numero '" + actual +
                       "' tiene espacios, separadores o letras");
        if (!cambio.Borrar()) {
            if (EsMarcacionAntigua(cambio.Despues))
                Avisar(r, AvisoRevision::Tipo::SigueAntigua, lnId,
                       "lnId " + std::to_string(lnId) + ": " + actual + " queda como " +
                           cambio.Despues + ", que sigue con un prefijo anterior");
            Final(r, cambio.Despues, lnId, true);
            ++r.Actualizaciones;
        } else {
            if (!catalogo_)
                catalogo_ = LeerTablasDePurga(base_);
            if (!catalogo_->Error.empty()) {
                r.Error = catalogo_->Error;
                return;
            }
            std::int64_t purgadas = 0;
            for (const auto& tabla : catalogo_->Tablas) {
                const auto filas = base_.ContarFilas(tabla, "idLada", lnId);
                cambio.Purgas.emplace_back(tabla, filas);
                purgadas += filas;
            }
            if (purgadas > 0)
                Avisar(r, AvisoRevision::Tipo::Purga, lnId,
                       "lnId " + std::to_string(lnId) + ": al borrarla se borran " +
                           std::to_string(purgadas) +
                           (purgadas == 1 ? " fila de tablas LD" : " filas de tablas LD"));
            r.FilasPurgadas += purgadas;
            ++r.Borrados;
        }
        r.Cambios.push_back(std::move(cambio));
    }

    // The number an entry ends with, kept until the walk ends.
    void Final(RevisionAjuste&, const std::string& numero, std::int64_t lnId, bool cambiada) {
        finales_.push_back({numero, lnId, cambiada});
    }

    // Two entries ending alike are worth a warning when the run made at
    // least one of them so; each is paired with the first of its number. A
    // sorted list of short texts costs far less than a hash table of them.
    void Repetidas(RevisionAjuste& r) {
        std::stable_sort(
            finales_.begin(), finales_.end(),
            [](const FinalEntrada& a, const FinalEntrada& b) { return a.Numero < b.Numero; });
        for (std::size_t i = 0; i < finales_.size();) {
            std::size_t j = i + 1;
            bool cambiada = finales_[i].Cambiada;
            for (; j < finales_.size() && finales_[j].Numero == finales_[i].Numero; ++j) {
                if (finales_[j].Cambiada || cambiada)
                    Avisar(r, AvisoRevision::Tipo::Repetida, finales_[j].lnId,
                           "lnId " + std::to_string(finales_[i].lnId) + " y lnId " +
                               std::to_string(finales_[j].lnId) +
                               " quedarian con el mismo numero " + finales_[i].Numero);
                cambiada = cambiada || finales_[j].Cambiada;
            }
            i = j;
        }
        finales_.clear();
    }

    static void Avisar(RevisionAjuste& r, AvisoRevision::Tipo tipo, std::int64_t lnId,
                       std::string texto) {
        r.Avisos.push_back({tipo, lnId, std::move(texto)});
    }

    Database& base_;
    // The catalogue, read once: it does not change during a run.
    std::optional<TablasDePurga> catalogo_;
    struct FinalEntrada {
        std::string Numero;
        std::int64_t lnId;
        bool Cambiada;
    };
    std::vector<FinalEntrada> finales_;
};

} // namespace

RevisionAjuste RevisarMarcaciones(std::unique_ptr<Database>& base, const std::string& rutaConfig) {
    RevisionAjuste r;
    if (base)
        CerrarConfiguracion(base);
    base = DBEngine::Instancia().Workspaces(0).OpenDatabase(rutaConfig, true, true,
                                                            kConexionConfiguracion);
    if (!base) {
        r.Error = "no se pudo abrir la configuracion";
        return r;
    }
    r.Abierta = true;
    try {
        Revision(*base).Recorrer(r);
    } catch (const ErrorMotor& error) {
        r.Error = error.Descripcion();
    }
    try {
        CerrarConfiguracion(base);
    } catch (const ErrorMotor&) {
        // Nothing was written; the review stands.
    }
    return r;
}

const char* NombreAviso(AvisoRevision::Tipo tipo) {
    switch (tipo) {
    case AvisoRevision::Tipo::SigueAntigua:
        return "sigue-antigua";
    case AvisoRevision::Tipo::Repetida:
        return "repetida";
    case AvisoRevision::Tipo::Caracteres:
        return "caracteres";
    case AvisoRevision::Tipo::Purga:
        return "purga";
    case AvisoRevision::Tipo::SinClave:
        return "sin-clave";
    }
    return "";
}

} // namespace vesmadur
