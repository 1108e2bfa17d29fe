#include "VisorReporteKes.h"

#include "DialogoReporte.h"
#include "Sesion.h"

#include <QApplication>

void VisorReporteKes::MostrarReporte(const QString& listado, const QString& titulo, long, long, long n3, long n4, long,
                                     long)
{
    if (Sesion::MensajesRegistrandose() || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        Sesion::RegistrarReporte(listado);
        return;
    }
    DialogoReporte dialogo(listado, titulo, QApplication::activeWindow());
    if (n3 > 0 && n4 > 0)
        dialogo.resize(static_cast<int>(n3), static_cast<int>(n4));
    dialogo.exec();
}
