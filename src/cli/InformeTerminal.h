#pragma once

#include "database/VigiaConfirmaciones.h"
#include "dialing/AjusteMarcaciones.h"

#include <cstdint>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace vesmadur::cli {

// The panel's lines use the window's line ends; the terminal wants its own.
std::string SinRetornos(std::string_view texto);

// The changes of a run, written to a CSV file once committed: the run's
// statements are committed in groups, so a change is written only when the
// group holding it is, and a kill leaves a record of exactly what stayed.
class RegistroCambios {
public:
    explicit RegistroCambios(const std::string& ruta) : archivo_(ruta, std::ios::trunc) {
        archivo_ << "lnId,antes,despues,accion\n" << std::flush;
        activo_ = this;
        VigilarConfirmaciones(&AlConfirmar);
    }
    ~RegistroCambios() {
        VigilarConfirmaciones(nullptr);
        activo_ = nullptr;
    }
    RegistroCambios(const RegistroCambios&) = delete;
    RegistroCambios& operator=(const RegistroCambios&) = delete;

    bool Abierto() const { return static_cast<bool>(archivo_); }
    void Pendiente(std::int64_t lnId, std::string_view antes, std::string_view despues) {
        pendientes_ += std::to_string(lnId) + ',' + Campo(antes) + ',' + Campo(despues) + ',' +
                       (despues.empty() ? "borrar" : "actualizar") + '\n';
    }
    // Writes what the last commit made permanent: every change run before it.
    // The close commits too, so after a clean close nothing is left pending;
    // what a failed commit lost is never written.
    void Escribir() {
        archivo_ << pendientes_ << std::flush;
        pendientes_.clear();
    }

private:
    static void AlConfirmar(MomentoConfirmacion momento, long long) {
        if (momento == MomentoConfirmacion::Despues && activo_)
            activo_->Escribir();
    }
    // A field quoted when it holds a comma, a quote or a line end.
    static std::string Campo(std::string_view valor) {
        if (valor.find_first_of(",\"\r\n") == std::string_view::npos)
            return std::string(valor);
        std::string campo = "\"";
        for (char c : valor) {
            campo += c;
            if (c == '"')
                campo += '"';
        }
        return campo + '"';
    }

    static inline RegistroCambios* activo_ = nullptr;
    std::ofstream archivo_;
    std::string pendientes_;
};

class InformeTerminal final : public InformeAjuste {
public:
    // The panel's lines go to `salida` unless `callado` (the JSON result
    // then carries them); the bar is drawn on `errores` when `barra`.
    InformeTerminal(std::ostream& salida, std::ostream& errores, bool callado, bool barra,
                    RegistroCambios* registro)
        : salida_(salida), errores_(errores), callado_(callado), barra_(barra),
          registro_(registro) {}
    void Reemplazar(std::string_view texto) override { Agregar(texto); }
    void Agregar(std::string_view texto) override {
        // The window's closing instruction names a button a terminal lacks.
        if (texto.starts_with("Presiona el boton"))
            return;
        panel_ += texto;
        if (!callado_)
            salida_ << SinRetornos(texto) << std::flush;
    }
    void DibujarProgreso(float fraccion) override {
        if (!barra_)
            return;
        const int lleno = static_cast<int>(fraccion * 40);
        if (lleno == dibujado_)
            return;
        dibujado_ = lleno;
        errores_ << "\r[" << std::string(static_cast<std::size_t>(lleno), '#')
                 << std::string(static_cast<std::size_t>(40 - lleno), ' ') << "] "
                 << static_cast<int>(fraccion * 100) << "% " << (lleno == 40 ? "\n" : "")
                 << std::flush;
    }
    void ProcesarEventos() override {}
    std::string CaptionCerrar() const override { return "Cerrar"; }
    void Cambiado(std::int64_t lnId, std::string_view antes, std::string_view despues) override {
        hechos.emplace_back(lnId, std::string(antes), std::string(despues));
        if (registro_)
            registro_->Pendiente(lnId, antes, despues);
    }

    std::vector<std::tuple<std::int64_t, std::string, std::string>> hechos;
    std::string panel_;

private:
    std::ostream& salida_;
    std::ostream& errores_;
    bool callado_, barra_;
    RegistroCambios* registro_;
    int dibujado_ = -1;
};

} // namespace vesmadur::cli
