#include "DesenlaceIncierto.h"

#include "ErrorEjecucion.h"

namespace DesenlaceIncierto {

Desenlace DeEstado(const QString& estado)
{
    if (estado == QLatin1String("committed"))
        return Desenlace::Guardado;
    if (estado == QLatin1String("aborted"))
        return Desenlace::NoGuardado;
    return Desenlace::Desconocido;  // still in progress on a server that stopped, or not known
}

QString Mensaje(Desenlace desenlace, const QString& causa)
{
    switch (desenlace) {
    case Desenlace::Guardado:
        return QStringLiteral("%1, pero el servidor confirma que se guardó: no hace falta repetirlo.").arg(causa);
    case Desenlace::NoGuardado:
        return QStringLiteral("%1 y el servidor confirma que no se guardó: no quedó nada de él. Actualice la "
                              "pantalla (F5) y repítalo.")
            .arg(causa);
    case Desenlace::Desconocido:
        break;
    }
    return QStringLiteral("%1 y no se puede saber si se guardó. Actualice la pantalla (F5) y revise el historial "
                          "del grupo antes de repetirlo.")
        .arg(causa);
}

bool EsDesenlace(const ErrorEjecucion& error)
{
    return error.Codigo() == QLatin1String(kCodigoNoGuardado) || error.Codigo() == QLatin1String(kCodigoDesconocido);
}

}  // namespace DesenlaceIncierto
