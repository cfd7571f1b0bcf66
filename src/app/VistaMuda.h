#pragma once

#include "app/VistaArchivos.h"
#include "app/VistaVesmadur.h"

#include <string>

namespace vesmadur {

// A main window view that draws nothing: for running the window logic
// without a display (benchmarks, stand-in programs). It keeps the panel text
// and gives every Yes/No box one fixed answer.
class VistaMuda final : public VistaVesmadur {
public:
    explicit VistaMuda(Respuesta respuesta = Respuesta::No) : respuesta_(respuesta) {}

    void PonerTitulo(const std::string&) override {}
    void PonerEdicion(const std::string&) override {}
    void PonerInfo(const std::string& texto) override { info_ = texto; }
    void HabilitarAjustar(bool) override {}
    void HabilitarRestaurar(bool) override {}
    void HabilitarCerrar(bool) override {}
    void MostrarProgreso(bool) override {}
    void PonerPuntero(Puntero) override {}
    Respuesta PreguntarSiNo(const std::string&, const std::string&) override { return respuesta_; }
    void Avisar(const std::string&, const std::string&) override {}
    void DibujarProgreso(float) override {}
    void ProcesarEventos() override {}
    std::unique_ptr<VistaArchivos> CrearVistaArchivos() override;
    void Mostrar() override {}
    void CerrarVentana() override {}

    const std::string& Info() const { return info_; }

private:
    Respuesta respuesta_;
    std::string info_;
};

// A backup chooser view that draws nothing. Shown, it returns at once, as if
// "Seleccionar" were pressed on the entry selected at that moment.
class VistaArchivosMuda final : public VistaArchivos {
public:
    void Conectar(frmArchivos*) override {}
    void PonerTitulo(const std::string&) override {}
    void PonerLista(const std::vector<std::string>&) override {}
    void SeleccionarEntrada(int) override {}
    void PonerInfo(const std::string& texto) override { info_ = texto; }
    void HabilitarAceptar(bool) override {}
    void HabilitarBorrar(bool) override {}
    Respuesta PreguntarSiNo(const std::string&, const std::string&) override {
        return Respuesta::No;
    }
    void MostrarModal() override {}
    void Ocultar() override {}

    const std::string& Info() const { return info_; }

private:
    std::string info_;
};

inline std::unique_ptr<VistaArchivos> VistaMuda::CrearVistaArchivos() {
    return std::make_unique<VistaArchivosMuda>();
}

} // namespace vesmadur
