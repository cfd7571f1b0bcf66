#include "cli/OrdenesCli.h"

#include "backup/CatalogoRespaldos.h"
#include "backup/DiagnosticoConfiguracion.h"
#include "backup/RespaldoEnReposo.h"
#include "backup/Restauracion.h"
#include "cli/Argumentos.h"
#include "cli/InformeTerminal.h"
#include "cli/Json.h"
#include "detect/Ediciones.h"
#include "dialing/AjusteMarcaciones.h"
#include "dialing/Marcaciones.h"
#include "dialing/RevisionAjuste.h"
#include "files/SistemaArchivos.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

namespace vesmadur::cli {

namespace {

namespace fs = std::filesystem;

class Ordenes {
public:
    Ordenes(const Opciones& opciones, PlataformaCli& plataforma)
        : op_(opciones), p_(plataforma), entorno_(plataforma.Entorno(opciones.Carpeta)),
          instalacion_(DetectarInstalacion(entorno_)) {}

    int Correr() {
        if (op_.Orden == "estado")
            return Estado();
        if (op_.Orden == "revisar")
            return Revisar();
        if (op_.Orden == "ajustar")
            return Ajustar();
        if (op_.Orden == "respaldos")
            return Respaldos();
        if (op_.Orden == "restaurar" || op_.Orden == "borrar")
            return RestaurarOBorrar(op_.Orden == "restaurar");
        return kUsoIncorrecto;
    }

private:
    // --- shared steps --------------------------------------------------------

    // Starts the JSON result with the command and the installation.
    void Encabezado() {
        json_.Objeto().Miembro("orden", op_.Orden);
        json_.Miembro("edicion", std::string(NombreEdicion(instalacion_.Edicion)));
        json_.Miembro("codigoEdicion", int{instalacion_.Edicion});
        json_.Miembro("directorio", instalacion_.DirInstalacion);
        json_.Miembro("configuracion", instalacion_.RutaConfig);
    }

    // Ends the command: the JSON result with its code and error, or the
    // error on standard error.
    int Terminar(int codigo, const std::string& error = {}) {
        if (op_.Json) {
            json_.Miembro("codigo", codigo).Clave("error");
            error.empty() ? json_.Nulo() : json_.Valor(error);
            json_.Fin('}');
            p_.Salida << json_.Texto() << '\n';
        }
        if (!error.empty())
            p_.Errores << "vesmadur-cli: " << error << '\n';
        return codigo;
    }

    void Decir(const std::string& linea) {
        if (!op_.Json)
            p_.Salida << linea << '\n';
    }

    bool HayInstalacion() const { return instalacion_.Edicion != EdicionNinguna; }

    // The database open as the program opens it, or why not, with the code.
    std::optional<std::pair<int, std::string>> ConfiguracionCerrada() const {
        const auto diagnostico = DiagnosticarConfiguracion(instalacion_.RutaConfig);
        if (diagnostico.Clase == DiagnosticoConfiguracion::Estado::Abre)
            return std::nullopt;
        using E = DiagnosticoConfiguracion::Estado;
        return std::pair{diagnostico.Clase == E::Retenida || diagnostico.Clase == E::Restos
                             ? int{kRechazado}
                             : int{kFallo},
                         "la configuracion no se puede abrir: " + diagnostico.Descripcion};
    }

    // Ends a command whose database did not open, saying why.
    int NoAbre() {
        const auto cerrada = ConfiguracionCerrada();
        return cerrada ? Terminar(cerrada->first, cerrada->second)
                       : Terminar(kFallo, "la configuracion no se pudo abrir");
    }

    // Asks on the terminal; Enter alone is yes, end of input is no.
    bool Confirmar(const std::string& pregunta) {
        if (op_.Si)
            return true;
        p_.Errores << pregunta << " [S/n] " << std::flush;
        std::string respuesta;
        if (!std::getline(p_.Entrada, respuesta))
            return false;
        return respuesta.empty() || respuesta == "s" || respuesta == "S" || respuesta == "si" ||
               respuesta == "Si" || respuesta == "SI" || respuesta == "y";
    }

    std::string CarpetaConfig() const {
        return AgregarDiagonal(instalacion_.DirInstalacion) + "config/";
    }

    // --- estado ----------------------------------------------------------------

