#pragma once

#include "common/Variante.h"
#include "registry/OperacionesRegistro.h"

#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace vesmadur {

// An error raised by clsReg: its number, source and description.
class ErrorRegistro : public std::exception {
public:
    ErrorRegistro(std::int32_t numero, std::string origen, std::string descripcion)
        : Numero(numero), Origen(std::move(origen)), Descripcion(std::move(descripcion)) {}
    const char* what() const noexcept override { return Descripcion.c_str(); }

    std::int32_t Numero;
    std::string Origen;
    std::string Descripcion;
};

// The numbers clsReg raises.
inline constexpr std::int32_t ErrClaveRegistro = 26001;
inline constexpr std::int32_t ErrPonerValor = static_cast<std::int32_t>(0x800469A9u);
inline constexpr std::int32_t ErrEnumerarSecciones = static_cast<std::int32_t>(0x800469AAu);
inline constexpr std::int32_t ErrListaAsociaciones = static_cast<std::int32_t>(0x800469ACu);
inline constexpr std::int32_t ErrClaseSinDefinir = static_cast<std::int32_t>(0x800469ADu);
// The description of an error raised with a number only.
inline constexpr const char* DescripcionGenerica = "Application-defined or object-defined error";

// The general registry accessor: set the root (ClaseClave), the key path
// below it (SeccionClave) and the value name (ValorClave), then ask, read or
// write. Every operation opens the keys it needs and closes them before it
// returns, also when it raises an error.
class clsReg {
public:
    explicit clsReg(OperacionesRegistro& ops) : ops_(ops) {}

    // Whether the key exists (can be opened to query values).
    bool HaySeccionClave() const;
    // Creates the key with any missing parents, or opens it when it exists.
    bool CrearClave();
    // Deletes the key; refused (raised) when it has subkeys.
    bool BorrarClave();
    bool BorrarValor();
    // Whether the value reads as something other than Null. The unnamed
    // value never counts; a Defecto other than Null makes any name count.
    bool HayValor();

    // The value converted by its type (text, 32-bit integer or bytes), or
    // Defecto when it cannot be read. A successful read sets TipoValor.
    Variante Valor();
    // Writes the value in the form TipoValor chooses, creating the key.
    void Valor(const Variante& vValue);

    // The value names in enumeration order; names[0] is the first.
    bool EnumerarValores(std::vector<std::string>& sKeyNames, std::int32_t& iKeyCount);
    // The subkey names in enumeration order, up to the first that does not
    // fit 254 characters.
    bool EnumerarSecciones(std::vector<std::string>& sSect, std::int32_t& iSectCount);

    // Registers a file type (the extension without its dot) and its verbs
    // under HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
    void CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                              const std::string& sClassDescription, const std::string& sAssociation,
                              const std::string& sOpenMenuText = "&Open",
                              bool bSupportPrint = false,
                              const std::string& sPrintMenuText = "&Print",
                              bool bSupportNew = false, const std::string& sNewMenuText = "&New",
                              bool bSupportInstall = false,
                              const std::string& sInstallMenuText = "",
                              std::int32_t lDefaultIconIndex = -1);
    // Adds verbs to a registered class: items in triples Name, Text, Command.
    void CreateAdditionalEXEAssociations(const std::string& sClassName,
                                         const std::vector<Variante>& vItems);

    std::int32_t TipoValor() const { return tipoValor_; }
    void TipoValor(std::int32_t emTipoVal) { tipoValor_ = emTipoVal; }
    std::int32_t ClaseClave() const { return claseClave_; }
    void ClaseClave(std::int32_t emClaseCLV) { claseClave_ = emClaseCLV; }
    std::string SeccionClave() const { return seccionClave_; }
    void SeccionClave(const std::string& cadSeccion) { seccionClave_ = cadSeccion; }
    std::string ValorClave() const { return valorClave_; }
    void ValorClave(const std::string& cadValor) { valorClave_ = cadValor; }
    Variante Defecto() const { return defecto_; }
    void Defecto(const Variante& varDef) { defecto_ = varDef; }

private:
    ManejadorClave Raiz() const { return claseClave_; }
    // Writes t as the unnamed value of SeccionClave under both class roots.
    void EscrituraDoble(const std::string& t);
    // "'<root>',Section: '<section>" as the error texts quote the key.
    std::string ClaveEnTexto() const;

    OperacionesRegistro& ops_;
    std::int32_t claseClave_ = 0;
    std::string seccionClave_;
    std::string valorClave_;
    Variante defecto_;
    std::int32_t tipoValor_ = 0;
};

} // namespace vesmadur
