#include "Identificador.h"

#include "ErrorEjecucion.h"

#include <QRegularExpression>

namespace Identificador {

bool EsValido(const QString& nombre)
{
    static const QRegularExpression patron(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    return patron.match(nombre).hasMatch();
}

const QString& Exigir(const QString& nombre, const char* que)
{
    if (!EsValido(nombre))
        throw ErrorEjecucion(QStringLiteral("El nombre de %1 \"%2\" no es válido").arg(QLatin1String(que), nombre));
    return nombre;
}

}  // namespace Identificador
