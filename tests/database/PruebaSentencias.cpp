#include "ayudas/BaseDatos.h"

#include <csignal>
#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// A generated database of 3000 entries; `Sentencias` also opens it.
class OtroProceso : public testing::Test {
protected:
    CarpetaTemporal carpeta_;
    ResumenGenerado resumen_ = Generar(carpeta_, 3000);
    fs::path ruta_ = resumen_.RutaConfig;
    std::unique_ptr<Database> base_;
};

class Sentencias : public OtroProceso {
protected:
    void SetUp() override { ASSERT_NE(base_ = AbrirComoPrograma(ruta_), nullptr); }
};

// The statements of the run as they are built: "DELETE * FROM" and bracketed
// names. A quote inside the new number, doubled as the dialect requires, is
// stored exactly and cannot change the statement.
TEST_F(Sentencias, LasSentenciasDelAjusteTalComoSeConstruyen) {
    const auto id = base_->OpenRecordset("LD2")->Fields(1).ComoTexto();
    base_->Execute("DELETE * FROM LD2 WHERE idLada = " + id);
    base_->Execute("UPDATE [Numeros de lada] SET telefono = '55''1; DROP TABLE LD1 --' "
                   "WHERE lnId = 4");
    base_->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 3");
    base_->Close();
    EXPECT_EQ(EjecutarShell(ruta_, "SELECT count(*) FROM LD2 WHERE idLada = " + id +
                                       ";\n"
                                       "SELECT group_concat(telefono) FROM \"Numeros de lada\" "
                                       "WHERE lnId IN (3, 4);\nSELECT count(*) > 0 FROM LD1;\n"),
              "0\n55'1; DROP TABLE LD1 --\n1\n");
}

// What the engine refuses throws with the engine's description, changes
// nothing, and leaves nothing pending: the next statement commits on its own.
class SentenciaRechazada : public Sentencias,
                           public testing::WithParamInterface<std::pair<const char*, const char*>> {
};

TEST_P(SentenciaRechazada, LanzaConDescripcionYNoCambiaNada) {
    const std::string antes = *LeerNumeros(*base_).at(1);
    try {
        base_->Execute(GetParam().first);
        ADD_FAILURE() << "no lanzo";
    } catch (const ErrorMotor& e) {
        EXPECT_NE(e.Descripcion().find(GetParam().second), std::string::npos) << e.Descripcion();
    }
    EXPECT_EQ(*LeerNumeros(*base_).at(1), antes);
    base_->Execute("UPDATE [Numeros de lada] SET telefono = 'z' WHERE lnId = 2");
    base_->Close();
    EXPECT_EQ(EjecutarShell(ruta_, "SELECT telefono FROM \"Numeros de lada\" WHERE lnId = 2;\n"
                                   "SELECT count(*) > 0 FROM LD1;\n"),
              "z\n1\n");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, SentenciaRechazada,
    testing::Values(
        std::pair{"DELETE * FROM LD9 WHERE idLada = 1", "no such table: LD9"},
        std::pair{"UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1; DROP TABLE LD1",
                  "after end of SQL statement"},
        std::pair{"UPDATE [Numeros de lada] SET telefono = 'x WHERE lnId = 1", "Syntax error"},
        std::pair{"BEGIN", "Invalid SQL statement"},
        std::pair{"SELECT * FROM [Numeros de lada]", "Invalid SQL statement"},
        std::pair{"PRAGMA synchronous = OFF", "Invalid SQL statement"},
        std::pair{"ATTACH 'otra.db' AS otra", "Invalid SQL statement"},
        std::pair{"UPDATE [Numeros de lada] SET numero = 'x' WHERE lnId = 1", "no such column"},
        // A bracketed name that is no column, or a parameter with no value,
        // must not quietly match nothing.
        std::pair{"UPDATE [Numeros de lada] SET telefono = 'x' WHERE [lnIdX] = 1",
                  "no such column"},
        std::pair{"UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = ?",
                  "Too few parameters. Expected 1."},
        std::pair{"DELETE * FROM LD1 WHERE idLada = @x", "Too few parameters"},
        std::pair{"   ", "Invalid SQL statement"}));

