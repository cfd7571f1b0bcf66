#include "Ayudas.h"
#include "dialing/Configuracion.h"
#include "dialing/Marcaciones.h"

#include <chrono>
#include <thread>

namespace vesmadur {
namespace {

using namespace prueba;

class OtroProceso : public testing::Test {
protected:
    void SetUp() override {
        OpcionesGenerador o;
        o.Entradas = 3000;
        resumen_ = GenerarBaseConfiguracion(carpeta_ / "tablas.orv", o);
        ruta_ = resumen_.RutaConfig;
    }
    CarpetaTemporal carpeta_;
    ResumenGenerado resumen_;
    fs::path ruta_;
};

// While another program holds the database, every open here fails and the
// count reads 0; once it lets go, both work again.
TEST_F(OtroProceso, ArchivoRetenidoPorOtroProcesoNoAbre) {
    Proceso otro(Ayudante({"retener", ruta_.string()}));
    std::string linea;
    ASSERT_TRUE(otro.LeerLinea(linea));
    ASSERT_EQ(linea, "listo");

    EXPECT_EQ(AbrirComoPrograma(ruta_), nullptr);
    EXPECT_EQ(DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta_.string(), false, true,
                                                               kConexionConfiguracion),
              nullptr);
    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta_.string()), 0);
    EXPECT_EQ(base, nullptr);

    otro.CerrarEntrada();
    EXPECT_EQ(otro.Esperar(), 0);
    EXPECT_EQ(ContarMarcaciones(base, ruta_.string()), resumen_.Antiguas);
}

// And the other way round: while we hold it, the other program cannot.
TEST_F(OtroProceso, NuestraAperturaExcluyeAlOtroProceso) {
    auto base = AbrirComoPrograma(ruta_);
    ASSERT_NE(base, nullptr);
    {
        Proceso otro(Ayudante({"retener", ruta_.string()}));
        std::string linea;
        ASSERT_TRUE(otro.LeerLinea(linea));
        EXPECT_EQ(linea, "fallo");
        EXPECT_EQ(otro.Esperar(), 1);
    }
    // Still held after a statement moved the session to its log.
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1");
    {
        Proceso otro(Ayudante({"retener", ruta_.string()}));
        std::string linea;
        ASSERT_TRUE(otro.LeerLinea(linea));
        EXPECT_EQ(linea, "fallo");
    }
    const std::string salida =
        EjecutarShell(ruta_, "PRAGMA key='KVTR5316';\nSELECT count(*) FROM \"Numeros de lada\";\n");
    EXPECT_NE(salida.find("locked"), std::string::npos) << salida;
}

// A statement's change is in the database as soon as Execute returns: the
// program killed right afterwards loses nothing, and the next open folds
// what the crash left beside the file back into it.
TEST_F(OtroProceso, CambioSobreviveAMatarAlProgramaTrasElExecute) {
    Proceso otro(Ayudante({"ejecutar", ruta_.string(),
                           "UPDATE [Numeros de lada] SET telefono = 'sobrevive' WHERE lnId = 2"}));
    std::string linea;
    ASSERT_TRUE(otro.LeerLinea(linea));
    ASSERT_EQ(linea, "hecho");
    otro.Matar();
    EXPECT_EQ(otro.Esperar(), -SIGKILL);
    EXPECT_GT(Contenido(carpeta_.Ruta()).size(), 1u) << "the crash leaves the session's log";

    auto base = AbrirComoPrograma(ruta_);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(TelefonoDe(*base, 2), Variante("sobrevive"));
    EXPECT_EQ(ClavesDe(*base).size(), 3000u);
    base->Close();
    EXPECT_EQ(Contenido(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
    EXPECT_EQ(EjecutarShell(ruta_, "PRAGMA key='KVTR5316';\nPRAGMA integrity_check;\n"
                                   "PRAGMA journal_mode;\n"),
              "ok\ndelete\n");
}

// A maintainer's shell killed in the middle of a large change leaves a hot
// rollback journal beside a half-written file; the next open rolls it back.
TEST_F(OtroProceso, DiarioPendienteDeUnaCaidaSeDeshaceAlAbrir) {
    const fs::path diario = ruta_.string() + "-journal";
    {
        Proceso shell(Shell(ruta_));
        shell.Escribir("PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
                       "UPDATE \"Numeros de lada\" SET telefono = 'roto';\n"
                       "SELECT 'escrito';\n");
        std::string linea;
        ASSERT_TRUE(shell.LeerLinea(linea));
        ASSERT_EQ(linea, "escrito");
        ASSERT_TRUE(fs::exists(diario));
        shell.Matar();
        shell.Esperar();
    }
    ASSERT_TRUE(fs::exists(diario)) << "the crash must leave its journal";

    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta_.string()), resumen_.Antiguas);
    EXPECT_EQ(Contenido(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
}

} // namespace
} // namespace vesmadur
