#pragma once

#include "app/VistaVesmadur.h"

#include <QString>
#include <string>

class QWidget;

namespace vesmadur::ui {

// Texts of the logic end lines in CR LF; Qt wants LF alone.
QString TextoQt(const std::string& texto);

// Qt's own texts (standard buttons "Sí", "No", "Aceptar") in Spanish,
// whatever the machine's language: the program speaks Spanish only. From
// the toolkit's translations as the platform installs them; false when
// they are missing (the buttons then keep Qt's English).
bool UsarTextosQtEnEspanol();

// The platform's modal boxes: the warning icon, a fixed text and a title.
Respuesta PreguntarSiNo(QWidget* padre, const std::string& texto, const std::string& titulo);
void Avisar(QWidget* padre, const std::string& texto, const std::string& titulo);

} // namespace vesmadur::ui
