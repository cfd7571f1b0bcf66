#pragma once

#include "app/VistaVesmadur.h"
#include "app/frmVesmadur.h"

#include <deque>
#include <string>
#include <vector>

namespace vesmadur::prueba {

// A view that records what the window logic shows and answers message boxes
// from a script, standing in for the operator.
class VistaGuionada final : public VistaVesmadur {
public:
    struct Caja {
        std::string Texto;
        std::string Titulo;
        bool SiNo;
    };

    void PonerTitulo(const std::string& t) override { Titulo = t; }
    void PonerEdicion(const std::string& t) override { Edicion = t; }
    void PonerInfo(const std::string& t) override { Info = t; }
    void HabilitarAjustar(bool h) override { Ajustar = h; }
    void HabilitarRestaurar(bool h) override { Restaurar = h; }
    void HabilitarCerrar(bool h) override { Cerrar = h; }
    void MostrarProgreso(bool v) override { Progreso = v; }
    void PonerPuntero(Puntero p) override { PunteroActual = p; }
    Respuesta PreguntarSiNo(const std::string& texto, const std::string& titulo) override {
        Cajas.push_back({texto, titulo, true});
        if (AlPreguntar)
            AlPreguntar();
        if (Respuestas.empty())
            return Respuesta::No;
        auto r = Respuestas.front();
        Respuestas.pop_front();
        return r;
    }
    void Avisar(const std::string& texto, const std::string& titulo) override {
        Cajas.push_back({texto, titulo, false});
    }
    void DibujarProgreso(float f) override { Fracciones.push_back(f); }
    void ProcesarEventos() override {
        ++EventosProcesados;
        if (AlProcesarEventos)
            AlProcesarEventos();
    }
    void Mostrar() override { Visible = true; }
    // Behaves as the window system does: the close request first, which the
    // program's own close never has refused, then the unload.
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
    std::vector<Caja> Cajas;
    std::function<void()> AlProcesarEventos;
    // Runs while a Yes/No box is open, as the window system would let it.
    std::function<void()> AlPreguntar;

    std::string Titulo, Edicion, Info;
    bool Ajustar = true, Restaurar = true, Cerrar = true, Progreso = false, Visible = false;
    Puntero PunteroActual = Puntero::Predeterminado;
    int EventosProcesados = 0;
    std::vector<float> Fracciones;
    // Counts close requests in a place that outlives the view.
    int* CierresContados = nullptr;
};

} // namespace vesmadur::prueba
