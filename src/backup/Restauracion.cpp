#include "backup/Restauracion.h"

#include "backup/BloqueoBase.h"
#include "database/ArchivosRetenidos.h"
#include "database/Configuracion.h"
#include "files/SistemaArchivos.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace vesmadur {

namespace {

using Paso = ResultadoRestauracion::Paso;

// What the engine may leave beside a database: its rollback journal, its
// write-ahead log and that log's shared index. Beside the restored file the
// engine would apply them to it.
constexpr const char* kCompaneros[] = {"-journal", "-wal", "-shm"};

ResultadoRestauracion Falla(Paso paso, std::string descripcion) {
    return {paso, std::move(descripcion)};
}

// The temporary copy, removed on every way out unless it took the
// configuration's name.
struct Temporal {
    Disco& DiscoUsado;
    std::string Ruta;
    ~Temporal() {
        if (!Ruta.empty())
            DiscoUsado.Borrar(Ruta.c_str());
    }
};

// Why the copy at `temporal` of the backup `respaldo` is not a configuration
// database, or nothing when it is one: it opens with the configuration's key
// and holds the dialing table. A session that changes nothing leaves the
// file's bytes as they were.
std::optional<std::string> NoEsConfiguracion(const std::string& temporal,
                                             const std::string& respaldo) {
    std::unique_ptr<Database> base;
    AbrirConfiguracion(base, temporal);
    if (!base)
        return "El respaldo no abre como base de configuracion con su clave: " + respaldo;
    try {
        base->OpenRecordset(kTablaNumeros)->Close();
    } catch (const ErrorMotor&) {
        return "El respaldo no tiene la tabla " + std::string(kTablaNumeros) + ": " + respaldo;
    }
    try {
        CerrarConfiguracion(base);
    } catch (const ErrorMotor& error) {
        return error.Descripcion() + ": " + respaldo;
    }
    return std::nullopt;
}

} // namespace

ResultadoRestauracion ReemplazarConfiguracion(const std::string& rutaRespaldo,
                                              const std::string& rutaConfig, Disco& disco) {
    // The file the configuration path names, links followed; a missing one
    // is made at the path itself.
    const std::string vivo = RutaReal(rutaConfig).value_or(rutaConfig);
    const std::string carpeta = vivo.substr(0, vivo.find_last_of(Separadores) + 1);
    LimpiarTemporalesHuerfanos(carpeta, disco);

    // From here to the end the configuration is kept from this process's
    // engine and write-locked against every other process: nobody is using
    // the old file, nor can start reading it, while it is replaced.
    std::optional<Retencion> retencion;
    std::optional<BloqueoBase> bloqueo;
    struct stat datos {};
    if (::stat(vivo.c_str(), &datos) == 0) {
        // What the designed deletion would refuse (a folder, a read-only
        // file), and anything else that is not a database file.
        if (auto borrable = SistemaArchivos(disco).PuedeBorrar(vivo); !borrable)
            return Falla(Paso::Eliminar, borrable.Descripcion);
        if (!S_ISREG(datos.st_mode))
            return Falla(Paso::Eliminar, rutaConfig + " no es un archivo");
        const IdArchivo id = IdArchivo::De(datos);
        if (!retencion.emplace(id, true).Retenido())
            return Falla(Paso::Eliminar, DescripcionError(EBUSY, rutaConfig));
        if (!bloqueo.emplace(vivo, true).Estado())
            return Falla(Paso::Eliminar, DescripcionError(bloqueo->NumeroError(), rutaConfig));
        if (!(bloqueo->Id() == id))
            return Falla(Paso::Eliminar, DescripcionError(EBUSY, rutaConfig));
    } else if (errno != ENOENT) {
        return Falla(Paso::Eliminar, DescripcionError(errno, rutaConfig));
    }

    // A verified, flushed copy beside the configuration that opens as one.
    Temporal temporal{disco, {}};
    const auto copia =
        SistemaArchivos(disco).CopiaTemporal(rutaRespaldo, vivo, true, temporal.Ruta);
    if (!copia)
        return Falla(Paso::Copiar, copia.Descripcion);
    if (const auto motivo = NoEsConfiguracion(temporal.Ruta, rutaRespaldo))
        return Falla(Paso::Copiar, *motivo);

    // What the old file's sessions left goes before the copy takes its name,
    // so the engine never applies it to the restored file.
    for (const char* sufijo : kCompaneros) {
        const std::string resto = vivo + sufijo;
        if (disco.Borrar(resto.c_str()) != 0 && errno != ENOENT)
            return Falla(Paso::Eliminar, DescripcionError(errno, resto));
    }
    if (disco.Renombrar(temporal.Ruta.c_str(), vivo.c_str()) != 0)
        return Falla(Paso::Eliminar, DescripcionError(errno, rutaConfig));
    temporal.Ruta.clear();
    SincronizarCarpeta(carpeta);
    return {};
}

} // namespace vesmadur
