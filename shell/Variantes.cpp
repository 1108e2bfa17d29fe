#include "Variantes.h"

#include "ErrorEjecucion.h"

namespace Variantes {

QString CStr(const QVariant& valor)
{
    if (valor.isNull())
        throw ErrorEjecucion(QStringLiteral("Uso no válido de Null"));
    return valor.toString();
}

QString Texto(const QVariant& valor)
{
    return valor.isNull() ? QString() : valor.toString();
}

} // namespace Variantes
