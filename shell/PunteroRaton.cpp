#include "PunteroRaton.h"

#include <QCursor>
#include <QGuiApplication>

namespace PunteroRaton {

void Establecer(int puntero)
{
    if (puntero == vbHourglass) {
        if (!QGuiApplication::overrideCursor())
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

int Actual()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor ? vbHourglass : vbDefault;
}

}  // namespace PunteroRaton
