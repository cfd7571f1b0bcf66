#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace vesmadur {

// A key handle as the Win32 calls see it: a predefined root (the 32-bit
// constants of ConstantesRegistro.h, sign-extended) or a key opened by the
// calls below.
using ManejadorClave = std::intptr_t;

// The registry calls clsReg makes, shaped like their Win32 ANSI forms and
// returning Win32 result codes, so that the real advapi32 calls can stand in
// for the hive-file implementation. Names and texts are UTF-8; sizes are in
// bytes (the "characters" of the ANSI calls). Output buffers are written only
// on success.
class OperacionesRegistro {
public:
    virtual ~OperacionesRegistro() = default;

    // RegOpenKeyExA: opens an existing key, never creates one.
    virtual std::int32_t AbrirClave(ManejadorClave raiz, const std::string& ruta,
                                    std::uint32_t opciones, std::uint32_t acceso,
                                    ManejadorClave& clave) = 0;

    // RegCreateKeyExA: opens the key, creating it and any missing parents.
    // `disposicion` (may be null) receives 1 when created, 2 when it existed.
    virtual std::int32_t CrearClave(ManejadorClave raiz, const std::string& ruta,
                                    std::uint32_t opciones, std::uint32_t acceso,
                                    ManejadorClave& clave, std::uint32_t* disposicion) = 0;

    // RegCloseKey.
    virtual std::int32_t CerrarClave(ManejadorClave clave) = 0;

    // RegQueryValueExA. With `datos` null: reports type and size, result 0.
    // With a buffer smaller than the data: reports the size needed and
    // returns ERROR_MORE_DATA, leaving the buffer untouched.
    virtual std::int32_t ConsultarValor(ManejadorClave clave, const std::string& nombre,
                                        std::uint32_t* tipo, std::uint8_t* datos,
                                        std::uint32_t* tamano) = 0;

    // RegSetValueExA: stores `tamano` bytes of `datos` as they are, but for
    // one case Windows mends: a text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)
    // whose count left out its final zero, the byte right after the counted
    // ones, keeps that zero. That byte is read, as Windows reads it.
    virtual std::int32_t PonerValor(ManejadorClave clave, const std::string& nombre,
                                    std::uint32_t tipo, const std::uint8_t* datos,
                                    std::uint32_t tamano) = 0;

    // RegDeleteKeyA: deletes a key that has no subkeys.
    virtual std::int32_t BorrarClave(ManejadorClave raiz, const std::string& ruta) = 0;

    // RegDeleteValueA.
    virtual std::int32_t BorrarValor(ManejadorClave clave, const std::string& nombre) = 0;

    // RegEnumKeyA: the name of subkey `indice`, zero-terminated, in a buffer of
    // `capacidad` bytes; ERROR_NO_MORE_ITEMS past the last one.
    virtual std::int32_t EnumerarClave(ManejadorClave clave, std::uint32_t indice, char* nombre,
                                       std::uint32_t capacidad) = 0;

    // RegEnumValueA with the name only: `tamano` holds the buffer size on
    // entry and the name's length without its terminating zero on success.
    virtual std::int32_t EnumerarValor(ManejadorClave clave, std::uint32_t indice, char* nombre,
                                       std::uint32_t* tamano) = 0;

    // RegQueryInfoKeyA: counts and the longest names (without their
    // terminating zero) and data; any pointer may be null.
    virtual std::int32_t ConsultarInfoClave(ManejadorClave clave, std::uint32_t* subclaves,
                                            std::uint32_t* maxNombreSubclave,
                                            std::uint32_t* valores, std::uint32_t* maxNombreValor,
                                            std::uint32_t* maxDatos) = 0;

    // ExpandEnvironmentStringsA: the size the expanded text needs, its
    // terminating zero included; the text is copied when `capacidad` suffices.
    // 0 on failure.
    virtual std::uint32_t ExpandirEntorno(const std::string& origen, char* destino,
                                          std::uint32_t capacidad) = 0;

protected:
    // A listed name, with its terminating zero, into the caller's buffer of
    // `capacidad` bytes; false (ERROR_MORE_DATA for the caller) and the
    // buffer untouched when it does not fit.
    static bool CopiarNombre(const std::string& texto, char* nombre, std::uint32_t capacidad) {
        if (texto.size() + 1 > capacidad)
            return false;
        std::memcpy(nombre, texto.c_str(), texto.size() + 1);
        return true;
    }
};

} // namespace vesmadur
