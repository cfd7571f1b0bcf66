#include "registry/RegistroWin32.h"

#include "common/TextoWin32.h"

#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace vesmadur {

namespace {

HKEY H(ManejadorClave clave) {
    return reinterpret_cast<HKEY>(clave);
}

bool EsTexto(DWORD tipo) {
    return tipo == REG_SZ || tipo == REG_EXPAND_SZ || tipo == REG_MULTI_SZ;
}

} // namespace

std::int32_t RegistroWin32::AbrirClave(ManejadorClave raiz, const std::string& ruta,
                                       std::uint32_t opciones, std::uint32_t acceso,
                                       ManejadorClave& clave) {
    HKEY abierta = nullptr;
    const LONG r = RegOpenKeyExA(H(raiz), AnsiDeUtf8(ruta).c_str(), opciones, acceso, &abierta);
    if (r == ERROR_SUCCESS)
        clave = reinterpret_cast<ManejadorClave>(abierta);
    return r;
}

std::int32_t RegistroWin32::CrearClave(ManejadorClave raiz, const std::string& ruta,
                                       std::uint32_t opciones, std::uint32_t acceso,
                                       ManejadorClave& clave, std::uint32_t* disposicion) {
    HKEY creada = nullptr;
    DWORD como = 0;
    const LONG r = RegCreateKeyExA(H(raiz), AnsiDeUtf8(ruta).c_str(), 0, nullptr, opciones, acceso,
                                   nullptr, &creada, &como);
    if (r == ERROR_SUCCESS) {
        clave = reinterpret_cast<ManejadorClave>(creada);
        if (disposicion)
            *disposicion = como;
    }
    return r;
}

std::int32_t RegistroWin32::CerrarClave(ManejadorClave clave) {
    return RegCloseKey(H(clave));
}

// The whole value is read, its text converted to UTF-8, and the caller's
// buffer protocol applied to what the program sees.
std::int32_t RegistroWin32::ConsultarValor(ManejadorClave clave, const std::string& nombre,
                                           std::uint32_t* tipo, std::uint8_t* datos,
                                           std::uint32_t* tamano) {
    const std::string nombreAnsi = AnsiDeUtf8(nombre);
    DWORD t = 0, n = 0;
    LONG r = RegQueryValueExA(H(clave), nombreAnsi.c_str(), nullptr, &t, nullptr, &n);
    std::vector<BYTE> bytes;
    for (int intento = 0; r == ERROR_SUCCESS && intento < 4; ++intento) {
        bytes.resize(n);
        DWORD leidos = n;
        r = RegQueryValueExA(H(clave), nombreAnsi.c_str(), nullptr, &t, bytes.data(), &leidos);
        if (r == ERROR_MORE_DATA) {
            n = leidos;
            r = ERROR_SUCCESS;
            continue;
        }
        bytes.resize(leidos);
        break;
    }
    if (r != ERROR_SUCCESS)
        return r;
    if (EsTexto(t)) {
        const std::string utf8 = Utf8DeAnsi(std::string(bytes.begin(), bytes.end()));
        bytes.assign(utf8.begin(), utf8.end());
    }
    if (tipo)
        *tipo = t;
    if (!tamano)
        return ERROR_SUCCESS;
    const auto necesarios = static_cast<std::uint32_t>(bytes.size());
    if (datos && *tamano < necesarios) {
        *tamano = necesarios;
        return ERROR_MORE_DATA;
    }
    if (datos && !bytes.empty())
        std::memcpy(datos, bytes.data(), bytes.size());
    *tamano = necesarios;
    return ERROR_SUCCESS;
}

