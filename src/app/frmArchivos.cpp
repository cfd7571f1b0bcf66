#include "app/frmArchivos.h"

#include "app/TextosVesmadur.h"
#include "files/SistemaArchivos.h"

#include <utility>

namespace vesmadur {

frmArchivos::frmArchivos(std::unique_ptr<VistaArchivos> vista, TareasArchivos tareas)
    : vista_(std::move(vista)), tareas_(std::move(tareas)) {
    vista_->Conectar(this);
    vista_->PonerLista(entradas_);
    PonerInfo({});
    HabilitarAceptar(true);
    HabilitarBorrar(true);
}

frmArchivos::~frmArchivos() {
    vista_->Conectar(nullptr);
}

void frmArchivos::PonerTitulo(std::string_view titulo) {
    titulo_.assign(titulo);
    vista_->PonerTitulo(titulo_);
}

void frmArchivos::Directorio(std::string_view cadDir) {
    Directorio_ = AgregarDiagonal(std::string(cadDir));
    ListarRespaldos();
}

void frmArchivos::MostrarModal() {
    visible_ = true;
    vista_->MostrarModal();
}

void frmArchivos::ListarRespaldos() {
    entradas_.clear();
    seleccion_ = -1;
    if (!Directorio_.empty()) {
        // The stamps are kept apart from the entries: a backup's path is
        // always rebuilt from the folder and the stamp, never stored.
        SellosRespaldo_.clear();
        const auto respaldos = tareas_.RespaldosDeCarpeta ? tareas_.RespaldosDeCarpeta(Directorio_)
                                                          : RespaldosDeCarpeta(Directorio_);
        for (const auto& respaldo : respaldos) {
            SellosRespaldo_.push_back(respaldo.Sello);
            entradas_.push_back(std::string(textos::RespaldoDel) +
                                FechaRespaldo(respaldo.FechaCreacion));
        }
    }
    vista_->PonerLista(entradas_);
    if (Directorio_.empty())
        return;
    if (!entradas_.empty())
        SeleccionarEntrada(0);
    else
        HabilitarAceptar(false);
}

void frmArchivos::ActualizarArchivoSel() {
    ArchivoSel_ = seleccion_ >= 0 ? RutaDeRespaldo(Directorio_, SellosRespaldo_[seleccion_]) : "";
}

void frmArchivos::MostrarInfoRespaldo() {
    using namespace textos;
    PonerInfo({});
    if (ArchivoSel_.empty())
        return;
    MarcacionesRespaldo_ = ContarMarcacionesRespaldo();
    const bool sinAjustar = MarcacionesRespaldo_ > 0;
    const std::string cuenta = std::to_string(MarcacionesRespaldo_);
    std::string texto;
    for (std::string_view parte :
         {MarcacionesAAjustar, std::string_view(cuenta), FinLinea, FinLinea, FinLinea,
          sinAjustar ? RespaldoNoAjustado : RespaldoSiAjustado, FinLinea, FinLinea, FinLinea, Nota,
          FinLinea, SiSelecciona, sinAjustar ? Sin : Con, ElAjuste})
        texto += parte;
    PonerInfo(std::move(texto));
}

std::int32_t frmArchivos::ContarMarcacionesRespaldo() {
    return tareas_.ContarMarcacionesRespaldo ? tareas_.ContarMarcacionesRespaldo(ArchivoSel_) : 0;
}

void frmArchivos::List1Click(int indice) {
    if (indice < -1 || indice >= static_cast<int>(entradas_.size()))
        return;
    seleccion_ = indice;
    AlSeleccionar();
}

void frmArchivos::SeleccionarEntrada(int indice) {
    seleccion_ = indice;
    vista_->SeleccionarEntrada(indice);
    AlSeleccionar();
}

void frmArchivos::AlSeleccionar() {
    ActualizarArchivoSel();
    if (!ArchivoSel_.empty()) {
        MostrarInfoRespaldo();
        HabilitarAceptar(true);
        HabilitarBorrar(true);
    } else {
        HabilitarAceptar(false);
        HabilitarBorrar(false);
    }
}

void frmArchivos::btnBorrarPulsado() {
    if (seleccion_ < 0)
        return;
    if (vista_->PreguntarSiNo(std::string(textos::DeseasBorrar), titulo_) != Respuesta::Si)
        return;
    // The entry to select afterwards: the next one, else the one before.
    const int cuantas = static_cast<int>(entradas_.size());
    std::string despues;
    if (cuantas > 1)
        despues = SellosRespaldo_[seleccion_ < cuantas - 1 ? seleccion_ + 1 : seleccion_ - 1];
    ActualizarArchivoSel();
    SistemaArchivos archivos;
    // A backup that is gone already, or cannot be removed, is listed as the
    // folder now has it; the chooser shows no message for it.
    if (archivos.FileExists(ArchivoSel_))
        (void)archivos.DeleteFile(ArchivoSel_);
    ArchivoSel_.clear();
    ListarRespaldos();
    if (!despues.empty()) {
        for (std::size_t i = 0; i < entradas_.size(); ++i)
            if (SellosRespaldo_[i] == despues) {
                if (static_cast<int>(i) != seleccion_)
                    SeleccionarEntrada(static_cast<int>(i));
                break;
            }
    } else if (entradas_.empty()) {
        AlSeleccionar();
    }
}

void frmArchivos::btnAceptarPulsado() {
    Ocultar();
}

void frmArchivos::btnCancelarPulsado() {
    ArchivoSel_.clear();
    Ocultar();
}

bool frmArchivos::AlPedirCierre(OrigenCierre origen) {
    if (origen != OrigenCierre::ControlVentana)
        return false;
    btnCancelarPulsado();
    return true;
}

void frmArchivos::Ocultar() {
    visible_ = false;
    vista_->Ocultar();
}

void frmArchivos::PonerInfo(std::string texto) {
    info_ = std::move(texto);
    vista_->PonerInfo(info_);
}

void frmArchivos::HabilitarAceptar(bool habilitado) {
    aceptarHabilitado_ = habilitado;
    vista_->HabilitarAceptar(habilitado);
}

void frmArchivos::HabilitarBorrar(bool habilitado) {
    borrarHabilitado_ = habilitado;
    vista_->HabilitarBorrar(habilitado);
}

} // namespace vesmadur
