#include "Sql.h"

#include "ErrorEjecucion.h"

namespace Sql {

QString Texto(const QString& valor)
{
    if (valor.contains(QChar(0)))
        throw ErrorEjecucion(QStringLiteral("El texto contiene un carácter nulo, que no se puede guardar"));
    if (!valor.contains(QLatin1Char('\'')))
        return valor;  // shares the text: nothing to double
    QString literal = valor;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return literal;
}

} // namespace Sql
