#include "Ayudas.h"
#include "dialing/Configuracion.h"

namespace vesmadur {
namespace {

using namespace prueba;

class Sentencias : public testing::Test {
protected:
    void SetUp() override {
        OpcionesGenerador o;
        o.Entradas = 200;
        o.TablasLD = 3;
        o.ReferenciasPorEntrada = 3;
        ruta_ = GenerarBaseConfiguracion(carpeta_ / "tablas.orv", o).RutaConfig;
        base_ = AbrirComoPrograma(ruta_);
        ASSERT_NE(base_, nullptr);
    }
    std::int64_t Contar(const std::string& tabla, std::int64_t idLada) {
        std::int64_t n = 0;
        auto c = base_->OpenRecordset(tabla);
        for (; !c->Eof(); c->MoveNext())
            n += c->Fields(1).Entero() == idLada;
        return n;
    }
    std::int64_t ReferenciaCualquiera(const std::string& tabla) {
        auto c = base_->OpenRecordset(tabla);
        return *c->Fields(1).Entero();
    }

    CarpetaTemporal carpeta_;
    fs::path ruta_;
    std::unique_ptr<Database> base_;
};

TEST_F(Sentencias, LasSentenciasDelAjusteTalComoSeConstruyen) {
    const auto id = ReferenciaCualquiera("LD2");
    ASSERT_GT(Contar("LD2", id), 0);
    base_->Execute("DELETE * FROM LD2 WHERE idLada = " + std::to_string(id));
    EXPECT_EQ(Contar("LD2", id), 0);

    base_->Execute("UPDATE [Numeros de lada] SET telefono = '5512345678' WHERE lnId = 3");
    EXPECT_EQ(TelefonoDe(*base_, 3), Variante("5512345678"));
    base_->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 3");
    EXPECT_THROW(TelefonoDe(*base_, 3), std::runtime_error);
}

// A quote inside the new number, doubled as the dialect requires, is stored
// exactly and cannot change the statement.
TEST_F(Sentencias, ComillaDuplicadaSeGuardaTalCual) {
    base_->Execute(
        "UPDATE [Numeros de lada] SET telefono = '55''1; DROP TABLE LD1 --' WHERE lnId = 4");
    EXPECT_EQ(TelefonoDe(*base_, 4), Variante("55'1; DROP TABLE LD1 --"));
    EXPECT_NO_THROW(base_->OpenRecordset("LD1"));
}

// What the engine refuses: the statement changes nothing and the error
// carries the engine's description.
struct Rechazo {
    const char* Nombre;
    const char* Sentencia;
    const char* Descripcion; // a part of the description
};

void PrintTo(const Rechazo& r, std::ostream* os) {
    *os << r.Nombre;
}

class SentenciaRechazada : public Sentencias, public testing::WithParamInterface<Rechazo> {};

TEST_P(SentenciaRechazada, LanzaConDescripcionYNoCambiaNada) {
    const std::string antes = TelefonoDe(*base_, 1).ComoTexto();
    try {
        base_->Execute(GetParam().Sentencia);
        ADD_FAILURE() << "no lanzo";
    } catch (const ErrorMotor& e) {
        EXPECT_NE(e.Descripcion().find(GetParam().Descripcion), std::string::npos)
            << e.Descripcion();
    }
    EXPECT_EQ(TelefonoDe(*base_, 1).ComoTexto(), antes);
    // Nothing stays pending: the next statement commits on its own.
    base_->Execute("UPDATE [Numeros de lada] SET telefono = 'z' WHERE lnId = 2");
    base_->Close();
    auto otra = AbrirComoPrograma(ruta_);
    ASSERT_NE(otra, nullptr);
    EXPECT_EQ(TelefonoDe(*otra, 2), Variante("z"));
    EXPECT_NO_THROW(otra->OpenRecordset("LD1"));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, SentenciaRechazada,
    testing::Values(
        Rechazo{"TablaFaltante", "DELETE * FROM LD9 WHERE idLada = 1", "no such table: LD9"},
        Rechazo{"DosSentencias",
                "UPDATE [Numeros de lada] SET telefono = 'x' WHERE lnId = 1; DROP TABLE LD1",
                "after end of SQL statement"},
        Rechazo{"LiteralAbierto", "UPDATE [Numeros de lada] SET telefono = 'x WHERE lnId = 1",
                "Syntax error"},
        Rechazo{"Transaccion", "BEGIN", "Invalid SQL statement"},
        Rechazo{"Consulta", "SELECT * FROM [Numeros de lada]", "Invalid SQL statement"},
        Rechazo{"Pragma", "PRAGMA synchronous = OFF", "Invalid SQL statement"},
        Rechazo{"Adjuntar", "ATTACH 'otra.db' AS otra", "Invalid SQL statement"},
        Rechazo{"ColumnaFaltante", "UPDATE [Numeros de lada] SET numero = 'x' WHERE lnId = 1",
                "no such column"},
        Rechazo{"Vacia", "   ", "Invalid SQL statement"}),
    [](const auto& caso) { return std::string(caso.param.Nombre); });

// After a session with changes the file is again one self-contained
// rollback-journal database: nothing beside it, and the shell sees it so.
TEST_F(Sentencias, TrasCerrarNoQuedaNadaJuntoALaBase) {
    for (int i = 1; i <= 50; ++i)
        base_->Execute("UPDATE [Numeros de lada] SET telefono = '" + std::to_string(i) +
                       "' WHERE lnId = " + std::to_string(i));
    EXPECT_EQ(Contenido(carpeta_.Ruta()).size(), 2u) << "el registro de la sesion existe";
    base_->Close();
    EXPECT_EQ(Contenido(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
    EXPECT_EQ(EjecutarShell(ruta_, "PRAGMA key='KVTR5316';\nPRAGMA journal_mode;\n"
                                   "SELECT telefono FROM \"Numeros de lada\" WHERE lnId = 50;\n"),
              "delete\n50\n");
}

TEST_F(Sentencias, SoloLecturaRechazaCambios) {
    base_->Close();
    auto lectura = DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta_.string(), true, true,
                                                                    kConexionConfiguracion);
    ASSERT_NE(lectura, nullptr);
    EXPECT_THROW(lectura->Execute("DELETE * FROM LD1"), ErrorMotor);
    EXPECT_EQ(ClavesDe(*lectura).size(), 200u);
    lectura->Close();
    EXPECT_EQ(Contenido(carpeta_.Ruta()), std::vector<std::string>{"tablas.orv"});
}

} // namespace
} // namespace vesmadur
