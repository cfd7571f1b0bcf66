#pragma once

#include "registry/OperacionesRegistro.h"

#include <functional>
#include <set>

namespace vesmadur::prueba {

// Passes every call on to a real registry and keeps the keys that are open,
// so a test can tell that none stays open; a test may make one call fail.
class RegistroContado final : public OperacionesRegistro {
public:
    explicit RegistroContado(OperacionesRegistro& real) : real_(real) {}

    std::set<ManejadorClave> Abiertas;
    int Aperturas = 0;
    std::int32_t FalloPonerValor = 0;           // returned instead of storing
    std::function<void()> AntesDeEnumerarClave; // may throw

    std::int32_t AbrirClave(ManejadorClave raiz, const std::string& ruta, std::uint32_t opciones,
                            std::uint32_t acceso, ManejadorClave& clave) override {
        const auto resultado = real_.AbrirClave(raiz, ruta, opciones, acceso, clave);
        return Anotar(resultado, clave);
    }
    std::int32_t CrearClave(ManejadorClave raiz, const std::string& ruta, std::uint32_t opciones,
                            std::uint32_t acceso, ManejadorClave& clave,
                            std::uint32_t* disposicion) override {
        const auto resultado = real_.CrearClave(raiz, ruta, opciones, acceso, clave, disposicion);
        return Anotar(resultado, clave);
    }
    std::int32_t CerrarClave(ManejadorClave clave) override {
        Abiertas.erase(clave);
        return real_.CerrarClave(clave);
    }
    std::int32_t ConsultarValor(ManejadorClave clave, const std::string& nombre,
                                std::uint32_t* tipo, std::uint8_t* datos,
                                std::uint32_t* tamano) override {
        return real_.ConsultarValor(clave, nombre, tipo, datos, tamano);
    }
    std::int32_t PonerValor(ManejadorClave clave, const std::string& nombre, std::uint32_t tipo,
                            const std::uint8_t* datos, std::uint32_t tamano) override {
        if (FalloPonerValor)
            return FalloPonerValor;
        return real_.PonerValor(clave, nombre, tipo, datos, tamano);
    }
    std::int32_t BorrarClave(ManejadorClave raiz, const std::string& ruta) override {
        return real_.BorrarClave(raiz, ruta);
    }
    std::int32_t BorrarValor(ManejadorClave clave, const std::string& nombre) override {
        return real_.BorrarValor(clave, nombre);
    }
    std::int32_t EnumerarClave(ManejadorClave clave, std::uint32_t indice, char* nombre,
                               std::uint32_t capacidad) override {
        if (AntesDeEnumerarClave)
            AntesDeEnumerarClave();
        return real_.EnumerarClave(clave, indice, nombre, capacidad);
    }
    std::int32_t EnumerarValor(ManejadorClave clave, std::uint32_t indice, char* nombre,
                               std::uint32_t* tamano) override {
        return real_.EnumerarValor(clave, indice, nombre, tamano);
    }
    std::int32_t ConsultarInfoClave(ManejadorClave clave, std::uint32_t* subclaves,
                                    std::uint32_t* maxNombreSubclave, std::uint32_t* valores,
                                    std::uint32_t* maxNombreValor,
                                    std::uint32_t* maxDatos) override {
        return real_.ConsultarInfoClave(clave, subclaves, maxNombreSubclave, valores,
                                        maxNombreValor, maxDatos);
    }
    std::uint32_t ExpandirEntorno(const std::string& origen, char* destino,
                                  std::uint32_t capacidad) override {
        return real_.ExpandirEntorno(origen, destino, capacidad);
    }

private:
    std::int32_t Anotar(std::int32_t resultado, ManejadorClave clave) {
        if (resultado == 0) {
            Abiertas.insert(clave);
            ++Aperturas;
        }
        return resultado;
    }

    OperacionesRegistro& real_;
};

} // namespace vesmadur::prueba
