#pragma once

#include <string_view>

namespace vesmadur::textos {

inline constexpr std::string_view TituloAplicacion = "Vesmadur";
inline constexpr std::string_view ProgramaYaCargado =
    "El programa ya ha sido cargado anteriormente.";

inline constexpr std::string_view CaptionAjustar = "Ajustar";
inline constexpr std::string_view CaptionRestaurar = "Restaurar";
inline constexpr std::string_view CaptionCerrar = "Cerrar";

inline constexpr std::string_view TituloVentana = "Orvanto - Nueva Marcacion Cofetel 2019";
inline constexpr std::string_view EdicionDetectada = "Orvanto detectado: ";
inline constexpr std::string_view Directorio = "Directorio: ";
inline constexpr std::string_view MarcacionesDetectadas = "Marcaciones detectadas a procesar: ";
inline constexpr std::string_view SinInstalacion =
    "NO se puede realizar ninguna tarea, no fue detectado ninguna instalación de ORVANTO.";
inline constexpr std::string_view PresionaElBoton = "Presiona el boton <";
inline constexpr std::string_view OPresionaElBoton = "o presiona el boton <";
inline constexpr std::string_view ParaAjustar = "> para iniciar el proceso de ajuste...";
inline constexpr std::string_view ParaRestaurar = "> para iniciar el proceso de restauración...";
inline constexpr std::string_view ParaTerminar = "> para terminar.";
inline constexpr std::string_view ParaFinalizar = "> para finalizar el programa.";
inline constexpr std::string_view RecomendamosCerrar =
    "Le recomendamos cerrar el programa ORVANTO antes de iniciar.";
inline constexpr std::string_view DeseaIniciarAjuste =
    "¿Desea iniciar el proceso de ajuste de marcaciones?";

// The restore.
inline constexpr std::string_view RecomendamosCerrarContinuar =
    "Le recomendamos cerrar el programa ORVANTO antes de continuar.";
inline constexpr std::string_view TituloArchivos = "Lista de archivos de configuración respaldados";
inline constexpr std::string_view RestaurandoConfiguracion = "Restaurando configuracion...";
inline constexpr std::string_view ErrorEliminarActual = "Error al eliminar la configuracion actual: ";
inline constexpr std::string_view ErrorCopiarRespaldo =
    "Error al intentar copiar la configuracion de respaldo: ";
inline constexpr std::string_view RespaldoHecho = "Respaldo hecho exitosamente.";

// The backup chooser.
inline constexpr std::string_view CaptionSeleccionar = "Seleccionar";
inline constexpr std::string_view CaptionBorrar = "Borrar";
inline constexpr std::string_view CaptionCancelar = "Cancelar";
inline constexpr std::string_view RespaldoDel = "Respaldo del ";
inline constexpr std::string_view MarcacionesAAjustar = "Marcaciones a ajustar: ";
inline constexpr std::string_view RespaldoNoAjustado = "Respaldo NO ajustado a nuevas marcaciones.";
inline constexpr std::string_view RespaldoSiAjustado = "Respaldo SI ajustado a nuevas marcaciones.";
inline constexpr std::string_view Nota = "Nota:";
inline constexpr std::string_view SiSelecciona =
    "Si selecciona este archivo para restaurar, las marcaciones quedaran";
inline constexpr std::string_view Sin = " SIN ";
inline constexpr std::string_view Con = " CON ";
inline constexpr std::string_view ElAjuste = "el ajuste para la nueva marcacion de cofetel 2019.";
inline constexpr std::string_view DeseasBorrar = "¿Deseas borrar el archivo seleccionado?";

inline constexpr std::string_view FinLinea = "\r\n";

} // namespace vesmadur::textos
