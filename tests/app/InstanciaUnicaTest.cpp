#include "app/InstanciaUnica.h"

#include "app/VistaMuda.h"
#include "app/basPrincipal.h"
#include "ayudas/Archivos.h"
#include "ayudas/Proceso.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vesmadur {
namespace {

using namespace prueba;

// Another copy of the program on the lock file `bloqueo`: prints "VENTANA" and
// waits to be killed, or "AVISO <title>|<text>" when refused, and ends.
std::function<int()> Copia(const std::string& bloqueo) {
    return [bloqueo] {
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
            ::pause();
    };
}

TEST(InstanciaUnica, SegundaCopiaRechazadaHastaQueLaPrimeraMuere) {
    CarpetaTemporal carpeta;
    const auto bloqueo = carpeta / "vesmadur.lock";
    Proceso primera(Copia(bloqueo));
    ASSERT_EQ(primera.Linea(), "VENTANA");
    Proceso segunda(Copia(bloqueo));
    EXPECT_EQ(segunda.Linea(), "AVISO Vesmadur|El programa ya ha sido cargado anteriormente.");
    EXPECT_EQ(segunda.Esperar(), 0);
    // Killed without a chance to clean up: the kernel drops its lock.
    primera.Matar();
    Proceso tercera(Copia(bloqueo));
    EXPECT_EQ(tercera.Linea(), "VENTANA");
    tercera.Matar();
    // Within one process too, a second holder is another copy.
    InstanciaUnica a(bloqueo), b(bloqueo);
    EXPECT_EQ(a.Adquirir(), InstanciaUnica::Resultado::Unica);
    EXPECT_EQ(a.Adquirir(), InstanciaUnica::Resultado::Unica);
    EXPECT_EQ(b.Adquirir(), InstanciaUnica::Resultado::OtraCopia);
}

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

} // namespace
} // namespace vesmadur
