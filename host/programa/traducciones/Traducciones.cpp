#include "Traducciones.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Traducciones {

bool InstalarEspanol(QCoreApplication& aplicacion)
{
    const QLocale sistema = QLocale::system();
    const QLocale espanol = sistema.language() == QLocale::Spanish ? sistema : QLocale(QLocale::Spanish);
    auto* traductor = new QTranslator(&aplicacion);
    if (!traductor->load(espanol, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traductor;
        return false;
    }
    return QCoreApplication::installTranslator(traductor);
}

}  // namespace Traducciones
