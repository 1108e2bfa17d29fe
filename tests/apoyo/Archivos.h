#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// A test's files: read whole (empty when missing), written whole (or the test stops there).
inline QByteArray LeerArchivo(const QString& ruta)
{
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}

inline QString EscribirArchivo(const QString& ruta, const QByteArray& contenido)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(contenido) != contenido.size())
        qFatal("No se pudo escribir %s", qPrintable(ruta));
    return ruta;
}

// A trace file's lines, each read as a JSON object (a line that is not one reads as empty).
inline QList<QJsonObject> LineasDeTraza(const QString& ruta)
{
    QList<QJsonObject> lineas;
    for (const QByteArray& linea : LeerArchivo(ruta).split('\n'))
        if (!linea.isEmpty())
            lineas << QJsonDocument::fromJson(linea).object();
    return lineas;
}
