#pragma once

#include "app/TareasSistema.h"
#include "app/VistaGuionada.h"
#include "ayudas/BaseDatos.h"
#include "registry/RegistroArchivo.h"

#include <optional>
#include <string>
#include <vector>

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

    // Runs statements on the configuration database to shape a fixture.
    void Preparar(const std::vector<std::string>& sentencias) {
        auto base = AbrirComoPrograma(RutaConfig());
        for (const auto& s : sentencias)
            base->Execute(s);
    }

    Numeros LeerNumeros() { return prueba::LeerNumeros(RutaConfig()); }

    // How many rows of table `tabla` refer to entry `lnId`.
    int Referencias(const std::string& tabla, std::int64_t lnId) {
        int n = 0;
        for (const auto& [clave, idLada] : prueba::LeerNumeros(RutaConfig(), tabla))
            if (idLada && *idLada == std::to_string(lnId))
                ++n;
        return n;
    }

    // The backup files in the configuration folder.
    std::vector<std::string> Respaldos() const {
        std::vector<std::string> rutas;
        for (const auto& nombre : Nombres(carpeta_ / "orvanto/config"))
            if (nombre.ends_with(".resp"))
                rutas.push_back(carpeta_ / "orvanto/config/" + nombre);
        return rutas;
    }

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
