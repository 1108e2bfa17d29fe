#include "Cantidades.h"

namespace Cantidades {

QString Numero(qint64 numero)
{
    QString cifras = QString::number(qAbs(numero));
    if (cifras.size() > 4)
        for (qsizetype i = cifras.size() - 3; i > 0; i -= 3)
            cifras.insert(i, QChar(0x00A0));
    return numero < 0 ? QLatin1Char('-') + cifras : cifras;
}

QString De(qint64 numero, const QString& singular, const QString& plural)
{
    return Numero(numero) + QLatin1Char(' ') + (numero == 1 ? singular : plural);
}

}  // namespace Cantidades
