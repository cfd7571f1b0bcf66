#include "app/frmVesmadur.h"

#include "app/TextosVesmadur.h"
#include "detect/Ediciones.h"
#include "files/SistemaArchivos.h"

#include <utility>

namespace vesmadur {

namespace {

std::string Unir(std::initializer_list<std::string_view> partes) {
    std::string texto;
    for (auto parte : partes)
        texto += parte;
    return texto;
}

} // namespace

frmVesmadur::frmVesmadur(std::unique_ptr<VistaVesmadur> vista, TareasVesmadur tareas,
                         std::function<void()> cerrarPrograma)
    : vista_(std::move(vista)), tareas_(std::move(tareas)),
      cerrarPrograma_(std::move(cerrarPrograma)) {}

frmVesmadur::~frmVesmadur() = default;

void frmVesmadur::AlCrear() {
    if (tareas_.DetectarInstalacion)
        DatosInstalacion_ = tareas_.DetectarInstalacion();
}

void frmVesmadur::AlCargar() {
    using namespace textos;
    PonerTitulo(TituloVentana);
    vista_->PonerEdicion(Unir({EdicionDetectada, NombreEdicion(DatosInstalacion_.Edicion)}));

    MarcacionesDetectadas_ = tareas_.ContarMarcaciones ? tareas_.ContarMarcaciones(*this) : 0;

    const bool hayInstalacion = DatosInstalacion_.Edicion != EdicionNinguna;
    EscribirEncabezado();
    AgregarInfo(FinLinea);
    AgregarInfo(textos::MarcacionesDetectadas);
    AgregarInfo(std::to_string(MarcacionesDetectadas_));
    for (int i = 0; i < 3; ++i)
        AgregarInfo(FinLinea);

    if (!hayInstalacion)
        AgregarInfo(SinInstalacion);
    else if (MarcacionesDetectadas_ > 0)
        AgregarInfo(Unir({PresionaElBoton, CaptionAjustar, ParaAjustar}));
    else
        AgregarInfo(Unir({PresionaElBoton, CaptionRestaurar, ParaRestaurar}));
    for (int i = 0; i < 3; ++i)
        AgregarInfo(FinLinea);

    if (!hayInstalacion)
        AgregarInfo(Unir({PresionaElBoton, CaptionCerrar, ParaTerminar}));
    else
        AgregarInfo(Unir({OPresionaElBoton, CaptionCerrar, ParaFinalizar}));

    MarcarLibre();
    HabilitarAjustar(MarcacionesDetectadas_ > 0);
    HabilitarRestaurar(MarcacionesDetectadas_ == 0 && DatosInstalacion_.Edicion > 0);
    vista_->HabilitarCerrar(true);
}

void frmVesmadur::Mostrar() {
    vista_->Mostrar();
}

void frmVesmadur::btnAjustarPulsado() {
    // Nothing to run: the press changes nothing rather than pretend.
    if (!tareas_.AjustarMarcaciones || !ajustarHabilitado_ || Ocupado_)
        return;

    using namespace textos;
    EmpezarManejador();
    const auto pregunta = Unir({RecomendamosCerrar, FinLinea, FinLinea, DeseaIniciarAjuste});
    // A window unloaded while the question was open runs nothing.
    if (vista_->PreguntarSiNo(pregunta, titulo_) == Respuesta::Si && !descargada_) {
        HabilitarAjustar(false);
        MarcarOcupado();
        tareas_.AjustarMarcaciones(*this);
        MarcarLibre();
        // One run per start of the program: only "Cerrar" remains.
        HabilitarAjustar(false);
        HabilitarRestaurar(false);
    }
    TerminarManejador(); // may release this object
}

void frmVesmadur::btnRestaurarPulsado() {
    if (!tareas_.RestaurarRespaldo || !restaurarHabilitado_ || Ocupado_)
        return;
    using namespace textos;
    EmpezarManejador();
    // However the warning is dismissed, the chooser follows.
    vista_->Avisar(std::string(RecomendamosCerrarContinuar), titulo_);
    std::string elegido;
    if (!descargada_) {
        frmArchivos archivos(vista_->CrearVistaArchivos(), tareas_.Archivos);
        archivos.PonerTitulo(TituloArchivos);
        archivos.Directorio(AgregarDiagonal(DatosInstalacion_.DirInstalacion) + CarpetaConfig);
        archivos.MostrarModal();
        elegido = archivos.ArchivoSel();
    } // the chooser is unloaded here
    // A window unloaded meanwhile restores nothing; a cancelled choice
    // changes nothing at all.
    if (!elegido.empty() && !descargada_) {
        RestaurarConfiguracion(elegido);
        HabilitarRestaurar(false);
    }
    TerminarManejador(); // may release this object
}

void frmVesmadur::RestaurarConfiguracion(const std::string& rutaRespaldo) {
    using namespace textos;
    EscribirEncabezado();
    AgregarInfo(FinLinea);
    AgregarInfo(FinLinea);
    AgregarLinea(RestaurandoConfiguracion);
    const auto destino = AgregarDiagonal(DatosInstalacion_.DirInstalacion) + RutaRelativaConfig;
    const auto resultado = tareas_.RestaurarRespaldo(rutaRespaldo, destino);
    using Paso = ResultadoRestauracion::Paso;
    if (resultado.Fallo == Paso::Eliminar)
        AgregarLinea(Unir({ErrorEliminarActual, resultado.Descripcion}));
    else if (resultado.Fallo == Paso::Copiar)
        AgregarLinea(Unir({ErrorCopiarRespaldo, resultado.Descripcion}));
    else
        AgregarLinea(RespaldoHecho);
    AgregarLinea();
    AgregarInfo(Unir({PresionaElBoton, CaptionCerrar, ParaTerminar}));
}

void frmVesmadur::btnCerrarPulsado() {
    if (Ocupado_)
        return;
    if (auto cerrar = cerrarPrograma_)
        cerrar();
}

void frmVesmadur::EmpezarManejador() {
    ++manejadores_;
}

void frmVesmadur::TerminarManejador() {
    if (--manejadores_ > 0 || !liberacionPendiente_)
        return;
    liberacionPendiente_ = false;
    if (auto cerrar = cerrarPrograma_)
        cerrar();
}

bool frmVesmadur::AlPedirCierre(OrigenCierre origen) {
    return origen == OrigenCierre::ControlVentana && Ocupado_;
}

void frmVesmadur::AlDescargar() {
    if (descargada_)
        return;
    descargada_ = true;
    // While an operator action is still running below on the stack (a run,
    // a question), the window is gone from the screen but its object must
    // live on: it is released when that action ends.
    if (manejadores_ > 0) {
        liberacionPendiente_ = true;
        return;
    }
    // The way out releases this object: it runs from a copy, and nothing of
    // the object is touched afterwards.
    if (auto cerrar = cerrarPrograma_)
        cerrar();
}

void frmVesmadur::Descargar() {
    if (descargada_)
        return;
    vista_->CerrarVentana();
}

void frmVesmadur::MarcarOcupado() {
    vista_->MostrarProgreso(true);
    Ocupado_ = true;
    vista_->PonerPuntero(Puntero::Espera);
}

void frmVesmadur::MarcarLibre() {
    vista_->MostrarProgreso(false);
    // Clicks and keys that came during the run are handled while the window
    // is still busy, so they are refused: none reaches a button enabled after
    // the run (a held Enter would otherwise press "Cerrar").
    vista_->ProcesarEventos();
    Ocupado_ = false;
    vista_->PonerPuntero(Puntero::Predeterminado);
}

void frmVesmadur::ReemplazarInfo(std::string_view texto) {
    info_.assign(texto);
    vista_->PonerInfo(info_);
}

void frmVesmadur::AgregarInfo(std::string_view texto) {
    info_.append(texto);
    vista_->PonerInfo(info_);
}

void frmVesmadur::AgregarLinea(std::string_view mensaje) {
    info_.append(mensaje);
    info_.append(textos::FinLinea);
    vista_->PonerInfo(info_);
}

void frmVesmadur::EscribirEncabezado() {
    using namespace textos;
    ReemplazarInfo(
        Unir({Directorio, FinLinea, "    ", DatosInstalacion_.DirInstalacion, FinLinea}));
}

void frmVesmadur::DeshabilitarAjustar() {
    HabilitarAjustar(false);
}
void frmVesmadur::DeshabilitarRestaurar() {
    HabilitarRestaurar(false);
}

void frmVesmadur::PonerTitulo(std::string_view titulo) {
    titulo_.assign(titulo);
    vista_->PonerTitulo(titulo_);
}

void frmVesmadur::HabilitarAjustar(bool habilitado) {
    ajustarHabilitado_ = habilitado;
    vista_->HabilitarAjustar(habilitado);
}

void frmVesmadur::HabilitarRestaurar(bool habilitado) {
    restaurarHabilitado_ = habilitado;
    vista_->HabilitarRestaurar(habilitado);
}

} // namespace vesmadur
