#include "ApoyoFormas.h"

#include "ErrorEjecucion.h"
#include "Publico.h"

void FaltaObjeto()
{
    throw ErrorEjecucion(QStringLiteral("Variable de objeto o bloque With no establecido"));
}

AccesoDatos& Datos()
{
    return Requerir(Publico::oDatos);
}

Utilerias& Util()
{
    return Requerir(Publico::oUtil);
}

Connection& Conexion()
{
    return Requerir(Datos().Conexion());
}

QColor Rgb(int rojo, int verde, int azul)
{
    return QColor(rojo, verde, azul);
}

QString Trim(const QString& texto)
{
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && texto.at(inicio) == QLatin1Char(' '))
        ++inicio;
    while (fin > inicio && texto.at(fin - 1) == QLatin1Char(' '))
        --fin;
    return texto.mid(inicio, fin - inicio);
}
