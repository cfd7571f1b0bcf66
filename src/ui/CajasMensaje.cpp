#include "ui/CajasMensaje.h"

#include <QMessageBox>

namespace vesmadur::ui {

QString TextoQt(const std::string& texto) {
    QString q = QString::fromStdString(texto);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

Respuesta PreguntarSiNo(QWidget* padre, const std::string& texto, const std::string& titulo) {
    QMessageBox caja(QMessageBox::Warning, TextoQt(titulo), TextoQt(texto),
                     QMessageBox::Yes | QMessageBox::No, padre);
    caja.setDefaultButton(QMessageBox::Yes);
    return caja.exec() == QMessageBox::Yes ? Respuesta::Si : Respuesta::No;
}

void Avisar(QWidget* padre, const std::string& texto, const std::string& titulo) {
    QMessageBox caja(QMessageBox::Warning, TextoQt(titulo), TextoQt(texto), QMessageBox::Ok, padre);
    caja.exec();
}

} // namespace vesmadur::ui
