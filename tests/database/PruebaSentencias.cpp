#include "ayudas/BaseDatos.h"

#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace prueba;

// A generated database of 3000 entries, open as the program opens it.
class Sentencias : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(base_, nullptr); }
    CarpetaTemporal carpeta_;
    fs::path ruta_ = Generar(carpeta_, 3000).RutaConfig;
    std::unique_ptr<Database> base_ = AbrirComoPrograma(ruta_);
};

// The statements of the run as they are built: "DELETE * FROM" and bracketed
// names; a quote inside the new number, doubled as the dialect requires, is
// stored exactly and cannot change the statement. The session's log lies
// beside the file meanwhile; after the close the file is again one
// self-contained rollback-journal database, which the shell reads with the
// key, and only with it.
TEST_F(Sentencias, LasDelAjusteYTrasCerrarUnArchivoQueElShellLee) {
    const auto id = base_->OpenRecordset("LD2")->Fields(1).ComoTexto();
    base_->Execute("DELETE * FROM LD2 WHERE idLada = " + id);
    base_->Execute("UPDATE [Numeros de lada] SET telefono = 'ñandú''1; DROP TABLE LD1 --' "
                   "WHERE lnId = 4");
    base_->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 3");
    EXPECT_EQ(Nombres(carpeta_.Ruta()).size(), 2u) << "el registro de la sesion falta";
    base_->Close();
    EXPECT_EQ(Nombres(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
    EXPECT_EQ(EjecutarShell(ruta_, "PRAGMA integrity_check;\nPRAGMA journal_mode;\n"
                                   "SELECT count(*) FROM LD2 WHERE idLada = " +
                                       id +
                                       ";\n"
                                       "SELECT group_concat(telefono) FROM \"Numeros de lada\" "
                                       "WHERE lnId IN (3, 4);\nSELECT count(*) > 0 FROM LD1;\n"
                                       "SELECT count(*) FROM \"Numeros de lada\";\n"),
              "ok\ndelete\n0\nñandú'1; DROP TABLE LD1 --\n1\n2999\n");
    for (const char* clave : {"PRAGMA key='otra';\n", ""}) {
        const auto salida =
            EjecutarShell(ruta_, clave + std::string("SELECT 1 FROM LD1;\n"), false);
        EXPECT_NE(salida.find("not a database"), std::string::npos) << salida;
    }
}

// What the engine refuses throws with the engine's description, changes
// nothing, and leaves nothing pending: the next statement commits on its own.
struct Rechazo {
    const char *Nombre, *Sentencia, *Descripcion;
};
void PrintTo(const Rechazo& r, std::ostream* os) {
    *os << r.Nombre;
}

class SentenciaRechazada : public Sentencias, public testing::WithParamInterface<Rechazo> {};

TEST_P(SentenciaRechazada, LanzaConDescripcionYNoCambiaNada) {
    const std::string antes = *LeerNumeros(*base_).at(1);
    try {
        base_->Execute(GetParam().Sentencia);
        ADD_FAILURE() << "no lanzo";
    } catch (const ErrorMotor& e) {
        EXPECT_NE(e.Descripcion().find(GetParam().Descripcion), std::string::npos)
            << e.Descripcion();
    }
    EXPECT_EQ(*LeerNumeros(*base_).at(1), antes);
    base_->Execute("UPDATE [Numeros de lada] SET telefono = 'z' WHERE lnId = 2");
    base_->Close();
    EXPECT_EQ(EjecutarShell(ruta_, "SELECT telefono FROM \"Numeros de lada\" WHERE lnId = 2;\n"
                                   "SELECT count(*) > 0 FROM LD1;\n"),
              "z\n1\n");
}

constexpr const char* kNoEsSentencia = "Invalid SQL statement";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Casos, SentenciaRechazada, testing::Values(
    Rechazo{"TablaInexistente", "DELETE * FROM LD9 WHERE idLada = 1", "no such table: LD9"},
    Rechazo{"SegundaSentencia", "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1; "
            "DROP TABLE LD1", "after end of SQL statement"},
    Rechazo{"LiteralAbierto", "UPDATE [Numeros de lada] SET telefono = 'x WHERE lnId = 1",
            "Syntax error"},
    Rechazo{"Transaccion", "BEGIN", kNoEsSentencia},
    Rechazo{"Consulta", "SELECT * FROM [Numeros de lada]", kNoEsSentencia},
    Rechazo{"Pragma", "PRAGMA synchronous = OFF", kNoEsSentencia},
    Rechazo{"OtroArchivo", "ATTACH 'otra.db' AS otra", kNoEsSentencia},
    Rechazo{"SoloBlancos", "   ", kNoEsSentencia},
    Rechazo{"ColumnaInexistente", "UPDATE [Numeros de lada] SET numero = 'x' WHERE lnId = 1",
            "no such column"},
    // A bracketed name that is no column, or a parameter with no value,
    // must not quietly match nothing.
    Rechazo{"NombreEntreCorchetesInexistente",
            "UPDATE [Numeros de lada] SET telefono = 'x' WHERE [lnIdX] = 1", "no such column"},
    Rechazo{"ParametroSinValor", "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = ?",
            "Too few parameters. Expected 1."},
    Rechazo{"ParametroConNombre", "DELETE * FROM LD1 WHERE idLada = @x", "Too few parameters"}),
    testing::PrintToStringParamName());
// clang-format on

// While we hold the database, the other program and the shell cannot open
// it, before and after a statement moved the session to its log. (The other
// way round is a row of AperturaFallida.)
TEST_F(Sentencias, OtrosProgramasNoAbrenLaBaseRetenida) {
    for (int vez = 0; vez < 2; ++vez) {
        Proceso otro(Ayudante("retener", ruta_));
        EXPECT_EQ(otro.Linea(), "fallo");
        EXPECT_EQ(otro.Esperar(), 1);
        base_->Execute("UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1");
    }
    const auto salida = EjecutarShell(ruta_, "SELECT count(*) FROM LD1;\n");
    EXPECT_NE(salida.find("locked"), std::string::npos) << salida;
}

} // namespace
} // namespace vesmadur
