// The registry calls over the hive file: the result codes and orderings a
// caller of the Win32 calls would see.
#include "ColmenaTemporal.h"

#include <cstdlib>

namespace vesmadur {
namespace {

using namespace prueba;
using V = std::vector<std::string>;

std::int32_t Abre(RegistroArchivo& ops, std::int32_t raiz, const std::string& ruta) {
    ManejadorClave k = 0;
    const auto r = ops.AbrirClave(raiz, ruta, 0, KEY_QUERY_VALUE, k);
    if (r == 0)
        ops.CerrarClave(k);
    return r;
}

std::int32_t Crea(RegistroArchivo& ops, std::int32_t raiz, const std::string& ruta) {
    ManejadorClave k = 0;
    const auto r = ops.CrearClave(raiz, ruta, 0, KEY_DERECHOS_ESCRITURA, k, nullptr);
    if (r == 0)
        ops.CerrarClave(k);
    return r;
}

// A key path `niveles` levels deep.
std::string Niveles(int niveles) {
    std::string ruta = "a";
    for (int i = 1; i < niveles; ++i)
        ruta += "\\a";
    return ruta;
}

struct Codigo {
    const char* Nombre;
    std::function<std::int32_t(RegistroArchivo&)> Llamada;
    std::int32_t Esperado;
};

class RegistroArchivoCodigo : public ::testing::TestWithParam<Codigo> {};

TEST_P(RegistroArchivoCodigo, DaElDeWindows) {
    CarpetaTemporal carpeta;
    RegistroArchivo ops(carpeta.Hive());
    EXPECT_EQ(GetParam().Llamada(ops), GetParam().Esperado);
}

using R = RegistroArchivo;
constexpr auto HKLM = HKEY_LOCAL_MACHINE;
const Codigo Codigos[] = {
    {"BarraInicialAlAbrir", [](R& o) { return Abre(o, HKLM, "\\SOFTWARE"); }, ERROR_BAD_PATHNAME},
    {"BarraInicialAlCrear", [](R& o) { return Crea(o, HKLM, "\\SOFTWARE\\X"); },
     ERROR_BAD_PATHNAME},
    {"BarraDoble", [](R& o) { return Abre(o, HKLM, "SOFTWARE\\\\Classes"); }, ERROR_BAD_PATHNAME},
    {"BarraFinal", [](R& o) { return Abre(o, HKLM, "SOFTWARE\\"); }, 0},
    {"RaizCeroAlAbrir", [](R& o) { return Abre(o, 0, "SOFTWARE"); }, ERROR_INVALID_HANDLE},
    {"RaizCeroAlCrear", [](R& o) { return Crea(o, 0, "SOFTWARE\\X"); }, ERROR_INVALID_HANDLE},
    {"RaizCeroAlBorrar", [](R& o) { return o.BorrarClave(0, "SOFTWARE\\X"); },
     ERROR_INVALID_HANDLE},
    {"CerrarUnaRaiz", [](R& o) { return o.CerrarClave(HKLM); }, 0},
    {"ClaveAusente", [](R& o) { return Abre(o, HKLM, "SOFTWARE\\No"); }, ERROR_FILE_NOT_FOUND},
    {"BorrarClaveAusente", [](R& o) { return o.BorrarClave(HKLM, "SOFTWARE\\No"); },
     ERROR_FILE_NOT_FOUND},
    {"BorrarLaRaizDeClases", [](R& o) { return o.BorrarClave(HKEY_CLASSES_ROOT, ""); },
     ERROR_ACCESS_DENIED},
    {"RaizDeClasesEnColmenaVacia", [](R& o) { return Abre(o, HKEY_CLASSES_ROOT, ""); }, 0},
    {"NombreDe255", [](R& o) { return Crea(o, HKLM, "SOFTWARE\\" + std::string(255, 'n')); }, 0},
    {"NombreDe256", [](R& o) { return Crea(o, HKLM, "SOFTWARE\\" + std::string(256, 'n')); },
     ERROR_INVALID_PARAMETER},
    {"Profundidad512", [](R& o) { return Crea(o, HKLM, Niveles(512)); }, 0},
    {"Profundidad513", [](R& o) { return Crea(o, HKLM, Niveles(513)); }, ERROR_BAD_PATHNAME},
};
INSTANTIATE_TEST_SUITE_P(Casos, RegistroArchivoCodigo, ::testing::ValuesIn(Codigos),
                         [](const auto& i) { return std::string(i.param.Nombre); });

class RegistroArchivoLlamadas : public ConBanco<> {
protected:
    ManejadorClave Abrir(const std::string& ruta, std::uint32_t acceso = KEY_DERECHOS_ESCRITURA) {
        ManejadorClave k = 0;
        EXPECT_EQ(ops_.AbrirClave(HKLM, ruta, 0, acceso, k), 0) << ruta;
        return k;
    }
    ManejadorClave Crear(const std::string& ruta) {
        ManejadorClave k = 0;
        EXPECT_EQ(ops_.CrearClave(HKLM, ruta, 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0) << ruta;
        return k;
    }

    RegistroArchivo& ops_ = b_.Ops;
    const std::uint8_t dato_ = 1;
};

TEST_F(RegistroArchivoLlamadas, NombresSinDistinguirMayusculasConservanLosDeSuCreacion) {
    ManejadorClave k = 0;
    std::uint32_t disposicion = 0;
    for (const auto& [ruta, esperada] : {std::pair{"SOFTWARE\\Microsoft\\Configuración", 1u},
                                         {"software\\MICROSOFT\\CONFIGURACIÓN", 2u}}) {
        EXPECT_EQ(ops_.CrearClave(HKLM, ruta, 0, KEY_DERECHOS_ESCRITURA, k, &disposicion), 0);
        EXPECT_EQ(disposicion, esperada) << "1 when created, 2 when it existed";
        ops_.CerrarClave(k);
    }
    EXPECT_EQ(b_.Subclaves(HKLM, "Software"), (V{"Classes", "Microsoft"}));
    EXPECT_EQ(b_.Subclaves(HKLM, "software\\microsoft"), V{"Configuración"});
}

TEST_F(RegistroArchivoLlamadas, LoQuePermiteUnManejador) {
    ops_.CerrarClave(Crear("SOFTWARE\\A\\B"));
    auto k = Abrir("SOFTWARE\\A", KEY_QUERY_VALUE);
    std::uint32_t tamano = 0;
    char nombre[10];
    EXPECT_EQ(ops_.ConsultarValor(k, "no", nullptr, nullptr, &tamano), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops_.PonerValor(k, "v", REG_BINARY, &dato_, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops_.EnumerarClave(k, 0, nombre, sizeof nombre), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops_.CerrarClave(k), 0);
    EXPECT_EQ(ops_.ConsultarValor(k, "", nullptr, nullptr, &tamano), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops_.CerrarClave(k), ERROR_INVALID_HANDLE);

    k = Crear("SOFTWARE\\Efimera");
    EXPECT_EQ(ops_.BorrarValor(k, "no"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops_.BorrarClave(HKLM, "SOFTWARE\\Efimera"), 0);
    EXPECT_EQ(ops_.PonerValor(k, "v", REG_BINARY, &dato_, 1), ERROR_KEY_DELETED);
    EXPECT_EQ(ops_.CerrarClave(k), 0);
}

TEST_F(RegistroArchivoLlamadas, SubclavesEnOrdenDeNombreValoresEnOrdenDeCreacion) {
    for (const auto* nombre : {"b", "_x", "A", "C", "ñu", "Zeta"})
        ops_.CerrarClave(Crear("SOFTWARE\\O\\"s + nombre));
    // Windows compares names in upper case: '_' sorts after the letters.
    EXPECT_EQ(b_.Subclaves(HKLM, "SOFTWARE\\O"), (V{"A", "b", "C", "Zeta", "_x", "ñu"}));
    const auto k = Abrir("SOFTWARE\\O");
    char nombre[10];
    EXPECT_EQ(ops_.EnumerarClave(k, 6, nombre, sizeof nombre), ERROR_NO_MORE_ITEMS);
    for (const auto* valor : {"z", "a", "M", "", "A"})
        EXPECT_EQ(ops_.PonerValor(k, valor, REG_BINARY, &dato_, 1), 0);
    EXPECT_EQ(b_.Valores("SOFTWARE\\O"), (V{"z", "a", "M", ""})) << "rewriting keeps the place";
    EXPECT_EQ(ops_.BorrarValor(k, "z"), 0);
    EXPECT_EQ(ops_.PonerValor(k, "Z", REG_BINARY, &dato_, 1), 0);
    EXPECT_EQ(b_.Valores("SOFTWARE\\O"), (V{"a", "M", "", "Z"}));
    std::uint32_t tamano = sizeof nombre;
    EXPECT_EQ(ops_.EnumerarValor(k, 4, nombre, &tamano), ERROR_NO_MORE_ITEMS);
    ops_.CerrarClave(k);
}

TEST_F(RegistroArchivoLlamadas, ClassesRootEsLaVistaDeSoftwareClasses) {
    PonerCrudo(ops_, HKEY_CLASSES_ROOT, ".orv", "", REG_SZ, B("Orv.T\0"s));
    EXPECT_EQ(LeerCrudo(ops_, HKLM, "Software\\Classes\\.ORV", "").Datos, B("Orv.T\0"s));
    PonerCrudo(ops_, HKLM, "SOFTWARE\\Classes\\Orv.T", "", REG_SZ, B("T\0"s));
    EXPECT_EQ(LeerCrudo(ops_, HKEY_CLASSES_ROOT, "orv.t", "").Datos, B("T\0"s));
}

// clsReg asks for the size first and then expands into exactly that much.
TEST_F(RegistroArchivoLlamadas, ExpansionDaElTamanoConSuCeroYNoTocaUnBufferCorto) {
    ::setenv("VESMADUR_PRUEBA_X", "abc", 1);
    EXPECT_EQ(ops_.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", nullptr, 0), 5u);
    char corto[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ops_.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", corto, 4), 5u);
    EXPECT_EQ(std::string(corto, 4), "xxxx");
}

TEST(RegistroArchivoRuta, VariableDeEntornoOLaRutaDeLaMaquina) {
    const char* antes = std::getenv("VESMADUR_REGISTRO");
    const std::string guardada = antes ? antes : "";
    ::setenv("VESMADUR_REGISTRO", "/tmp/otro.reg", 1);
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/tmp/otro.reg");
    ::setenv("VESMADUR_REGISTRO", "", 1);
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/etc/vesmadur/registro.reg");
    ::unsetenv("VESMADUR_REGISTRO");
    EXPECT_EQ(RegistroArchivo::RutaPredeterminada(), "/etc/vesmadur/registro.reg");
    if (antes)
        ::setenv("VESMADUR_REGISTRO", guardada.c_str(), 1);
}

} // namespace
} // namespace vesmadur
