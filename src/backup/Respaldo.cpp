#include "backup/Respaldo.h"

#include "files/SistemaArchivos.h"

namespace vesmadur {

std::string NombreRespaldo(const std::string& carpeta, const std::string& base,
                           const std::string& extension, const Reloj& reloj) {
    if (carpeta.empty())
        return {};
    const std::string prefijo = carpeta.back() == '/' ? carpeta + base : carpeta + '/' + base;
    SistemaArchivos archivos;
    auto momento = reloj.Ahora();
    std::string candidato;
    do {
        candidato = prefijo + SelloTiempo(momento) + extension;
        momento += std::chrono::seconds(1);
    } while (archivos.FileExists(candidato));
    return candidato;
}

bool RespaldarConfiguracion(DatosInstalacion& datos, const Reloj& reloj, Disco& disco) {
    SistemaArchivos archivos(disco);
    if (archivos.FileExists(datos.RutaRespaldo))
        datos.RutaRespaldo =
            NombreRespaldo(datos.DirInstalacion, BaseRespaldo, ExtensionRespaldo, reloj);
    if (datos.RutaConfig.empty() || datos.RutaRespaldo.empty())
        return false;
    return static_cast<bool>(archivos.CopyFile(datos.RutaConfig, datos.RutaRespaldo,
                                               {.Reemplazar = false, .Verificar = true}));
}

} // namespace vesmadur