// After a session with changes the file is again one self-contained
// rollback-journal database: nothing beside it, and the shell reads it with
// the key, and only with it.
TEST_F(Sentencias, TrasCerrarNoQuedaNadaJuntoALaBaseYElShellLaLee) {
    for (int i = 1; i <= 50; ++i)
        base_->Execute("UPDATE [Numeros de lada] SET telefono = 'ñandú " + std::to_string(i) +
                       "' WHERE lnId = " + std::to_string(i));
    EXPECT_EQ(Nombres(carpeta_.Ruta()).size(), 2u) << "el registro de la sesion existe";
    base_->Close();
    EXPECT_EQ(Nombres(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
    EXPECT_EQ(EjecutarShell(ruta_, "PRAGMA integrity_check;\nPRAGMA journal_mode;\n"
                                   "SELECT telefono FROM \"Numeros de lada\" WHERE lnId = 50;\n"
                                   "SELECT count(*) FROM \"Numeros de lada\";\n"),
              "ok\ndelete\nñandú 50\n3000\n");
    for (const char* clave : {"PRAGMA key='otra';\n", ""}) {
        const auto salida = EjecutarShell(
            ruta_, std::string(clave) + "SELECT count(*) FROM \"Numeros de lada\";\n", false);
        EXPECT_NE(salida.find("not a database"), std::string::npos) << salida;
    }
}

// While another program holds the database it does not open here; once it
// lets go, it does. While we hold it, the other
// program and the shell cannot, before and after a statement moved the
// session to its log.
TEST_F(OtroProceso, RetencionEnAmbosSentidos) {
    {
        Proceso otro(Ayudante("retener", ruta_));
        ASSERT_EQ(otro.Linea(), "listo");
        EXPECT_EQ(AbrirComoPrograma(ruta_), nullptr);
        otro.CerrarEntrada();
        EXPECT_EQ(otro.Esperar(), 0);
    }
    ASSERT_NE(base_ = AbrirComoPrograma(ruta_), nullptr);
    for (int vez = 0; vez < 2; ++vez) {
        Proceso otro(Ayudante("retener", ruta_));
        EXPECT_EQ(otro.Linea(), "fallo");
        EXPECT_EQ(otro.Esperar(), 1);
        base_->Execute("UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1");
    }
    const auto salida = EjecutarShell(ruta_, "SELECT count(*) FROM \"Numeros de lada\";\n");
    EXPECT_NE(salida.find("locked"), std::string::npos) << salida;
}

// A statement's change is in the database as soon as Execute returns: the
// program killed right afterwards loses nothing, and the next open folds
// what the crash left beside the file back into it.
TEST_F(OtroProceso, CambioSobreviveAMatarAlProgramaTrasElExecute) {
    Proceso otro(Ayudante("ejecutar", ruta_,
                          "UPDATE [Numeros de lada] SET telefono = 'sobrevive' WHERE lnId = 2"));
    ASSERT_EQ(otro.Linea(), "hecho");
    EXPECT_EQ(otro.Matar(), -SIGKILL);
    EXPECT_GT(Nombres(carpeta_.Ruta()).size(), 1u) << "the crash leaves the session's log";

    ASSERT_NE(base_ = AbrirComoPrograma(ruta_), nullptr);
    EXPECT_EQ(LeerNumeros(*base_).at(2), "sobrevive");
    EXPECT_EQ(LeerNumeros(*base_).size(), 3000u);
    base_->Close();
    EXPECT_EQ(Nombres(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
    EXPECT_EQ(EjecutarShell(ruta_, "PRAGMA integrity_check;\nPRAGMA journal_mode;\n"),
              "ok\ndelete\n");
}

// A maintainer's shell killed in the middle of a large change leaves a hot
// rollback journal beside a half-written file; the next open rolls it back.
TEST_F(OtroProceso, DiarioPendienteDeUnaCaidaSeDeshaceAlAbrir) {
    const auto antes = LeerNumeros(ruta_);
    Proceso shell(Shell(ruta_));
    shell.Escribir("PRAGMA key='KVTR5316';\nPRAGMA cache_size = 5;\nBEGIN;\n"
                   "UPDATE \"Numeros de lada\" SET telefono = 'roto';\nSELECT 'escrito';\n");
    ASSERT_EQ(shell.Linea(), "escrito");
    shell.Matar();
    ASSERT_TRUE(fs::exists(ruta_.string() + "-journal")) << "the crash must leave its journal";
    EXPECT_EQ(LeerNumeros(ruta_), antes);
    EXPECT_EQ(Nombres(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
}

} // namespace
} // namespace vesmadur
