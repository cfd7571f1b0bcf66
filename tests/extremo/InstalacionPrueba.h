#pragma once

#include "app/TareasSistema.h"
#include "app/VistaGuionada.h"
#include "ayudas/BaseDatos.h"
#include "registry/RegistroArchivo.h"

#include <optional>
#include <string>

namespace vesmadur::prueba {

// An "Ofimbra" installation in a temporary folder (registry file, generated
// database) and the main window over it with the real work behind it.
class InstalacionPrueba {
public:
    explicit InstalacionPrueba(OpcionesGenerador opciones = {}) {
        Resumen = GenerarInstalacion(carpeta_ / "orvanto", opciones);
        EscribirArchivo(carpeta_ / "registro.reg",
                        "REGEDIT4\r\n\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                        "App Paths\\orvantoo.exe]\r\n\"Path\"=\"" +
                            (carpeta_ / "orvanto") + "\"\r\n");
        std::filesystem::create_directories(carpeta_ / "comun");
    }

    std::string RutaConfig() const { return carpeta_ / "orvanto/config/tablas.orv"; }
    std::string Carpeta() const { return carpeta_ / "orvanto"; }

    // Creates and loads the main window, as the entry procedure does.
    frmVesmadur& AbrirVentana() {
        entorno_.emplace(EntornoDeteccion{
            registro_, [this](std::int32_t id) { return id == 35 ? carpeta_ / "comun" : ""; }, "",
            reloj_});
        auto vistaPropia = std::make_unique<VistaGuionada>();
        Vista = vistaPropia.get();
        ventana_ = std::make_unique<frmVesmadur>(std::move(vistaPropia),
                                                 TareasDelSistema(*entorno_), [] {});
        Vista->Formulario = ventana_.get();
        ventana_->AlCrear();
        ventana_->AlCargar();
        return *ventana_;
    }

    // Presses "Ajustar" and answers Yes.
    void Ajustar() {
        Vista->Respuestas = {Respuesta::Si};
        ventana_->btnAjustarPulsado();
    }

    Numeros LeerNumeros() { return prueba::LeerNumeros(RutaConfig()); }

    // The backup the adjustment makes, named at the window's load.
    std::string Respaldo() const { return carpeta_ / "orvanto/config/tablas20190803-142507.resp"; }

    ResumenGenerado Resumen;
    VistaGuionada* Vista = nullptr;

private:
    CarpetaTemporal carpeta_;
    RegistroArchivo registro_{carpeta_ / "registro.reg"};
    RelojFijo reloj_;
    std::optional<EntornoDeteccion> entorno_;
    std::unique_ptr<frmVesmadur> ventana_;
};

} // namespace vesmadur::prueba
