#include "app/InstanciaUnica.h"

#include "app/VistaMuda.h"
#include "app/basPrincipal.h"
#include "ayudas/Archivos.h"
#include "ayudas/Proceso.h"
#ifdef _WIN32
#include "common/TextoWin32.h"
#include "detect/Deteccion.h"
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vesmadur {
namespace {

using namespace prueba;

// Another copy of the program on the lock `bloqueo`: prints "VENTANA" and
// waits to be killed, or "AVISO <title>|<text>" when refused, and ends.
int Copia(const std::string& bloqueo) {
    {
        InstanciaUnica instancia(bloqueo);
        basPrincipal::Plataforma plataforma;
        plataforma.OtraCopiaEnEjecucion = [&] {
            return instancia.Adquirir() == InstanciaUnica::Resultado::OtraCopia;
        };
        plataforma.Avisar = [](const std::string& texto, const std::string& titulo) {
            std::printf("AVISO %s|%s\n", titulo.c_str(), texto.c_str());
        };
        plataforma.CrearVentana = [](std::function<void()> cerrar) {
            return std::make_unique<frmVesmadur>(std::make_unique<VistaMuda>(), TareasVesmadur{},
                                                 std::move(cerrar));
        };
        basPrincipal principal(std::move(plataforma));
        if (!principal.Main())
            return 0;
        std::printf("VENTANA\n");
        std::fflush(stdout);
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

#ifdef _WIN32
// On Windows a copy is this test program run again for this test alone,
// with "copia=" and the lock's name last on its command line.
TEST(InstanciaUnica, Copia) {
    const std::string linea = TextoLineaComandos(0, nullptr);
    const auto copia = linea.find(" copia=");
    if (copia == std::string::npos)
        GTEST_SKIP() << "solo como otra copia";
    std::exit(Copia(linea.substr(copia + 7)));
}
Proceso Lanzar(const std::string& bloqueo) {
    return Proceso('"' + Utf8DeAncho(RutaDelPrograma()) +
                   "\" --gtest_filter=InstanciaUnica.Copia copia=" + bloqueo);
}
const std::string Bloqueo = "Local\\VesmadurPrueba-" + std::to_string(std::random_device()());
#else
Proceso Lanzar(const std::string& bloqueo) {
    return Proceso([bloqueo] { return Copia(bloqueo); });
}
const CarpetaTemporal Carpeta;
const std::string Bloqueo = Carpeta / "vesmadur.lock";
#endif

// The first line of a copy that says what it became.
std::string Respuesta(Proceso& copia) {
    std::string linea;
    do
        linea = copia.Linea();
    while (!linea.empty() && !linea.starts_with("VENTANA") && !linea.starts_with("AVISO"));
    return linea;
}

TEST(InstanciaUnica, SegundaCopiaRechazadaHastaQueLaPrimeraMuere) {
    Proceso primera = Lanzar(Bloqueo);
    ASSERT_EQ(Respuesta(primera), "VENTANA");
    Proceso segunda = Lanzar(Bloqueo);
    EXPECT_EQ(Respuesta(segunda), "AVISO Vesmadur|El programa ya ha sido cargado anteriormente.");
    EXPECT_EQ(segunda.Esperar(), 0);
    // Killed without a chance to clean up: the system drops its lock.
    primera.Matar();
    Proceso tercera = Lanzar(Bloqueo);
    EXPECT_EQ(Respuesta(tercera), "VENTANA");
    tercera.Matar();
    // Within one process too, a second holder is another copy.
    InstanciaUnica a(Bloqueo), b(Bloqueo);
    EXPECT_EQ(a.Adquirir(), InstanciaUnica::Resultado::Unica);
    EXPECT_EQ(a.Adquirir(), InstanciaUnica::Resultado::Unica);
    EXPECT_EQ(b.Adquirir(), InstanciaUnica::Resultado::OtraCopia);
}

#ifdef _WIN32
// A global mutex unless the environment names one; a name Windows refuses
// (another namespace than Global or Local) is no other copy.
TEST(InstanciaUnica, NombreDelMutex) {
    PonerVariable("VESMADUR_BLOQUEO", "");
    EXPECT_EQ(InstanciaUnica::RutaPredeterminada(), "Global\\Vesmadur");
    PonerVariable("VESMADUR_BLOQUEO", "Local\\Otro");
    EXPECT_EQ(InstanciaUnica::RutaPredeterminada(), "Local\\Otro");
    PonerVariable("VESMADUR_BLOQUEO", "");
    InstanciaUnica invalida("NoExiste\\Vesmadur");
    EXPECT_EQ(invalida.Adquirir(), InstanciaUnica::Resultado::Desconocido);
    EXPECT_FALSE(invalida.Error().empty());
}
#else
// The lock goes in the user's runtime folder only when the user owns it:
// whoever owns another folder could take the lock there first.
TEST(InstanciaUnica, CarpetaDeEjecucionAjenaNoSeUsa) {
    CarpetaTemporal carpeta;
    ::unsetenv("VESMADUR_BLOQUEO"); // nothing else here reads the default path
    // Root gives the folder away; anyone else finds one of root's.
    const bool root = ::geteuid() == 0;
    const std::string ajena = root ? carpeta.Ruta() : "/";
    ASSERT_TRUE(!root || ::chown(ajena.c_str(), 65534, 65534) == 0);
    ::setenv("XDG_RUNTIME_DIR", ajena.c_str(), 1);
    EXPECT_NE(InstanciaUnica::RutaPredeterminada().parent_path(), ajena);
    ASSERT_TRUE(!root || ::chown(ajena.c_str(), 0, 0) == 0);
    ::setenv("XDG_RUNTIME_DIR", carpeta.Ruta().c_str(), 1);
    EXPECT_EQ(InstanciaUnica::RutaPredeterminada().parent_path(), carpeta.Ruta());
}

// A lock that cannot be ours is no other copy and never makes the start wait: a path
// through a file, a FIFO, another user's file, a link (followed, it leads anywhere).
TEST(InstanciaUnica, BloqueoQueNoPuedeSerPropioNoSeConfundeConOtraCopia) {
    CarpetaTemporal carpeta;
    EscribirArchivo(carpeta / "archivo", "x");
    ASSERT_EQ(::mkfifo((carpeta / "fifo").c_str(), 0600), 0);
    // Root gives a file away; anyone else finds one of root's.
    std::string ajeno = "/etc/passwd";
    if (::geteuid() == 0) {
        ajeno = EscribirArchivo(carpeta / "ajeno", "");
        ASSERT_EQ(::chown(ajeno.c_str(), 65534, 65534), 0);
    }
    fs::create_symlink(EscribirArchivo(carpeta / "propio", ""), carpeta / "enlace");
    for (const auto& ruta :
         {carpeta / "archivo/vesmadur.lock", carpeta / "fifo", ajeno, carpeta / "enlace"}) {
        InstanciaUnica instancia(ruta);
        EXPECT_EQ(instancia.Adquirir(), InstanciaUnica::Resultado::Desconocido) << ruta;
        EXPECT_FALSE(instancia.Error().empty());
    }
}

#endif

} // namespace
} // namespace vesmadur
