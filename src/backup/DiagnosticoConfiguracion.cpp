#include "backup/DiagnosticoConfiguracion.h"

#include "backup/BloqueoBase.h"
#include "database/Configuracion.h"
#include "database/DBEngine.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vesmadur {

namespace {

using Estado = DiagnosticoConfiguracion::Estado;

DiagnosticoConfiguracion Con(Estado clase, std::string descripcion) {
    return {clase, std::move(descripcion)};
}

} // namespace

DiagnosticoConfiguracion DiagnosticarConfiguracion(const std::string& ruta) {
    namespace fs = std::filesystem;
    std::error_code error;
    const auto estado = fs::status(ruta, error);
    if (!fs::exists(estado))
        return Con(Estado::Falta, "la base de datos no existe");
    if (!fs::is_regular_file(estado))
        return Con(Estado::NoEsArchivo, "la ruta de la base de datos no es un archivo");

    if (auto base = DBEngine::Instancia().Workspaces(0).OpenDatabase(ruta, true, true,
                                                                     kConexionConfiguracion)) {
        DiagnosticoConfiguracion resultado;
        try {
            base->OpenRecordset(kTablaNumeros)->Close();
        } catch (const ErrorMotor&) {
            resultado = Con(Estado::SinTabla, "la base de datos no tiene la tabla Numeros de lada");
        }
        try {
            base->Close();
        } catch (const ErrorMotor&) {
        }
        return resultado;
    }

    // A read lock where the library keeps its locks is refused only while
    // another process holds the database.
    if (BloqueoBase lectura(ruta, false); lectura.NumeroError() == EBUSY)
        return Con(Estado::Retenida, "otro programa tiene abierta la base de datos");

    // A read-only open cannot roll back what an interrupted session left;
    // the backup's at-rest check does, or refuses what is not a file.
    for (const char* sufijo : {"-journal", "-wal"}) {
        const std::string resto = ruta + sufijo;
        const auto tipo = fs::symlink_status(resto, error);
        if (!fs::exists(tipo))
            continue;
        if (!fs::is_regular_file(tipo))
            return Con(Estado::Restos, "junto a la base de datos hay algo que no es un archivo "
                                       "con el nombre de su diario (" +
                                           resto + ")");
        return Con(Estado::Restos, "junto a la base de datos quedo el diario de una sesion "
                                   "interrumpida (" +
                                       resto +
                                       "); el ajuste lo recupera antes "
                                       "de respaldar");
    }

    char cabecera[16] = {};
    std::ifstream archivo(ruta, std::ios::binary);
    archivo.read(cabecera, sizeof cabecera);
    if (archivo.gcount() == sizeof cabecera &&
        std::memcmp(cabecera, "SQLite format 3", sizeof cabecera) == 0)
        return Con(Estado::SinCifrar,
                   "es una base de datos SQLite sin cifrar, no la configuracion de Orvanto");
    // Every page of an encrypted database is a power of two from 512 bytes
    // on, so its size is a whole number of 512-byte blocks, and never 0.
    const auto tamano = fs::file_size(ruta, error);
    if (error || tamano == 0 || tamano % 512 != 0)
        return Con(Estado::NoEsBase, "el archivo no es una base de datos");
    return Con(Estado::OtraClave, "la base de datos no se abre con la clave de la configuracion "
                                  "(tiene otra clave, o no es una base de datos)");
}

} // namespace vesmadur