    int Estado() {
        Encabezado();
        if (!HayInstalacion()) {
            json_.Miembro("marcaciones", 0).Miembro("accion", "ninguna");
            Decir("No fue detectada ninguna instalacion de ORVANTO.");
            return Terminar(kSinInstalacion);
        }
        Decir("Edicion: " + std::string(NombreEdicion(instalacion_.Edicion)));
        Decir("Directorio: " + instalacion_.DirInstalacion);
        Decir("Configuracion: " + instalacion_.RutaConfig);
        // The count as the window takes it; only a count of 0 may hide a
        // database that did not open, and only then is the file examined.
        std::unique_ptr<Database> base;
        const auto cuenta = ContarMarcaciones(base, instalacion_.RutaConfig);
        if (auto cerrada = cuenta == 0 ? ConfiguracionCerrada() : std::nullopt) {
            json_.Miembro("marcaciones", 0).Miembro("accion", "ninguna");
            Decir("Marcaciones a ajustar: 0");
            return Terminar(cerrada->first, cerrada->second);
        }
        const char* accion = cuenta > 0 ? "ajustar" : "restaurar";
        json_.Miembro("marcaciones", std::int64_t{cuenta}).Miembro("accion", accion);
        Decir("Marcaciones a ajustar: " + std::to_string(cuenta));
        Decir(std::string("Accion: ") + accion);
        return Terminar(cuenta > 0 ? kExito : kNadaQueHacer);
    }

    // --- revisar ---------------------------------------------------------------

    int Revisar() {
        Encabezado();
        if (!HayInstalacion())
            return Terminar(kSinInstalacion, "no fue detectada ninguna instalacion de ORVANTO");
        std::unique_ptr<Database> base;
        const RevisionAjuste r = RevisarMarcaciones(base, instalacion_.RutaConfig);
        if (!r.Abierta)
            return NoAbre();
        EscribirRevision(r);
        if (!r.Error.empty())
            return Terminar(kFallo, "la revision se detuvo: " + r.Error);
        return Terminar(r.Cambios.empty() ? kNadaQueHacer : kExito);
    }

    void EscribirRevision(const RevisionAjuste& r) {
        json_.Clave("cambios").Lista();
        for (const auto& c : r.Cambios) {
            json_.Objeto().Miembro("lnId", c.lnId).Miembro("antes", c.Antes);
            json_.Clave("despues");
            c.Borrar() ? json_.Nulo() : json_.Valor(c.Despues);
            json_.Miembro("accion", c.Borrar() ? "borrar" : "actualizar").Clave("purgas").Lista();
            std::string purgas;
            for (const auto& [tabla, filas] : c.Purgas) {
                json_.Objeto().Miembro("tabla", tabla).Miembro("filas", filas).Fin('}');
                purgas += (purgas.empty() ? "" : ", ") + tabla + ": " + std::to_string(filas) +
                          (filas == 1 ? " fila" : " filas");
            }
            json_.Fin(']').Fin('}');
            if (c.Borrar())
                Decir("lnId " + std::to_string(c.lnId) + ": " + c.Antes + " -> borrar" +
                      (purgas.empty() ? "" : " (" + purgas + ")"));
            else
                Decir("lnId " + std::to_string(c.lnId) + ": " + c.Antes + " -> " + c.Despues);
        }
        json_.Fin(']').Clave("avisos").Lista();
        if (!r.Avisos.empty())
            Decir("Avisos:");
        for (const auto& a : r.Avisos) {
            json_.Objeto().Miembro("clase", NombreAviso(a.Clase)).Miembro("lnId", a.lnId);
            json_.Miembro("texto", a.Texto).Fin('}');
            Decir(std::string("  ") + NombreAviso(a.Clase) + ": " + a.Texto);
        }
        json_.Fin(']');
        json_.Miembro("entradas", r.Filas).Miembro("actualizaciones", r.Actualizaciones);
        json_.Miembro("borrados", r.Borrados).Miembro("filasPurgadas", r.FilasPurgadas);
        Decir("Total: " + std::to_string(r.Cambios.size()) + " cambios en " +
              std::to_string(r.Filas) + " entradas: " + std::to_string(r.Actualizaciones) +
              " actualizaciones, " + std::to_string(r.Borrados) + " borrados, " +
              std::to_string(r.FilasPurgadas) + " filas de tablas LD");
    }

    // --- ajustar ---------------------------------------------------------------

    int Ajustar();
    int Respaldos();
    int RestaurarOBorrar(bool restaurar);

