#pragma once

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <optional>

// Where in-process components are registered: INI files that map class ids and names to
// the library that serves them. A component registers itself in the user's file;
// KES_REGISTRO names another file (for tests and for installations that keep several
// registrations apart).
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

// The registration files in the order they are read: the user's own (the one written), then
// the machine's, installed with the program for every user (XDG_CONFIG_DIRS, /etc/xdg by
// default). With KES_REGISTRO, that file alone.
inline QStringList ArchivosLeidos()
{
    if (!qEnvironmentVariableIsEmpty("KES_REGISTRO"))
        return {Archivo()};
    QStringList archivos;
    for (const QString& carpeta : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        archivos << carpeta + QStringLiteral("/Kestrima/registro.ini");
    return archivos;
}

struct Clase
{
    QString clsid;
    QString libreria;
};

// The first registration of a class id or a class name ("TQ614.Pantalla") whose library is
// there, in the order the files are read; nothing when there is none.
inline std::optional<Clase> BuscarClase(const QString& claseONombre)
{
    for (const QString& archivo : ArchivosLeidos()) {
        if (!QFileInfo::exists(archivo))
            continue;
        const QSettings registro(archivo, QSettings::IniFormat);
        const QString clsid = claseONombre.startsWith(QLatin1Char('{'))
                                  ? claseONombre
                                  : registro.value(QStringLiteral("ProgID/%1/CLSID").arg(claseONombre)).toString();
        const QString libreria = registro.value(QStringLiteral("CLSID/%1/InprocServer32").arg(clsid)).toString();
        if (!clsid.isEmpty() && !libreria.isEmpty() && QFileInfo::exists(libreria))
            return Clase{clsid, libreria};
    }
    return std::nullopt;
}

}  // namespace Registro
