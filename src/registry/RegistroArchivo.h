#pragma once

#include "registry/Colmena.h"
#include "registry/OperacionesRegistro.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

struct stat;

namespace vesmadur {

// The registry calls over a hive kept in a .reg text file (see FormatoReg.h),
// with the Windows registry's behaviour where a caller can tell: names
// compared case-insensitively and kept as created, the same result codes,
// subkeys listed in name order and values in creation order, data kept byte
// for byte with its type, HKEY_CLASSES_ROOT as the view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// A missing file is an empty registry. Every change takes an exclusive lock
// on the file beside the hive (hive + ".lock", created when missing), reads the hive again, and
// replaces it atomically (a new file in the same folder, flushed, renamed
// over the old one, the folder flushed), so processes writing at once keep
// each other's changes. A hive that cannot be read or parsed reads as an
// empty registry and is never replaced: every change to it is refused
// (ERROR_BADDB when it cannot be parsed). A hive that is not a regular file
// (a folder, a FIFO, a device) is not read. Reads take no lock; a parsed hive is
// kept until the file changes. A change writes the whole hive anew from what
// was parsed: comment lines of a hand-edited file do not survive it, and
// keys come out in name order.
class RegistroArchivo final : public OperacionesRegistro {
public:
    explicit RegistroArchivo(std::filesystem::path hive);

    // $VESMADUR_REGISTRO when set and not empty, else /etc/vesmadur/registro.reg.
    static std::filesystem::path RutaPredeterminada();

    const std::filesystem::path& Ruta() const { return hive_; }

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

private:
    using Ruta_ = std::vector<std::string>;

    // Which file a parsed hive came from; a change of any field means the
    // file was replaced or edited.
    struct Identidad {
        bool Existe = false;
        std::uint64_t Dispositivo = 0, Nodo = 0, Tamano = 0;
        std::int64_t Modificado = 0, Cambiado = 0;
        bool operator==(const Identidad&) const = default;
    };
    static Identidad IdentidadDe(const struct stat& st);
    struct Lectura {
        Colmena Claves;
        std::int32_t Codigo = 0; // 0, or why the hive cannot be changed
        Identidad De;
    };
    struct Destino {
        Ruta_ Base;     // the key the handle names
        Ruta_ Completa; // Base and the path below it
        std::uint32_t Acceso = 0;
    };

    [[nodiscard]] std::int32_t Resolver(ManejadorClave clave, const std::string& ruta,
                                        Destino& destino) const;
    // The key a handle names in the current hive, and its path: 0,
    // ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED or ERROR_KEY_DELETED.
    [[nodiscard]] std::int32_t Nodo(ManejadorClave clave, std::uint32_t acceso,
                                    const NodoClave*& nodo, Ruta_* ruta = nullptr);
    ManejadorClave Abrir(Ruta_ ruta, std::uint32_t acceso);
    const Colmena& Actual();
    // The hive with symbolic links resolved: a link to the hive stays a link
    // when the file it names is replaced.
    std::filesystem::path RutaReal() const;
    Lectura LeerArchivo() const;
    std::int32_t Guardar(const Colmena& claves, Identidad& identidad) const;
    // Runs `cambio(claves, cambiado)` on the hive as read under the lock and
    // saves it when the change reports success and a change.
    template <class Cambio> std::int32_t Modificar(Cambio&& cambio);

    std::filesystem::path hive_;
    std::mutex mutex_;
    std::optional<Lectura> cache_;
    std::map<ManejadorClave, Destino> abiertas_;
    ManejadorClave siguiente_ = 1;
};

} // namespace vesmadur
