#pragma once

#include "app/VistaArchivos.h"
#include "backup/CatalogoRespaldos.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vesmadur {

// The work behind the backup chooser that needs the database engine.
struct TareasArchivos {
    // How many old-style dialing entries the backup at the given path holds:
    // it is opened as the live configuration is (BaseRespaldo, held only for
    // the count) and closed again; 0 when it cannot be opened. Left empty,
    // every backup counts 0.
    std::function<std::int32_t(const std::string&)> ContarMarcacionesRespaldo;
    // The backups of a folder, in the order they are listed. Left empty, the
    // folder itself is read (RespaldosDeCarpeta); pictures of the chooser
    // give fixed creation dates here, which a real file cannot have.
    std::function<std::vector<ArchivoRespaldo>(const std::string&)> RespaldosDeCarpeta;
};

// The backup chooser's state and behaviour, apart from its widgets: the
// listing of the backups of one folder, the selection and what it shows, the
// deletion of a backup, and the answer to its caller (ArchivoSel).
class frmArchivos {
public:
    // Creating the chooser loads it: empty list, no selection, empty text,
    // every button enabled.
    frmArchivos(std::unique_ptr<VistaArchivos> vista, TareasArchivos tareas);
    // Unloading: the time stamps go, the widgets are let go of.
    ~frmArchivos();
    frmArchivos(const frmArchivos&) = delete;
    frmArchivos& operator=(const frmArchivos&) = delete;

    void PonerTitulo(std::string_view titulo);
    // Sets the folder to list (a separator is added unless it ends in one)
    // and lists it at once; the first backup, if any, is then selected.
    void Directorio(std::string_view cadDir);
    // Shows the chooser modally; returns once it hides itself.
    void MostrarModal();

    // The listing: rebuilds the entries and their time stamps from the folder.
    void ListarRespaldos();
    // ArchivoSel from the selected entry: the folder, "tablas", the entry's
    // stamp, ".resp"; empty without a selection.
    void ActualizarArchivoSel();
    // The information text of the selected backup, with its count.
    void MostrarInfoRespaldo();
    std::int32_t ContarMarcacionesRespaldo();

    // The operator's actions.
    void List1Click(int indice);
    void btnBorrarPulsado();
    void btnAceptarPulsado();
    void btnCancelarPulsado();
    // Close request: true when it is refused. The operator's own close
    // control is answered as "Cancelar" (the window hides and stays loaded
    // for its caller); any other close goes ahead.
    bool AlPedirCierre(OrigenCierre origen);

    // The answer: the chosen backup's full path, or empty.
    const std::string& ArchivoSel() const { return ArchivoSel_; }
    bool Aceptar() const { return !ArchivoSel_.empty(); }

    const std::string& DirectorioListado() const { return Directorio_; }
    const std::vector<std::string>& SellosRespaldo() const { return SellosRespaldo_; }
    const std::vector<std::string>& Entradas() const { return entradas_; }
    int Seleccion() const { return seleccion_; }
    const std::string& Info() const { return info_; }
    const std::string& Titulo() const { return titulo_; }
    std::int32_t MarcacionesRespaldo() const { return MarcacionesRespaldo_; }
    bool AceptarHabilitado() const { return aceptarHabilitado_; }
    bool BorrarHabilitado() const { return borrarHabilitado_; }
    bool Visible() const { return visible_; }
    VistaArchivos& Vista() { return *vista_; }

private:
    // Selects an entry as the operator's click would, selection handling included.
    void SeleccionarEntrada(int indice);
    void AlSeleccionar();
    void Ocultar();
    void PonerInfo(std::string texto);
    void HabilitarAceptar(bool habilitado);
    void HabilitarBorrar(bool habilitado);

    std::unique_ptr<VistaArchivos> vista_;
    TareasArchivos tareas_;

    std::string Directorio_;
    std::vector<std::string> SellosRespaldo_;
    std::string ArchivoSel_;
    std::int32_t MarcacionesRespaldo_ = 0;

    std::vector<std::string> entradas_;
    int seleccion_ = -1;
    std::string info_;
    std::string titulo_;
    bool aceptarHabilitado_ = true;
    bool borrarHabilitado_ = true;
    bool visible_ = false;
};

} // namespace vesmadur
