// Screenshots of both windows in their main states, for the README:
//
//   vesmadur-capturas CARPETA
//   vesmadur-capturas --comparar CARPETA
//
// writes sin-instalacion.png, por-ajustar.png, en-corrida.png,
// tras-corrida.png, selector.png and borrar.png into CARPETA; with
// --comparar it draws them again beside and fails unless each has the same
// size and pixels as the one in CARPETA (the README's pictures are checked
// this way in the test command). Every state
// comes from a generated demo installation and the program's own window
// logic and widgets, drawn off screen at 96 dpi with a fixed clock, in UTC
// and the C locale, so the same build draws the same pictures on every
// machine that has the set-up's fonts.
#include "app/TareasSistema.h"
#include "app/frmArchivos.h"
#include "app/frmVesmadur.h"
#include "backup/RespaldoEnReposo.h"
#include "dialing/AjusteMarcaciones.h"
#include "generador/GeneradorInstalacion.h"
#include "registry/RegistroArchivo.h"
#include "ui/CajasMensaje.h"
#include "ui/VentanaArchivos.h"
#include "ui/VentanaVesmadur.h"
#include "ui/VistaQtArchivos.h"
#include "ui/VistaQtVesmadur.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace vesmadur;

namespace {

[[noreturn]] void Fallar(const std::string& mensaje) {
    std::fprintf(stderr, "vesmadur-capturas: %s\n", mensaje.c_str());
    std::exit(1);
}

class RelojFijo final : public Reloj {
public:
    std::chrono::local_seconds Ahora() const override {
        using namespace std::chrono;
        return local_days{year{2019} / August / 3} + hours{14} + minutes{25} + seconds{7};
    }
};

// A demo machine in `carpeta`: its registry file (with or without an
// installed Orvanto), an empty shared data folder and a fixed clock.
struct Maquina {
    Maquina(const fs::path& carpeta, const std::string& instalacion)
        : raiz(carpeta), registro(Escrito(carpeta / "registro.reg", instalacion)),
          deteccion{registro,
                    [this](std::int32_t id) {
                        return id == 35 ? (raiz / "comun").string() : std::string();
                    },
                    "", reloj} {
        fs::create_directories(raiz / "comun");
    }
    static std::string Escrito(const fs::path& ruta, const std::string& instalacion) {
        fs::create_directories(ruta.parent_path());
        std::ofstream archivo(ruta);
        archivo << "REGEDIT4\r\n";
        if (!instalacion.empty())
            archivo << "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                       "App Paths\\orvantop.exe]\r\n\"Path\"=\""
                    << instalacion << "\"\r\n";
        return ruta.string();
    }
    fs::path raiz;
    RelojFijo reloj;
    RegistroArchivo registro;
    EntornoDeteccion deteccion;
};

// The chooser shows each backup's creation time, which a file made today
// cannot carry. The pictures give each the moment its stamp names (the zone is
// UTC) and list them in stamp order, as an NTFS folder does.
std::vector<ArchivoRespaldo> RespaldosFechados(const std::string& carpeta) {
    auto respaldos = RespaldosDeCarpeta(carpeta);
    std::ranges::sort(respaldos, {}, &ArchivoRespaldo::Sello);
    for (auto& respaldo : respaldos) {
        const auto cifras = [&](std::size_t desde, std::size_t cuantas) {
            int valor = 0;
            std::from_chars(respaldo.Sello.data() + desde,
                            respaldo.Sello.data() + desde + cuantas, valor);
            return valor;
        };
        using namespace std::chrono;
        respaldo.FechaCreacion =
            sys_days{year{cifras(0, 4)} / cifras(4, 2) / cifras(6, 2)} + hours{cifras(9, 2)} +
            minutes{cifras(11, 2)} + seconds{cifras(13, 2)};
    }
    return respaldos;
}

void Guardar(QWidget* ventana, const fs::path& archivo) {
    if (!ventana->grab().save(QString::fromStdString(archivo.string()), "PNG"))
        Fallar("no se pudo escribir " + archivo.string());
}

// The Qt view of the main window with the operator's answers given and a
// picture taken when the run's progress bar first reaches `fraccion`.
class VistaFotografiada final : public VistaVesmadur {
public:
    VistaFotografiada(ui::VentanaVesmadur* ventana, float fraccion, fs::path archivo)
        : ventana_(ventana), real_(std::make_unique<ui::VistaQtVesmadur>(ventana)),
          fraccion_(fraccion), archivo_(std::move(archivo)) {}

    void PonerTitulo(const std::string& t) override { real_->PonerTitulo(t); }
    void PonerEdicion(const std::string& t) override { real_->PonerEdicion(t); }
    void PonerInfo(const std::string& t) override { real_->PonerInfo(t); }
    void HabilitarAjustar(bool h) override { real_->HabilitarAjustar(h); }
    void HabilitarRestaurar(bool h) override { real_->HabilitarRestaurar(h); }
    void HabilitarCerrar(bool h) override { real_->HabilitarCerrar(h); }
    void MostrarProgreso(bool v) override { real_->MostrarProgreso(v); }
    void PonerPuntero(Puntero p) override { real_->PonerPuntero(p); }
    Respuesta PreguntarSiNo(const std::string&, const std::string&) override {
        return Respuesta::Si;
    }
    void Avisar(const std::string&, const std::string&) override {}
    void DibujarProgreso(float fraccion) override {
        real_->DibujarProgreso(fraccion);
        if (!tomada_ && fraccion >= fraccion_) {
            tomada_ = true;
            Guardar(ventana_, archivo_);
        }
    }
    void ProcesarEventos() override {}
    std::unique_ptr<VistaArchivos> CrearVistaArchivos() override {
        return real_->CrearVistaArchivos();
    }
    void Mostrar() override { real_->Mostrar(); }
    void CerrarVentana() override { real_->CerrarVentana(); }

private:
    ui::VentanaVesmadur* ventana_;
    std::unique_ptr<ui::VistaQtVesmadur> real_;
    float fraccion_;
    fs::path archivo_;
    bool tomada_ = false;
};

