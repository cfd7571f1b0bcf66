#include "ui/CajasMensaje.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace vesmadur::ui {

bool UsarTextosQtEnEspanol() {
    // Owned by the application from here on; lives as long as it does.
    auto* traductor = new QTranslator(QCoreApplication::instance());
    if (!traductor->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traductor;
        return false;
    }
    return QCoreApplication::installTranslator(traductor);
}

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
