#pragma once

#include "app/VistaArchivos.h"
#include "ui/VentanaArchivos.h"

#include <QPointer>

namespace vesmadur::ui {

// The backup chooser logic's view over its Qt dialog. Owned by the logic;
// when it goes, the dialog is let go of and deleted once Qt is back in its
// loop (never from inside one of its own event handlers).
class VistaQtArchivos final : public VistaArchivos {
public:
    explicit VistaQtArchivos(VentanaArchivos* ventana);
    ~VistaQtArchivos() override;

    void Conectar(frmArchivos* formulario) override;
    void PonerTitulo(const std::string& titulo) override;
    void PonerLista(const std::vector<std::string>& entradas) override;
    void SeleccionarEntrada(int indice) override;
    void PonerInfo(const std::string& texto) override;
    void HabilitarAceptar(bool habilitado) override;
    void HabilitarBorrar(bool habilitado) override;
    Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) override;
    void MostrarModal() override;
    void Ocultar() override;

    VentanaArchivos* Ventana() const { return ventana_; }

private:
    QPointer<VentanaArchivos> ventana_;
};

} // namespace vesmadur::ui