// The main window over `maquina`, loaded and shown, its view given by `vista`.
std::unique_ptr<frmVesmadur> Principal(const Maquina& maquina,
                                       std::unique_ptr<VistaVesmadur> vista,
                                       ui::VentanaVesmadur* ventana) {
    auto formulario = std::make_unique<frmVesmadur>(std::move(vista),
                                                    TareasDelSistema(maquina.deteccion), [] {});
    ventana->Conectar(formulario.get());
    formulario->AlCrear();
    formulario->AlCargar();
    formulario->Mostrar();
    QCoreApplication::processEvents();
    return formulario;
}


const char* const kCapturas[] = {"sin-instalacion.png", "por-ajustar.png", "en-corrida.png",
                                  "tras-corrida.png",    "selector.png",    "borrar.png"};

// How many of the pictures drawn in `nuevas` differ from those kept in
// `guardadas` (missing, another size, or any pixel), each one named.
int Diferentes(const fs::path& guardadas, const fs::path& nuevas) {
    int diferentes = 0;
    for (const char* nombre : kCapturas) {
        const QImage antes(QString::fromStdString((guardadas / nombre).string()));
        const QImage ahora(QString::fromStdString((nuevas / nombre).string()));
        const auto a = antes.convertToFormat(QImage::Format_RGB32);
        const auto b = ahora.convertToFormat(QImage::Format_RGB32);
        if (antes.isNull() || a != b) {
            ++diferentes;
            std::fprintf(stderr, "vesmadur-capturas: %s difiere de la dibujada en %s\n",
                         (guardadas / nombre).c_str(), (nuevas / nombre).c_str());
        }
    }
    return diferentes;
}

} // namespace

int main(int argc, char** argv) {
    const bool comparar = argc == 3 && std::string_view(argv[1]) == "--comparar";
    if (argc != 2 && !comparar)
        Fallar("uso: vesmadur-capturas [--comparar] CARPETA");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::tzset();
    QApplication aplicacion(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    ui::UsarTextosQtEnEspanol();
    const fs::path carpeta = fs::absolute(argv[argc - 1]);
    // The folders below are fixed, so two runs at once (two builds' tests)
    // take turns; the lock goes with the process.
    const int turno = ::open("/tmp/vesmadur-capturas.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (turno < 0 || ::flock(turno, LOCK_EX) != 0)
        Fallar("no se pudo tomar /tmp/vesmadur-capturas.lock");
    const fs::path salida =
        comparar ? fs::temp_directory_path() / "vesmadur-capturas-nuevas" : carpeta;
    if (comparar)
        fs::remove_all(salida);
    fs::create_directories(salida);
    // A fixed folder, not the temporary one: its path is in the pictures.
    const fs::path trabajo = "/tmp/vesmadur-capturas";
    fs::remove_all(trabajo);

    // No Orvanto on the machine.
    {
        Maquina maquina(trabajo / "vacia", "");
        auto* ventana = new ui::VentanaVesmadur(ui::Twips{96, 96});
        auto formulario =
            Principal(maquina, std::make_unique<ui::VistaQtVesmadur>(ventana), ventana);
        Guardar(ventana, salida / "sin-instalacion.png");
    }

    // An installation with old-style entries: before, during and after the run.
    const fs::path instalacion = trabajo / "orvanto";
    GenerarInstalacion(instalacion, {.Entradas = 2000, .ParteAntigua = 0.4, .Semilla = 2019});
    const fs::path config = instalacion / "config";
    fs::copy_file(config / "tablas.orv", config / "tablas20190715-093012.resp");
    {
        Maquina maquina(trabajo / "maquina", instalacion.string() + "/");
        auto* ventana = new ui::VentanaVesmadur(ui::Twips{96, 96});
        auto formulario = Principal(
            maquina,
            std::make_unique<VistaFotografiada>(ventana, 0.45f, salida / "en-corrida.png"),
            ventana);
        Guardar(ventana, salida / "por-ajustar.png");
        formulario->btnAjustarPulsado();
        QCoreApplication::processEvents();
        Guardar(ventana, salida / "tras-corrida.png");
    }

    // The chooser with the backups made before and by the run, one selected,
    // and its question before deleting it.
    {
        Maquina maquina(trabajo / "selector", instalacion.string() + "/");
        auto* ventana = new ui::VentanaArchivos(nullptr, ui::Twips{96, 96});
        auto tareas = TareasDelSistema(maquina.deteccion).Archivos;
        tareas.RespaldosDeCarpeta = RespaldosFechados;
        frmArchivos archivos(std::make_unique<ui::VistaQtArchivos>(ventana), std::move(tareas));
        archivos.Directorio(config.string());
        archivos.List1Click(0);
        ventana->show();
        QCoreApplication::processEvents();
        Guardar(ventana, salida / "selector.png");
        QTimer::singleShot(0, [&] {
            auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!caja)
                Fallar("no aparecio la pregunta de borrar");
            Guardar(caja, salida / "borrar.png");
            caja->done(QMessageBox::No);
        });
        archivos.btnBorrarPulsado();
        delete ventana;
    }
    fs::remove_all(trabajo);
    if (!comparar)
        return 0;
    if (Diferentes(carpeta, salida) > 0)
        return 1;
    fs::remove_all(salida);
    return 0;
}
