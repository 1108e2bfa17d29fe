#pragma once

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

// Where in-process components are registered: an INI file that maps class ids and names to
// the library that serves them. KES_REGISTRO names another file (for tests and for
// installations that keep several registrations apart).
namespace Registro {

inline QString Archivo()
{
    const QString propio = qEnvironmentVariable("KES_REGISTRO");
    if (!propio.isEmpty())
        return propio;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Kestrima/registro.ini");
}

inline QSettings Abrir()
{
    const QString archivo = Archivo();
    QDir().mkpath(QFileInfo(archivo).absolutePath());
    return QSettings(archivo, QSettings::IniFormat);
}

// The library registered for a class id or a class name ("TQ614.Pantalla"); empty when the
// class is not registered.
inline QString LibreriaDeClase(const QString& claseONombre)
{
    QSettings registro = Abrir();
    QString clsid = claseONombre;
    if (!clsid.startsWith(QLatin1Char('{')))
        clsid = registro.value(QStringLiteral("ProgID/%1/CLSID").arg(claseONombre)).toString();
    if (clsid.isEmpty())
        return {};
    return registro.value(QStringLiteral("CLSID/%1/InprocServer32").arg(clsid)).toString();
}

inline QString ClsidDeNombre(const QString& nombre)
{
    return Abrir().value(QStringLiteral("ProgID/%1/CLSID").arg(nombre)).toString();
}

} // namespace Registro
