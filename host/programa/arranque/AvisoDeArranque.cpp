#include "AvisoDeArranque.h"

#include "ConexionPostgres.h"
#include "ErrorEjecucion.h"
#include "MotivoDeConexion.h"
#include "Sesion.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

Q_LOGGING_CATEGORY(lcArranque, "kestrima.arranque")

namespace AvisoDeArranque {

namespace {

QString revisarConfiguracion(const QString& archivo)
{
    if (archivo.isEmpty())
        return QStringLiteral("Revise la conexión que indican las opciones de la orden (--pg-conexion, --pg-servicio, "
                              "--pg-servidor, ...) y pulse Reintentar.");
    return QStringLiteral("Revise la conexión en el archivo de configuración «%1» (sección [BaseDeDatos]) y pulse "
                          "Reintentar.")
        .arg(archivo);
}

}  // namespace

QString QueHacer(const ErrorEjecucion& error, const QString& archivoConfiguracion)
{
    const auto* conexion = dynamic_cast<const ErrorDeConexion*>(&error);
    if (!conexion)
        return archivoConfiguracion.isEmpty()
                   ? QStringLiteral("Corrija lo que se indica y pulse Reintentar.")
                   : QStringLiteral("Corrija lo que se indica (la base de datos la elige el archivo de configuración "
                                    "«%1») y pulse Reintentar.")
                         .arg(archivoConfiguracion);
    using Tipo = ErrorDeConexion::Tipo;
    switch (conexion->Clase()) {
    case Tipo::Inalcanzable:
        return QStringLiteral("Compruebe que el servidor esté en marcha y que este equipo llegue a él por la red, y "
                              "pulse Reintentar.");
    case Tipo::ContrasenaEscritaRechazada:
    case Tipo::Cancelada:
        return QStringLiteral("Pulse Reintentar para escribir la contraseña de nuevo.");
    case Tipo::ContrasenaRechazada:
    case Tipo::SinContrasena:
        return QStringLiteral("Corrija la contraseña donde está guardada y pulse Reintentar. %1")
            .arg(ConexionPostgres::DondeVaLaContrasena());
    default:
        return revisarConfiguracion(archivoConfiguracion);
    }
}

bool Mostrar(const ErrorEjecucion& error, Salida salida, const QString& archivoConfiguracion)
{
    const auto* conexion = dynamic_cast<const ErrorDeConexion*>(&error);
    const QString detalle = conexion ? conexion->Detalle() : QString();
    const QString queHacer = salida == Salida::ReintentarOSalir ? QueHacer(error, archivoConfiguracion) : QString();
    qCCritical(lcArranque).noquote() << error.Description() << queHacer;
    if (!Sesion::Interactivo()) {
        std::fprintf(stderr, "%s\n", qPrintable(error.Description()));
        return false;
    }
    QMessageBox caja(QMessageBox::Critical, QStringLiteral("Kestrima - No se pudo abrir el catálogo"),
                     error.Description());
    caja.setObjectName(QStringLiteral("AvisoDeArranque"));
    caja.setInformativeText(queHacer);
    caja.setDetailedText(detalle);
    QPushButton* reintentar = nullptr;
    if (salida == Salida::ReintentarOSalir) {
        reintentar = caja.addButton(QStringLiteral("&Reintentar"), QMessageBox::AcceptRole);
        reintentar->setObjectName(QStringLiteral("cmdReintentar"));
    }
    QPushButton* salir = caja.addButton(QStringLiteral("&Salir"), QMessageBox::RejectRole);
    salir->setObjectName(QStringLiteral("cmdSalir"));
    caja.setDefaultButton(reintentar ? reintentar : salir);
    caja.setEscapeButton(salir);
    caja.exec();
    return reintentar && caja.clickedButton() == reintentar;
}

bool AbrirConReintento(const std::function<void()>& abrir, const QString& archivoConfiguracion)
{
    for (;;) {
        try {
            abrir();
            return true;
        } catch (const ErrorEjecucion& error) {
            if (!Mostrar(error, Salida::ReintentarOSalir, archivoConfiguracion))
                return false;
        }
    }
}

}  // namespace AvisoDeArranque
