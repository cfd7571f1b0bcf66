// The registry calls over the hive file: the result codes and orderings a
// caller of the Win32 calls would see.
#include "ColmenaTemporal.h"
#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vesmadur {
namespace {

using namespace std::string_literals;
using prueba::B;
using prueba::CarpetaTemporal;
using prueba::LeerCrudo;
using prueba::PonerCrudo;

class RegistroArchivoLlamadas : public ::testing::Test {
protected:
    ManejadorClave Abrir(std::int32_t raiz, const std::string& ruta,
                         std::uint32_t acceso = KEY_DERECHOS_ESCRITURA) {
        ManejadorClave k = 0;
        EXPECT_EQ(ops_.AbrirClave(raiz, ruta, 0, acceso, k), 0) << ruta;
        return k;
    }
    ManejadorClave Crear(std::int32_t raiz, const std::string& ruta) {
        ManejadorClave k = 0;
        EXPECT_EQ(ops_.CrearClave(raiz, ruta, 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0) << ruta;
        return k;
    }
    std::vector<std::string> Subclaves(ManejadorClave k) {
        std::vector<std::string> nombres;
        char nombre[300];
        for (std::uint32_t i = 0; ops_.EnumerarClave(k, i, nombre, sizeof nombre) == 0; ++i)
            nombres.emplace_back(nombre);
        return nombres;
    }
    std::vector<std::string> Valores(ManejadorClave k) {
        std::vector<std::string> nombres;
        char nombre[300];
        std::uint32_t tamano = sizeof nombre;
        for (std::uint32_t i = 0; ops_.EnumerarValor(k, i, nombre, &tamano) == 0; ++i) {
            nombres.emplace_back(nombre, tamano);
            tamano = sizeof nombre;
        }
        return nombres;
    }

    CarpetaTemporal carpeta_;
    RegistroArchivo ops_{carpeta_.Hive()};
};

TEST_F(RegistroArchivoLlamadas, NombresSinDistinguirMayusculasConservanLasSuyas) {
    ops_.CerrarClave(
        Crear(HKEY_LOCAL_MACHINE,
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Configuración"));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\Vesmadur", "Señal", REG_SZ, B("x\0"s));
    ManejadorClave k = 0;
    EXPECT_EQ(ops_.AbrirClave(HKEY_LOCAL_MACHINE,
                              "software\\microsoft\\windows\\currentversion\\app paths", 0,
                              KEY_ENUMERATE_SUB_KEYS, k),
              0);
    EXPECT_EQ(Subclaves(k), std::vector<std::string>{"Configuración"});
    ops_.CerrarClave(k);
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "software\\VESMADUR", "SEÑAL").Resultado, 0);
    ops_.CerrarClave(Crear(HKEY_LOCAL_MACHINE, "SOFTWARE\\MICROSOFT\\Otra"));
    EXPECT_EQ(Subclaves(Abrir(HKEY_LOCAL_MACHINE, "Software")),
              (std::vector<std::string>{"Classes", "Microsoft", "Vesmadur"}));
}

TEST_F(RegistroArchivoLlamadas, RutasConBarraInicialSeRechazanYFinalSeAcepta) {
    ManejadorClave k = 0;
    EXPECT_EQ(ops_.AbrirClave(HKEY_LOCAL_MACHINE, "\\SOFTWARE", 0, KEY_QUERY_VALUE, k),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(
        ops_.CrearClave(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\X", 0, KEY_DERECHOS_ESCRITURA, k, nullptr),
        ERROR_BAD_PATHNAME);
    EXPECT_EQ(ops_.AbrirClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\", 0, KEY_QUERY_VALUE, k), 0);
    EXPECT_EQ(ops_.CerrarClave(k), 0);
    EXPECT_EQ(ops_.AbrirClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Classes", 0, KEY_QUERY_VALUE, k),
              ERROR_BAD_PATHNAME);
}

TEST_F(RegistroArchivoLlamadas, RaizCeroYClaveCerradaSonManejadoresInvalidos) {
    ManejadorClave k = 0;
    EXPECT_EQ(ops_.AbrirClave(0, "SOFTWARE", 0, KEY_QUERY_VALUE, k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops_.CrearClave(0, "SOFTWARE\\X", 0, KEY_DERECHOS_ESCRITURA, k, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops_.BorrarClave(0, "SOFTWARE\\X"), ERROR_INVALID_HANDLE);
    k = Abrir(HKEY_LOCAL_MACHINE, "SOFTWARE");
    EXPECT_EQ(ops_.CerrarClave(k), 0);
    std::uint32_t tamano = 0;
    EXPECT_EQ(ops_.ConsultarValor(k, "", nullptr, nullptr, &tamano), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops_.CerrarClave(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ops_.CerrarClave(HKEY_LOCAL_MACHINE), 0);
}

TEST_F(RegistroArchivoLlamadas, ClaveOValorAusentes) {
    ManejadorClave k = 0;
    EXPECT_EQ(ops_.AbrirClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\No", 0, KEY_QUERY_VALUE, k),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops_.BorrarClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\No"), ERROR_FILE_NOT_FOUND);
    k = Abrir(HKEY_LOCAL_MACHINE, "SOFTWARE");
    std::uint32_t tamano = 0;
    EXPECT_EQ(ops_.ConsultarValor(k, "no", nullptr, nullptr, &tamano), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops_.BorrarValor(k, "no"), ERROR_FILE_NOT_FOUND);
    ops_.CerrarClave(k);
}

TEST_F(RegistroArchivoLlamadas, ConsultaConBufferCortoOSinBuffer) {
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\Q", "v", REG_BINARY, B({1, 2, 3, 4, 5}));
    const auto k = Abrir(HKEY_LOCAL_MACHINE, "SOFTWARE\\Q", KEY_QUERY_VALUE);
    std::uint32_t tipo = 99, tamano = 0;
    EXPECT_EQ(ops_.ConsultarValor(k, "v", &tipo, nullptr, &tamano), 0);
    EXPECT_EQ(tipo, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(tamano, 5u);
    std::uint8_t buffer[5] = {9, 9, 9, 9, 9};
    tamano = 4;
    EXPECT_EQ(ops_.ConsultarValor(k, "v", nullptr, buffer, &tamano), ERROR_MORE_DATA);
    EXPECT_EQ(tamano, 5u);
    EXPECT_EQ(Bytes(buffer, buffer + 5), B({9, 9, 9, 9, 9}));
    tamano = 0;
    EXPECT_EQ(ops_.ConsultarValor(k, "v", nullptr, buffer, &tamano), ERROR_MORE_DATA);
    tamano = 5;
    EXPECT_EQ(ops_.ConsultarValor(k, "v", nullptr, buffer, &tamano), 0);
    EXPECT_EQ(Bytes(buffer, buffer + 5), B({1, 2, 3, 4, 5}));
    ops_.CerrarClave(k);
}

TEST_F(RegistroArchivoLlamadas, AccesoPedidoLimitaLoQueSeHace) {
    ops_.CerrarClave(Crear(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B"));
    const auto k = Abrir(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", KEY_QUERY_VALUE);
    const std::uint8_t dato = 1;
    EXPECT_EQ(ops_.PonerValor(k, "v", REG_BINARY, &dato, 1), ERROR_ACCESS_DENIED);
    char nombre[10];
    EXPECT_EQ(ops_.EnumerarClave(k, 0, nombre, sizeof nombre), ERROR_ACCESS_DENIED);
    ops_.CerrarClave(k);
}

TEST_F(RegistroArchivoLlamadas, ClaveConSubclavesNoSeBorra) {
    ops_.CerrarClave(Crear(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B"));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "v", REG_SZ, B("1\0"s));
    EXPECT_EQ(ops_.BorrarClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "v").Resultado, 0);
    EXPECT_EQ(ops_.BorrarClave(HKEY_LOCAL_MACHINE, "software\\a\\b"), 0);
    EXPECT_EQ(ops_.BorrarClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\A"), 0);
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "v").Resultado,
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ops_.BorrarClave(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistroArchivoLlamadas, ManejadorDeClaveBorradaLoDice) {
    const auto k = Crear(HKEY_LOCAL_MACHINE, "SOFTWARE\\Efimera");
    EXPECT_EQ(ops_.BorrarClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\Efimera"), 0);
    const std::uint8_t dato = 1;
    EXPECT_EQ(ops_.PonerValor(k, "v", REG_BINARY, &dato, 1), ERROR_KEY_DELETED);
    EXPECT_EQ(ops_.CerrarClave(k), 0);
}

TEST_F(RegistroArchivoLlamadas, SubclavesEnOrdenDeNombreValoresEnOrdenDeCreacion) {
    for (const auto* nombre : {"b", "_x", "A", "C", "ñu", "Zeta"})
        ops_.CerrarClave(Crear(HKEY_LOCAL_MACHINE, "SOFTWARE\\O\\"s + nombre));
    const auto k = Abrir(HKEY_LOCAL_MACHINE, "SOFTWARE\\O");
    // Windows compares names in upper case: '_' sorts after the letters.
    EXPECT_EQ(Subclaves(k), (std::vector<std::string>{"A", "b", "C", "Zeta", "_x", "ñu"}));
    char nombre[10];
    EXPECT_EQ(ops_.EnumerarClave(k, 6, nombre, sizeof nombre), ERROR_NO_MORE_ITEMS);

    for (const auto* valor : {"z", "a", "M", ""}) {
        const std::uint8_t dato = 0;
        EXPECT_EQ(ops_.PonerValor(k, valor, REG_BINARY, &dato, 1), 0);
    }
    const std::uint8_t otro = 1;
    EXPECT_EQ(ops_.PonerValor(k, "A", REG_BINARY, &otro, 1), 0);
    EXPECT_EQ(Valores(k), (std::vector<std::string>{"z", "a", "M", ""}));
    EXPECT_EQ(ops_.BorrarValor(k, "z"), 0);
    EXPECT_EQ(ops_.PonerValor(k, "Z", REG_BINARY, &otro, 1), 0);
    EXPECT_EQ(Valores(k), (std::vector<std::string>{"a", "M", "", "Z"}));
    std::uint32_t tamano = sizeof nombre;
    EXPECT_EQ(ops_.EnumerarValor(k, 4, nombre, &tamano), ERROR_NO_MORE_ITEMS);
    ops_.CerrarClave(k);
}

TEST_F(RegistroArchivoLlamadas, EnumeracionPideSitioParaElCero) {
    const std::string largo(255, 'n');
    ops_.CerrarClave(Crear(HKEY_LOCAL_MACHINE, "SOFTWARE\\L\\" + largo));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\L", "abc", REG_SZ, B("\0"s));
    const auto k = Abrir(HKEY_LOCAL_MACHINE, "SOFTWARE\\L");
    std::vector<char> nombre(256, 'x');
    EXPECT_EQ(ops_.EnumerarClave(k, 0, nombre.data(), 255), ERROR_MORE_DATA);
    EXPECT_EQ(nombre[0], 'x');
    EXPECT_EQ(ops_.EnumerarClave(k, 0, nombre.data(), 256), 0);
    EXPECT_EQ(std::string(nombre.data()), largo);

    std::uint32_t tamano = 3;
    EXPECT_EQ(ops_.EnumerarValor(k, 0, nombre.data(), &tamano), ERROR_MORE_DATA);
    tamano = 4;
    EXPECT_EQ(ops_.EnumerarValor(k, 0, nombre.data(), &tamano), 0);
    EXPECT_EQ(tamano, 3u);

    std::uint32_t subclaves = 0, maxSub = 0, valores = 0, maxNombre = 0, maxDatos = 0;
    EXPECT_EQ(ops_.ConsultarInfoClave(k, &subclaves, &maxSub, &valores, &maxNombre, &maxDatos), 0);
    EXPECT_EQ(subclaves, 1u);
    EXPECT_EQ(maxSub, 255u);
    EXPECT_EQ(valores, 1u);
    EXPECT_EQ(maxNombre, 3u);
    EXPECT_EQ(maxDatos, 1u);
    ops_.CerrarClave(k);

    ManejadorClave otra = 0;
    EXPECT_EQ(ops_.CrearClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\L\\" + largo + "n", 0,
                              KEY_DERECHOS_ESCRITURA, otra, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistroArchivoLlamadas, ClassesRootEsLaVistaDeSoftwareClasses) {
    PonerCrudo(ops_, HKEY_CLASSES_ROOT, ".orv", "", REG_SZ, B("Orv.T\0"s));
    EXPECT_EQ(LeerCrudo(ops_, HKEY_LOCAL_MACHINE, "Software\\Classes\\.ORV", "").Datos,
              B("Orv.T\0"s));
    PonerCrudo(ops_, HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Orv.T", "", REG_SZ, B("T\0"s));
    EXPECT_EQ(LeerCrudo(ops_, HKEY_CLASSES_ROOT, "orv.t", "").Datos, B("T\0"s));
    ManejadorClave k = 0;
    EXPECT_EQ(ops_.AbrirClave(HKEY_CLASSES_ROOT, "", 0, KEY_QUERY_VALUE, k), 0)
        << "the root exists in an empty hive too";
    ops_.CerrarClave(k);
}

TEST_F(RegistroArchivoLlamadas, CrearDiceSiCreoOAbrio) {
    ManejadorClave k = 0;
    std::uint32_t disposicion = 0;
    EXPECT_EQ(ops_.CrearClave(HKEY_LOCAL_MACHINE, "SOFTWARE\\D", 0, KEY_DERECHOS_ESCRITURA, k,
                              &disposicion),
              0);
    EXPECT_EQ(disposicion, 1u);
    ops_.CerrarClave(k);
    EXPECT_EQ(ops_.CrearClave(HKEY_LOCAL_MACHINE, "software\\d", 0, KEY_DERECHOS_ESCRITURA, k,
                              &disposicion),
              0);
    EXPECT_EQ(disposicion, 2u);
    ops_.CerrarClave(k);
}

TEST(RegistroArchivoEntorno, ExpansionComoWindows) {
    CarpetaTemporal carpeta;
    RegistroArchivo ops(carpeta.Hive());
    ::setenv("VESMADUR_PRUEBA_X", "abc", 1);
    const auto expandir = [&](const std::string& origen) {
        const auto n = ops.ExpandirEntorno(origen, nullptr, 0);
        std::string r(n, '?');
        EXPECT_EQ(ops.ExpandirEntorno(origen, r.data(), n), n);
        EXPECT_EQ(r.back(), '\0');
        r.pop_back();
        return r;
    };
    EXPECT_EQ(ops.ExpandirEntorno("%VESMADUR_PRUEBA_X%\\y", nullptr, 0), 6u);
    EXPECT_EQ(expandir("%VESMADUR_PRUEBA_X%\\y"), "abc\\y");
    EXPECT_EQ(expandir("%vesmadur_prueba_x%"), "abc");
    EXPECT_EQ(expandir("%VESMADUR_NO_EXISTE%"), "%VESMADUR_NO_EXISTE%");
    EXPECT_EQ(expandir("%VESMADUR_NO_EXISTE%VESMADUR_PRUEBA_X%"), "%VESMADUR_NO_EXISTEabc");
    EXPECT_EQ(expandir("100%%"), "100%%");
    EXPECT_EQ(expandir("50%"), "50%");
    EXPECT_EQ(expandir(""), "");
    char corto[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ops.ExpandirEntorno("%VESMADUR_PRUEBA_X%!", corto, 4), 5u);
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