std::int32_t RegistroWin32::PonerValor(ManejadorClave clave, const std::string& nombre,
                                       std::uint32_t tipo, const std::uint8_t* datos,
                                       std::uint32_t tamano) {
    std::string bytes(reinterpret_cast<const char*>(datos), tamano);
    auto contados = static_cast<DWORD>(tamano);
    if (EsTexto(tipo)) {
        // Windows looks at the byte after a text's count (see PonerValor's
        // contract): the converted text is followed by the caller's one.
        bytes = AnsiDeUtf8(bytes);
        contados = static_cast<DWORD>(bytes.size());
        bytes += tamano > 0 && datos[tamano - 1] != 0 ? static_cast<char>(datos[tamano]) : '\0';
    }
    return RegSetValueExA(H(clave), AnsiDeUtf8(nombre).c_str(), 0, tipo,
                          reinterpret_cast<const BYTE*>(bytes.data()), contados);
}

std::int32_t RegistroWin32::BorrarClave(ManejadorClave raiz, const std::string& ruta) {
    return RegDeleteKeyA(H(raiz), AnsiDeUtf8(ruta).c_str());
}

std::int32_t RegistroWin32::BorrarValor(ManejadorClave clave, const std::string& nombre) {
    return RegDeleteValueA(H(clave), AnsiDeUtf8(nombre).c_str());
}

std::int32_t RegistroWin32::EnumerarClave(ManejadorClave clave, std::uint32_t indice, char* nombre,
                                          std::uint32_t capacidad) {
    char ansi[MAX_PATH + 1] = {};
    const LONG r = RegEnumKeyA(H(clave), indice, ansi, sizeof ansi);
    if (r != ERROR_SUCCESS)
        return r;
    return CopiarNombre(Utf8DeAnsi(ansi), nombre, capacidad) ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

std::int32_t RegistroWin32::EnumerarValor(ManejadorClave clave, std::uint32_t indice, char* nombre,
                                          std::uint32_t* tamano) {
    std::vector<char> ansi(16384 + 1);
    DWORD n = static_cast<DWORD>(ansi.size());
    const LONG r =
        RegEnumValueA(H(clave), indice, ansi.data(), &n, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS)
        return r;
    const std::string utf8 = Utf8DeAnsi(std::string(ansi.data(), n));
    if (!CopiarNombre(utf8, nombre, *tamano))
        return ERROR_MORE_DATA;
    *tamano = static_cast<std::uint32_t>(utf8.size());
    return ERROR_SUCCESS;
}

std::int32_t RegistroWin32::ConsultarInfoClave(ManejadorClave clave, std::uint32_t* subclaves,
                                               std::uint32_t* maxNombreSubclave,
                                               std::uint32_t* valores,
                                               std::uint32_t* maxNombreValor,
                                               std::uint32_t* maxDatos) {
    DWORD s = 0, ms = 0, v = 0, mv = 0, md = 0;
    const LONG r = RegQueryInfoKeyA(H(clave), nullptr, nullptr, nullptr, &s, &ms, nullptr, &v, &mv,
                                    &md, nullptr, nullptr);
    if (r != ERROR_SUCCESS)
        return r;
    if (subclaves)
        *subclaves = s;
    if (maxNombreSubclave)
        *maxNombreSubclave = ms;
    if (valores)
        *valores = v;
    if (maxNombreValor)
        *maxNombreValor = mv;
    if (maxDatos)
        *maxDatos = md;
    return ERROR_SUCCESS;
}

std::uint32_t RegistroWin32::ExpandirEntorno(const std::string& origen, char* destino,
                                             std::uint32_t capacidad) {
    const std::string ansi = AnsiDeUtf8(origen);
    const DWORD n = ExpandEnvironmentStringsA(ansi.c_str(), nullptr, 0);
    if (n == 0)
        return 0;
    // The ANSI call may need one byte more than it says (Windows documents it).
    std::string expandido(n + 1, '\0');
    const DWORD escritos = ExpandEnvironmentStringsA(ansi.c_str(), expandido.data(), n + 1);
    if (escritos == 0 || escritos > n + 1)
        return 0;
    expandido.resize(std::strlen(expandido.c_str()));
    const std::string utf8 = Utf8DeAnsi(expandido);
    const auto necesarios = static_cast<std::uint32_t>(utf8.size() + 1);
    if (destino && capacidad >= necesarios)
        std::memcpy(destino, utf8.c_str(), necesarios);
    return necesarios;
}

} // namespace vesmadur
