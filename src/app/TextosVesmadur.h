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

inline constexpr std::string_view FinLinea = "\r\n";

} // namespace vesmadur::textos
