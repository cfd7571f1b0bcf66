#include "Ayudas.h"
#include "dialing/Configuracion.h"
#include "dialing/Marcaciones.h"

namespace vesmadur {
namespace {

using namespace prueba;

// A database a maintainer makes by hand with the sqlcipher shell opens in
// the program and counts as the rules say.
TEST(FormatoCompartido, BaseHechaEnElShellAbreYCuenta) {
    CarpetaTemporal carpeta;
    const auto ruta = carpeta / "tablas.orv";
    const std::string salida = EjecutarShell(
        ruta,
        "PRAGMA key='KVTR5316';\n"
        "CREATE TABLE \"Numeros de lada\" (lnId INTEGER PRIMARY KEY, telefono TEXT, nota TEXT);\n"
        "CREATE TABLE \"Tablas de ladas\" (numero INTEGER, nombre TEXT, depurar INTEGER);\n"
        "CREATE TABLE LD1 (idLada INTEGER);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (1, '015512345678', 'a');\n"
        "INSERT INTO \"Numeros de lada\" VALUES (2, '0445512345678', NULL);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (3, '5512345678', NULL);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (4, NULL, NULL);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (5, ' 015512345678', NULL);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (6, '045', NULL);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (7, '', NULL);\n"
        "INSERT INTO \"Numeros de lada\" VALUES (9, '0101234', NULL);\n"
        "INSERT INTO \"Tablas de ladas\" VALUES (1, 'uno', 1);\n"
        "INSERT INTO LD1 VALUES (6);\n");
    ASSERT_EQ(salida, "");

    std::unique_ptr<Database> base;
    EXPECT_EQ(ContarMarcaciones(base, ruta.string()), 4);
    EXPECT_EQ(base, nullptr);

    // The dialect of the run works on it as well.
    base = AbrirComoPrograma(ruta);
    ASSERT_NE(base, nullptr);
    base->Execute("DELETE * FROM LD1 WHERE idLada = 6");
    base->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = 6");
    base->Close();
    EXPECT_EQ(EjecutarShell(ruta, "PRAGMA key='KVTR5316';\nSELECT count(*) FROM LD1;\n"
                                  "SELECT count(*) FROM \"Numeros de lada\";\n"),
              "0\n7\n");
}

// A database the program wrote opens in the shell with the key, and only
// with it.
TEST(FormatoCompartido, BaseEscritaPorElProgramaAbreEnElShell) {
    CarpetaTemporal carpeta;
    OpcionesGenerador o;
    o.Entradas = 100;
    const auto resumen = GenerarBaseConfiguracion(carpeta / "tablas.orv", o);
    auto base = AbrirComoPrograma(resumen.RutaConfig);
    ASSERT_NE(base, nullptr);
    base->Execute("UPDATE [Numeros de lada] SET telefono = 'ñandú 5512' WHERE lnId = 1");
    base->Close();

    EXPECT_EQ(EjecutarShell(resumen.RutaConfig,
                            "PRAGMA key='KVTR5316';\nPRAGMA integrity_check;\n"
                            "SELECT telefono FROM \"Numeros de lada\" WHERE lnId = 1;\n"
                            "SELECT count(*) FROM \"Numeros de lada\";\n"),
              "ok\nñandú 5512\n100\n");
    const std::string ajena = EjecutarShell(
        resumen.RutaConfig, "PRAGMA key='otra';\nSELECT count(*) FROM \"Numeros de lada\";\n");
    EXPECT_NE(ajena.find("not a database"), std::string::npos) << ajena;
    const std::string sinClave =
        EjecutarShell(resumen.RutaConfig, "SELECT count(*) FROM \"Numeros de lada\";\n");
    EXPECT_NE(sinClave.find("not a database"), std::string::npos) << sinClave;
}

} // namespace
} // namespace vesmadur
