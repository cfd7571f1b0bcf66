#pragma once

#include "app/VistaVesmadur.h"

#include <QString>
#include <string>

class QWidget;

namespace vesmadur::ui {

// Texts of the logic end lines in CR LF; Qt wants LF alone.
QString TextoQt(const std::string& texto);

// The platform's modal boxes: the warning icon, a fixed text and a title.
Respuesta PreguntarSiNo(QWidget* padre, const std::string& texto, const std::string& titulo);
void Avisar(QWidget* padre, const std::string& texto, const std::string& titulo);

} // namespace vesmadur::ui
