// The registry calls over the hive file: the result codes and orderings a
// caller of the Win32 calls would see.
#include "ColmenaTemporal.h"

#include <cstdlib>

namespace vesmadur {
namespace {

using namespace prueba;
using R = RegistroArchivo;

using C = const std::string&;
std::int32_t Abre(R& ops, std::int32_t raiz, C ruta) {
    ManejadorClave k = 0;
    const auto r = ops.AbrirClave(raiz, ruta, 0, KEY_QUERY_VALUE, k);
    if (r == 0)
        ops.CerrarClave(k);
    return r;
}
std::int32_t Crea(R& ops, std::int32_t raiz, C ruta) {
    ManejadorClave k = 0;
    const auto r = ops.CrearClave(raiz, ruta, 0, KEY_DERECHOS_ESCRITURA, k, nullptr);
    if (r == 0)
        ops.CerrarClave(k);
    return r;
}
// Created, then opened in the file as a registry of its own reads it.
std::int32_t CreaYRelee(R& ops, std::int32_t raiz, C ruta) {
    if (const auto r = Crea(ops, raiz, ruta))
        return r;
    R otro(ops.Ruta());
    return Abre(otro, raiz, ruta);
}
std::int32_t Borra(R& ops, std::int32_t raiz, C ruta) {
    return ops.BorrarClave(raiz, ruta);
}
std::int32_t Cierra(R& ops, std::int32_t raiz, C) {
    return ops.CerrarClave(raiz);
}

struct Codigo : Fila {
    std::int32_t (*Llamada)(R&, std::int32_t, C);
    std::int32_t Raiz;
    std::string Ruta;
    std::int32_t Esperado;
};

class RegistroArchivoCodigo : public ConBanco<::testing::TestWithParam<Codigo>> {};

TEST_P(RegistroArchivoCodigo, DaElDeWindows) {
    EXPECT_EQ(GetParam().Llamada(b_.Ops, GetParam().Raiz, GetParam().Ruta), GetParam().Esperado);
}

const auto HKCR = HKEY_CLASSES_ROOT;
const std::string N255(255, 'n');
const Codigo Codigos[] = {
    {"BarraInicialAlAbrir", Abre, HKLM, "\\SOFTWARE", ERROR_BAD_PATHNAME},
    {"BarraInicialAlCrear", Crea, HKLM, "\\SOFTWARE\\X", ERROR_BAD_PATHNAME},
    {"BarraDoble", Abre, HKLM, "SOFTWARE\\\\Classes", ERROR_BAD_PATHNAME},
    {"BarraFinal", Abre, HKLM, "SOFTWARE\\", 0},
    {"RaizCeroAlAbrir", Abre, 0, "SOFTWARE", ERROR_INVALID_HANDLE},
    {"RaizCeroAlCrear", Crea, 0, "SOFTWARE\\X", ERROR_INVALID_HANDLE},
    {"RaizCeroAlBorrar", Borra, 0, "SOFTWARE\\X", ERROR_INVALID_HANDLE},
    {"CerrarUnaRaiz", Cierra, HKLM, "", 0},
    {"ClaveAusente", Abre, HKLM, "SOFTWARE\\No", ERROR_FILE_NOT_FOUND},
    {"BorrarClaveAusente", Borra, HKLM, "SOFTWARE\\No", ERROR_FILE_NOT_FOUND},
    // The predefined keys cannot be deleted, even when they hold nothing.
    {"BorrarLaRaizDeClases", Borra, HKCR, "", ERROR_ACCESS_DENIED},
    {"BorrarUnaRaizVacia", Borra, HKEY_CURRENT_CONFIG, "", ERROR_ACCESS_DENIED},
    {"RaizDeClasesEnColmenaVacia", Abre, HKCR, "", 0},
    {"NombreDe255", CreaYRelee, HKLM, "SOFTWARE\\" + N255, 0},
    {"NombreDe256", Crea, HKLM, "SOFTWARE\\" + N255 + "n", ERROR_INVALID_PARAMETER},
    {"Profundidad512", CreaYRelee, HKLM, Niveles(512), 0},
    {"Profundidad513", Crea, HKLM, Niveles(513), ERROR_BAD_PATHNAME},
};
INSTANTIATE_TEST_SUITE_P(Casos, RegistroArchivoCodigo, ::testing::ValuesIn(Codigos), PorNombre);

using RegistroArchivoLlamadas = ConBanco<>;
const std::uint8_t Dato = 1;

// A handle to a key of HKEY_LOCAL_MACHINE, created when missing.
ManejadorClave Clave(R& ops, const std::string& ruta,
                     std::uint32_t acceso = KEY_DERECHOS_ESCRITURA) {
    ManejadorClave k = 0;
    EXPECT_EQ(ops.CrearClave(HKLM, ruta, 0, acceso, k, nullptr), 0) << ruta;
    return k;
}

TEST_F(RegistroArchivoLlamadas, LoQuePermiteUnManejador) {
    auto& ops = b_.Ops;
    ops.CerrarClave(Clave(ops, "SOFTWARE\\A\\B"));
    auto k = Clave(ops, "SOFTWARE\\A", KEY_QUERY_VALUE);
    ManejadorClave k2 = 0;
    std::uint32_t tamano = 0;
    char nombre[10];
    EXPECT_EQ(ops.ConsultarValor(k, "no", nullptr, nullptr, &tamano), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops.PonerValor(k, "v", REG_BINARY, &Dato, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.EnumerarClave(k, 0, nombre, sizeof nombre), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.CrearClave(k, "C", 0, KEY_DERECHOS_ESCRITURA, k2, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ops.CerrarClave(k), 0);
    EXPECT_EQ(ops.ConsultarValor(k, "", nullptr, nullptr, &tamano), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops.CerrarClave(k), ERROR_INVALID_HANDLE);

    k = Clave(ops, "SOFTWARE\\Efimera");
    EXPECT_EQ(ops.BorrarValor(k, "no"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops.BorrarClave(HKLM, "SOFTWARE\\Efimera"), 0);
    EXPECT_EQ(ops.PonerValor(k, "v", REG_BINARY, &Dato, 1), ERROR_KEY_DELETED);
    EXPECT_EQ(ops.CerrarClave(k), 0);
}

TEST_F(RegistroArchivoLlamadas, SubclavesEnOrdenDeNombreValoresEnOrdenDeCreacion) {
    auto& ops = b_.Ops;
    for (const auto* nombre : {"b", "_x", "A", "C", "ñu", "Zeta"})
        ops.CerrarClave(Clave(ops, "SOFTWARE\\O\\"s + nombre));
    // Windows compares names in upper case: '_' sorts after the letters.
    EXPECT_EQ(b_.Subclaves(HKLM, "SOFTWARE\\O"), (V{"A", "b", "C", "Zeta", "_x", "ñu"}));
    const auto k = Clave(ops, "SOFTWARE\\O");
    char nombre[10];
    EXPECT_EQ(ops.EnumerarClave(k, 6, nombre, sizeof nombre), ERROR_NO_MORE_ITEMS);
    for (const auto* valor : {"z", "a", "nombre largo", "", "A"})
        EXPECT_EQ(ops.PonerValor(k, valor, REG_BINARY, &Dato, 1), 0);
    EXPECT_EQ(b_.Valores("SOFTWARE\\O"), (V{"z", "a", "nombre largo", ""}))
        << "rewriting keeps the place";
    EXPECT_EQ(ops.BorrarValor(k, "z"), 0);
    EXPECT_EQ(ops.PonerValor(k, "Z", REG_BINARY, &Dato, 1), 0);
    EXPECT_EQ(b_.Valores("SOFTWARE\\O"), (V{"a", "nombre largo", "", "Z"}));
    std::uint32_t tamano = sizeof nombre;
    EXPECT_EQ(ops.EnumerarValor(k, 4, nombre, &tamano), ERROR_NO_MORE_ITEMS);
    ops.CerrarClave(k);
}

// clsReg asks for the size first and then expands into exactly that much.
TEST_F(RegistroArchivoLlamadas, ExpansionDaElTamanoConSuCeroYNoTocaUnBufferCorto) {
    ::setenv("VESMADUR_PRUEBA_X", "abc", 1);
    EXPECT_EQ(b_.Ops.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", nullptr, 0), 5u);
    char corto[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(b_.Ops.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", corto, 4), 5u);
    EXPECT_EQ(std::string(corto, 4), "xxxx");
}

TEST(RegistroArchivoRuta, VariableDeEntornoOLaRutaDeLaMaquina) {
    ::setenv("VESMADUR_REGISTRO", "/tmp/otro.reg", 1);
    EXPECT_EQ(R::RutaPredeterminada(), "/tmp/otro.reg");
    ::setenv("VESMADUR_REGISTRO", "", 1);
    EXPECT_EQ(R::RutaPredeterminada(), "/etc/vesmadur/registro.reg");
    ::unsetenv("VESMADUR_REGISTRO");
    EXPECT_EQ(R::RutaPredeterminada(), "/etc/vesmadur/registro.reg");
}

} // namespace
} // namespace vesmadur
