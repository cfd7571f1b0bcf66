#pragma once

#include "registry/OperacionesRegistro.h"

namespace vesmadur {

// The registry operations on Windows: the real advapi32 ANSI calls. Names and
// texts cross between the program's UTF-8 and the active code page, as the
// ANSI calls read and write them; result codes come back as Windows gives
// them.
class RegistroWin32 final : public OperacionesRegistro {
public:
    std::int32_t AbrirClave(ManejadorClave raiz, const std::string& ruta, std::uint32_t opciones,
                            std::uint32_t acceso, ManejadorClave& clave) override;
    std::int32_t CrearClave(ManejadorClave raiz, const std::string& ruta, std::uint32_t opciones,
                            std::uint32_t acceso, ManejadorClave& clave,
                            std::uint32_t* disposicion) override;
    std::int32_t CerrarClave(ManejadorClave clave) override;
    std::int32_t ConsultarValor(ManejadorClave clave, const std::string& nombre,
                                std::uint32_t* tipo, std::uint8_t* datos,
                                std::uint32_t* tamano) override;
    std::int32_t PonerValor(ManejadorClave clave, const std::string& nombre, std::uint32_t tipo,
                            const std::uint8_t* datos, std::uint32_t tamano) override;
    std::int32_t BorrarClave(ManejadorClave raiz, const std::string& ruta) override;
    std::int32_t BorrarValor(ManejadorClave clave, const std::string& nombre) override;
    std::int32_t EnumerarClave(ManejadorClave clave, std::uint32_t indice, char* nombre,
                               std::uint32_t capacidad) override;
    std::int32_t EnumerarValor(ManejadorClave clave, std::uint32_t indice, char* nombre,
                               std::uint32_t* tamano) override;
    std::int32_t ConsultarInfoClave(ManejadorClave clave, std::uint32_t* subclaves,
                                    std::uint32_t* maxNombreSubclave, std::uint32_t* valores,
                                    std::uint32_t* maxNombreValor,
                                    std::uint32_t* maxDatos) override;
    std::uint32_t ExpandirEntorno(const std::string& origen, char* destino,
                                  std::uint32_t capacidad) override;
};

} // namespace vesmadur