    const Opciones& op_;
    PlataformaCli& p_;
    EntornoDeteccion entorno_;
    DatosInstalacion instalacion_;
    Json json_;
};

int Ordenes::Ajustar() {
    Encabezado();
    if (!HayInstalacion())
        return Terminar(kSinInstalacion, "no fue detectada ninguna instalacion de ORVANTO");
    if (!p_.SerUnicaCopia())
        return Terminar(kRechazado, "otra copia de Vesmadur esta en ejecucion");
    // At rest first, as the backup will want it: what an interrupted session
    // left is recovered (so the plan can read the database) or refused.
    if (const auto reposo = BaseEnReposo(instalacion_.RutaConfig); !reposo)
        return Terminar(kRechazado, "la configuracion no esta en reposo para respaldarla: " +
                                        reposo.Descripcion);
    std::unique_ptr<Database> base;
    const RevisionAjuste plan = RevisarMarcaciones(base, instalacion_.RutaConfig);
    if (!plan.Abierta)
        return NoAbre();
    if (!plan.Error.empty())
        return Terminar(kFallo, "la revision previa se detuvo: " + plan.Error);
    // The plan's walk counted them; the database is not opened again for it.
    const auto cuenta = static_cast<std::int32_t>(plan.Antiguas);
    if (cuenta == 0) {
        Decir("No hay marcaciones que ajustar.");
        return Terminar(kNadaQueHacer);
    }
    if (!Confirmar("Se respaldara la configuracion y se ajustaran " + std::to_string(cuenta) +
                   " marcaciones. ¿Continuar?")) {
        Decir("No se hizo ningun cambio.");
        return Terminar(kNadaQueHacer);
    }

    std::optional<RegistroCambios> registro;
    if (!op_.Registro.empty()) {
        registro.emplace(op_.Registro);
        if (!registro->Abierto())
            return Terminar(kFallo, "no se puede escribir el registro " + op_.Registro);
    }
    InformeTerminal informe(p_.Salida, p_.Errores, op_.Json, p_.ErroresEnTerminal && !op_.Json,
                            registro ? &*registro : nullptr);
    DatosAjuste datos;
    datos.DirInstalacion = instalacion_.DirInstalacion;
    datos.RutaConfig = instalacion_.RutaConfig;
    datos.MarcacionesDetectadas = cuenta;
    std::string rutaRespaldo = instalacion_.RutaRespaldo;
    datos.Respaldar = [&] {
        return RespaldarBaseEnReposo(instalacion_.RutaConfig, instalacion_.DirInstalacion,
                                     rutaRespaldo, entorno_.Tiempo);
    };
    const ResultadoAjuste hecho = AjustarMarcaciones(base, datos, informe);
    if (!op_.Json)
        p_.Salida << '\n';
    json_.Miembro("respaldo", hecho.Respaldada ? rutaRespaldo : std::string());
    json_.Miembro("entradas", std::int64_t{hecho.FilasLeidas});
    json_.Miembro("ajustadas", std::int64_t{hecho.Ajustadas});
    json_.Miembro("informe", SinRetornos(informe.panel_));
    if (!hecho.Respaldada)
        return Terminar(kRechazado, "el respaldo fue rechazado: " + hecho.MotivoRespaldo);
    if (!hecho.Abierta)
        return Terminar(kFallo, "la configuracion no se pudo abrir para ajustarla");

    // The check: what is still old-style, and whether the run did what the
    // review planned, entry by entry.
    const auto quedan = ContarMarcaciones(base, instalacion_.RutaConfig);
    std::int64_t esperadas = 0;
    for (const auto& a : plan.Avisos)
        esperadas += a.Clase == AvisoRevision::Tipo::SigueAntigua ||
                     a.Clase == AvisoRevision::Tipo::SinClave;
    std::vector<std::string> diferencias;
    const std::size_t comunes = std::min(plan.Cambios.size(), informe.hechos.size());
    for (std::size_t i = 0; i < comunes; ++i) {
        const auto& [lnId, antes, despues] = informe.hechos[i];
        const auto& c = plan.Cambios[i];
        if (c.lnId != lnId || c.Antes != antes || c.Despues != despues)
            diferencias.push_back("lnId " + std::to_string(lnId) + ": se planeo " + c.Antes +
                                  " -> " + c.Despues + ", se hizo " + antes + " -> " + despues);
    }
    if (plan.Cambios.size() != informe.hechos.size())
        diferencias.push_back("se planearon " + std::to_string(plan.Cambios.size()) +
                              " cambios y se hicieron " + std::to_string(informe.hechos.size()));
    json_.Miembro("quedanAntiguas", std::int64_t{quedan}).Miembro("esperadas", esperadas);
    json_.Clave("diferencias").Lista();
    for (const auto& d : diferencias)
        json_.Valor(d);
    json_.Fin(']');
    Decir("Verificacion: quedan " + std::to_string(quedan) + " marcaciones antiguas (" +
          std::to_string(esperadas) + " esperadas); " +
          (diferencias.empty() ? "los cambios son los planeados."
                               : std::to_string(diferencias.size()) + " diferencias con el plan:"));
    for (const auto& d : diferencias)
        Decir("  " + d);
    if (!hecho.Completa)
        return Terminar(kFallo, "el ajuste no termino; lo hecho quedo guardado y el respaldo "
                                "sigue en " +
                                    rutaRespaldo);
    if (!diferencias.empty() || quedan != esperadas)
        return Terminar(kFallo, "la verificacion no coincide con lo planeado");
    return Terminar(kExito);
}

// --- respaldos, restaurar, borrar ------------------------------------------------

int Ordenes::Respaldos() {
    Encabezado();
    if (!HayInstalacion())
        return Terminar(kSinInstalacion, "no fue detectada ninguna instalacion de ORVANTO");
    const std::string carpeta = CarpetaConfig();
    json_.Clave("respaldos").Lista();
    std::unique_ptr<Database> base;
    std::size_t cuantos = 0;
    for (const auto& r : RespaldosDeCarpeta(carpeta)) {
        const std::string ruta = RutaDeRespaldo(carpeta, r.Sello);
        std::error_code error;
        const auto tamano = fs::file_size(ruta, error);
        const auto cuenta = ContarMarcaciones(base, ruta);
        const std::string fecha = FechaRespaldo(r.FechaCreacion);
        const char* momento = cuenta > 0 ? "antes" : "despues";
        json_.Objeto().Miembro("sello", r.Sello).Miembro("ruta", ruta).Miembro("creado", fecha);
        json_.Miembro("bytes", static_cast<std::int64_t>(error ? 0 : tamano));
        json_.Miembro("marcaciones", std::int64_t{cuenta}).Miembro("ajuste", momento).Fin('}');
        Decir(r.Sello + "  " + fecha + "  " + std::to_string(error ? 0 : tamano) + " bytes  " +
              std::to_string(cuenta) + " marcaciones antiguas  (" + momento + " del ajuste)");
        ++cuantos;
    }
    json_.Fin(']');
    if (cuantos == 0)
        Decir("No hay respaldos en " + carpeta);
    return Terminar(cuantos > 0 ? kExito : kNadaQueHacer);
}

int Ordenes::RestaurarOBorrar(bool restaurar) {
    Encabezado();
    if (!HayInstalacion())
        return Terminar(kSinInstalacion, "no fue detectada ninguna instalacion de ORVANTO");
    // Only a backup the folder lists: by its stamp, or by a path naming it.
    const std::string carpeta = CarpetaConfig();
    std::string elegido;
    for (const auto& r : RespaldosDeCarpeta(carpeta)) {
        const std::string ruta = RutaDeRespaldo(carpeta, r.Sello);
        std::error_code error;
        if (r.Sello == op_.Argumento || fs::equivalent(ruta, op_.Argumento, error))
            elegido = ruta;
    }
    json_.Miembro("respaldo", elegido);
    if (elegido.empty())
        return Terminar(kFallo, "'" + op_.Argumento + "' no es un respaldo de " + carpeta);
    if (!p_.SerUnicaCopia())
        return Terminar(kRechazado, "otra copia de Vesmadur esta en ejecucion");
    if (!Confirmar(restaurar ? "Se pondra " + elegido + " en lugar de la configuracion. ¿Continuar?"
                             : "¿Deseas borrar el archivo " + elegido + "?")) {
        Decir("No se hizo ningun cambio.");
        return Terminar(kNadaQueHacer);
    }
    if (!restaurar) {
        const auto borrado = SistemaArchivos().DeleteFile(elegido);
        if (!borrado)
            return Terminar(kFallo, "no se pudo borrar " + elegido + ": " + borrado.Descripcion);
        Decir("Respaldo borrado: " + elegido);
        return Terminar(kExito);
    }
    const auto hecho = ReemplazarConfiguracion(elegido, instalacion_.RutaConfig);
    if (!hecho) {
        const bool retenida = hecho.Fallo == ResultadoRestauracion::Paso::Eliminar;
        return Terminar(retenida ? kRechazado : kFallo,
                        std::string(retenida ? "no se pudo reemplazar la configuracion: "
                                             : "no se pudo copiar el respaldo: ") +
                            hecho.Descripcion);
    }
    Decir("Respaldo restaurado: " + elegido);
    return Terminar(kExito);
}

// Reads the command line; nullopt after printing what is wrong or what was asked.
} // namespace

int Ejecutar(const std::vector<std::string>& argumentos, PlataformaCli& plataforma) {
    int codigo = kUsoIncorrecto;
    const auto opciones = LeerArgumentos(argumentos, plataforma.Salida, plataforma.Errores, codigo);
    if (!opciones)
        return codigo;
    return Ordenes(*opciones, plataforma).Correr();
}

} // namespace vesmadur::cli
