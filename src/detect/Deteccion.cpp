#include "detect/Deteccion.h"

#include "backup/Respaldo.h"
#include "detect/Ediciones.h"
#include "files/SistemaArchivos.h"
#include "registry/ConstantesRegistro.h"
#include "registry/clsReg.h"

#include <cstdlib>

namespace vesmadur {

namespace {

// The configuration database below `carpeta`, or empty when it is not there.
std::string ConfigEn(const std::string& carpeta) {
    std::string ruta = AgregarDiagonal(carpeta) + RutaRelativaConfig;
    return ExisteArchivo(ruta) ? ruta : std::string();
}

// The database in the shared data folder, which takes precedence wherever
// the installation is: fills `RutaConfig` and `DirInstalacion` when found.
bool ConfigCompartida(const std::string& compartida, DatosInstalacion& datos) {
    if (!ExisteCarpeta(compartida))
        return false;
    datos.RutaConfig = ConfigEn(compartida);
    if (datos.RutaConfig.empty())
        return false;
    datos.DirInstalacion = AgregarDiagonal(compartida);
    return true;
}

} // namespace

DatosInstalacion DetectarInstalacion(const EntornoDeteccion& entorno) {
    DatosInstalacion datos;
    for (const auto& edicion : Ediciones) {
        std::string carpeta = RutaAplicacion(entorno.Registro, std::string(edicion.Ejecutable));
        if (!carpeta.empty()) {
            datos.Edicion = edicion.Codigo;
            datos.DirInstalacion = carpeta;
            break;
        }
    }

    const std::string compartida =
        AgregarDiagonal(entorno.CarpetaEspecial ? entorno.CarpetaEspecial(CSIDL_COMMON_APPDATA)
                                                : std::string()) +
        SubcarpetaCompartida;

    // The registered folder is kept as the registry gives it; an installation
    // whose database is in neither folder counts as none.
    if (datos.Edicion != EdicionNinguna && !ConfigCompartida(compartida, datos)) {
        datos.RutaConfig = ConfigEn(datos.DirInstalacion);
        if (datos.RutaConfig.empty())
            datos = DatosInstalacion{};
    }

    // Test mode: the command-line folder stands in for an installation, the
    // shared data folder still taking precedence.
    if (datos.Edicion == EdicionNinguna && ExisteCarpeta(entorno.LineaComandos)) {
        if (!ConfigCompartida(compartida, datos)) {
            datos.RutaConfig = ConfigEn(entorno.LineaComandos);
            if (!datos.RutaConfig.empty())
                datos.DirInstalacion = AgregarDiagonal(entorno.LineaComandos);
        }
        if (!datos.RutaConfig.empty())
            datos.Edicion = EdicionPrueba;
    }

    if (ExisteArchivo(datos.RutaConfig))
        datos.RutaRespaldo =
            NombreRespaldo(datos.DirInstalacion, BaseRespaldo, ExtensionRespaldo, entorno.Tiempo);
    return datos;
}

std::string RutaAplicacion(OperacionesRegistro& registro, const std::string& ejecutable) {
    clsReg clave(registro);
    clave.ClaseClave(HKEY_LOCAL_MACHINE);
    clave.ValorClave("path");
    clave.SeccionClave(std::string(ClaveRutasAplicacion) + ejecutable);
    if (clave.HayValor())
        return clave.Valor().ComoTexto();
    return {};
}

#ifndef _WIN32
std::string CarpetaEspecial(std::int32_t identificador) {
    if (identificador != CSIDL_COMMON_APPDATA)
        return {};
    const char* variable = std::getenv("VESMADUR_DATOS_COMUNES");
    if (variable != nullptr && *variable != '\0')
        return variable;
    return "/var/lib";
}

std::string TextoLineaComandos(int argc, const char* const* argv) {
    std::string texto;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr)
            break;
        if (i > 1)
            texto += ' ';
        texto += argv[i];
    }
    return texto;
}

#endif

std::string ColaLineaComandos(std::string_view linea) {
    const auto blanco = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0;
    if (!linea.empty() && linea[0] == '"') {
        const auto cierre = linea.find('"', 1);
        i = cierre == std::string_view::npos ? linea.size() : cierre + 1;
    }
    while (i < linea.size() && !blanco(linea[i]))
        ++i;
    while (i < linea.size() && blanco(linea[i]))
        ++i;
    return std::string(linea.substr(i));
}

} // namespace vesmadur
