#pragma once

#include "app/VistaArchivos.h"
#include "app/VistaVesmadur.h"
#include "app/frmArchivos.h"
#include "app/frmVesmadur.h"

#include <deque>
#include <string>
#include <vector>

namespace vesmadur::prueba {

// Answers a Yes/No box from a script; No once the script is used up.
inline Respuesta SiguienteRespuesta(std::deque<Respuesta>& respuestas) {
    if (respuestas.empty())
        return Respuesta::No;
    auto r = respuestas.front();
    respuestas.pop_front();
    return r;
}

// The chooser's view: records what its logic shows; `AlMostrar` acts while it is shown.
class VistaArchivosGuionada final : public VistaArchivos {
public:
    void Conectar(frmArchivos* f) override { Formulario = f; }
    void PonerTitulo(const std::string& t) override { Titulo = t; }
    void PonerLista(const std::vector<std::string>& e) override { Entradas = e, Seleccion = -1; }
    void SeleccionarEntrada(int i) override { Seleccion = i; }
    void PonerInfo(const std::string& t) override { Info = t; }
    void HabilitarAceptar(bool h) override { Aceptar = h; }
    void HabilitarBorrar(bool h) override { Borrar = h; }
    Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) override {
        Preguntas.push_back(titulo + "|" + texto);
        return SiguienteRespuesta(Respuestas);
    }
    void MostrarModal() override {
        Visible = true;
        if (AlMostrar)
            AlMostrar(*Formulario);
    }
    void Ocultar() override { Visible = false; }

    frmArchivos* Formulario = nullptr;
    std::function<void(frmArchivos&)> AlMostrar;
    std::deque<Respuesta> Respuestas;
    std::vector<std::string> Preguntas, Entradas;
    std::string Titulo, Info;
    int Seleccion = -1;
    bool Aceptar = true, Borrar = true, Visible = false;
};

// The main window's view: records what its logic shows, answers boxes from a script.
class VistaGuionada final : public VistaVesmadur {
public:
    void PonerTitulo(const std::string& t) override { Titulo = t; }
    void PonerEdicion(const std::string& t) override { Edicion = t; }
    void PonerInfo(const std::string& t) override { Info = t; }
    void HabilitarAjustar(bool h) override { Ajustar = h; }
    void HabilitarRestaurar(bool h) override { Restaurar = h; }
    void HabilitarCerrar(bool h) override { Cerrar = h; }
    void MostrarProgreso(bool v) override { Progreso = v; }
    void PonerPuntero(Puntero p) override { PunteroActual = p; }
    Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) override {
        Cajas.push_back("SiNo|" + titulo + "|" + texto);
        if (AlPreguntar)
            AlPreguntar();
        return SiguienteRespuesta(Respuestas);
    }
    void Avisar(const std::string& texto, const std::string& titulo) override {
        Cajas.push_back("Aviso|" + titulo + "|" + texto);
    }
    void DibujarProgreso(float f) override { Fracciones.push_back(f); }
    void ProcesarEventos() override {
        ++EventosProcesados;
        if (AlProcesarEventos)
            AlProcesarEventos();
    }
    std::unique_ptr<VistaArchivos> CrearVistaArchivos() override {
        auto vista = std::make_unique<VistaArchivosGuionada>();
        vista->AlMostrar = EnElSelector;
        return vista;
    }
    void Mostrar() override { Visible = true; }
    // As the window system: the close request (never refused to the program), the unload.
    void CerrarVentana() override {
        if (CierresContados)
            ++*CierresContados;
        if (Formulario && !Formulario->AlPedirCierre(OrigenCierre::Programa)) {
            Visible = false;
            Formulario->AlDescargar();
        }
    }

    frmVesmadur* Formulario = nullptr;
    std::deque<Respuesta> Respuestas;
    std::vector<std::string> Cajas; // "SiNo|title|text" or "Aviso|title|text"
    std::function<void()> AlProcesarEventos;
    // Runs while a Yes/No box is open, as the window system would let it.
    std::function<void()> AlPreguntar;
    // The operator in each backup chooser this window opens.
    std::function<void(frmArchivos&)> EnElSelector;

    std::string Titulo, Edicion, Info;
    bool Ajustar = true, Restaurar = true, Cerrar = true, Progreso = false, Visible = false;
    Puntero PunteroActual = Puntero::Predeterminado;
    int EventosProcesados = 0;
    std::vector<float> Fracciones;
    // Counts close requests in a place that outlives the view.
    int* CierresContados = nullptr;
};

} // namespace vesmadur::prueba
