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

QString CStr(QVariant&& valor)
{
    if (valor.typeId() == QMetaType::QString)
        return std::move(*static_cast<QString*>(valor.data()));
    return CStr(std::as_const(valor));
}

QString Texto(QVariant&& valor)
{
    if (valor.typeId() == QMetaType::QString)
        return std::move(*static_cast<QString*>(valor.data()));
    return Texto(std::as_const(valor));
}

}  // namespace Variantes
