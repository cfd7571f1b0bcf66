#pragma once

#include "database/Database.h"
#include "files/ResultadoArchivo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vesmadur {

// Where the adjustment run reports: the main window's status panel, its
// progress bar and its event loop.
class InformeAjuste {
public:
    virtual ~InformeAjuste() = default;
    // The status panel: replace its text, or append to it.
    virtual void Reemplazar(std::string_view texto) = 0;
    virtual void Agregar(std::string_view texto) = 0;
    // The progress bar at a fraction from 0 to 1 of the walk.
    virtual void DibujarProgreso(float fraccion) = 0;
    virtual void ProcesarEventos() = 0;
    // The caption "Cerrar" has at this moment, for the closing instruction.
    virtual std::string CaptionCerrar() const = 0;
    // An entry was rewritten (`despues` the new number) or deleted (`despues`
    // empty), its statements run; they are committed with the group they
    // belong to (VigilarConfirmaciones tells when).
    virtual void Cambiado(std::int64_t lnId, std::string_view antes, std::string_view despues) {
        (void)lnId, (void)antes, (void)despues;
    }
};

// A report kept as text, for runs without a window (trials, tools): the
// panel in `Texto`, nothing drawn, no events to hand on.
class InformeEnTexto final : public InformeAjuste {
public:
    std::string Texto;
    void Reemplazar(std::string_view texto) override { Texto = texto; }
    void Agregar(std::string_view texto) override { Texto += texto; }
    void DibujarProgreso(float) override {}
    void ProcesarEventos() override {}
    std::string CaptionCerrar() const override { return "Cerrar"; }
};

struct DatosAjuste {
    std::string DirInstalacion;
    std::string RutaConfig;
    // The count taken when the window loaded; shown again, not recounted.
    std::int32_t MarcacionesDetectadas = 0;
    // Backs the configuration database up; a failure (with its reason) when
    // no sound backup exists.
    std::function<ResultadoArchivo()> Respaldar;
};

// What a run did, for whoever wants more than the panel.
struct ResultadoAjuste {
    bool Respaldada = false;
    // Why the backup was refused, when it was (the panel only says that it was).
    std::string MotivoRespaldo;
    bool Abierta = false;
    bool Completa = false; // the walk reached the end without an engine failure
    std::int32_t FilasLeidas = 0;
    std::int32_t Ajustadas = 0;
};

// Backs the configuration database up, opens it exclusively through `base`,
// rewrites every old-style number and deletes every entry that was only a
// prefix (its rows in the listed "LD" tables first), one committed statement
// each, and reports every stage in the panel. The database is closed again
// on every path; the backup always stays.
ResultadoAjuste AjustarMarcaciones(std::unique_ptr<Database>& base, const DatosAjuste& datos,
                                   InformeAjuste& informe);

// The statement that stores a rewritten number: the number between single
// quotes, each quote inside it doubled, so nothing in it can change the
// statement.
std::string SentenciaActualizar(std::string_view numero, std::int64_t lnId);

} // namespace vesmadur
