#include "backup/Respaldo.h"

#include "files/SistemaArchivos.h"

namespace vesmadur {

std::string NombreRespaldo(const std::string& carpeta, const std::string& base,
                           const std::string& extension, const Reloj& reloj) {
    if (carpeta.empty())
        return {};
    const std::string prefijo = AgregarDiagonal(carpeta) + base;
    SistemaArchivos archivos;
    auto momento = reloj.Ahora();
    std::string candidato;
    do {
        candidato = prefijo + SelloTiempo(momento) + extension;
        momento += std::chrono::seconds(1);
    } while (archivos.FileExists(candidato));
    return candidato;
}

ResultadoArchivo RespaldarConfiguracion(const std::string& rutaConfig,
                                        const std::string& dirInstalacion,
                                        std::string& rutaRespaldo, const Reloj& reloj,
                                        Disco& disco) {
    SistemaArchivos archivos(disco);
    if (archivos.FileExists(rutaRespaldo))
        rutaRespaldo = NombreRespaldo(dirInstalacion, BaseRespaldo, ExtensionRespaldo, reloj);
    if (rutaConfig.empty())
        return ResultadoArchivo::Fallo("no hay base de configuracion que respaldar");
    if (rutaRespaldo.empty())
        return ResultadoArchivo::Fallo("no hay nombre de respaldo reservado");
    // What a copy killed half-way left in the folder goes first.
    LimpiarTemporalesHuerfanos(rutaRespaldo.substr(0, rutaRespaldo.find_last_of(Separadores) + 1),
                               disco);
    return archivos.CopyFile(rutaConfig, rutaRespaldo, {.Reemplazar = false, .Verificar = true});
}

} // namespace vesmadur
