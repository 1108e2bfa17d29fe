#include "Sql.h"

#include "ErrorEjecucion.h"

namespace Sql {

QString Texto(const QString& valor)
{
    // One pass for both checks: the texts are keys and descriptions, a few characters long,
    // and every statement of the tree and the listing quotes one.
    bool conComillas = false;
    for (const QChar c : valor) {
        if (c.isNull())
            throw ErrorEjecucion(QStringLiteral("El texto contiene un carácter nulo, que no se puede guardar"));
        conComillas |= c == QLatin1Char('\'');
    }
    if (!conComillas)
        return valor;  // shares the text: nothing to double
    QString literal = valor;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return literal;
}

}  // namespace Sql
