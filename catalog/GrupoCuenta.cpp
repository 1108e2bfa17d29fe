#include "GrupoCuenta.h"

#include <QRegularExpression>

namespace GrupoCuenta {

QString FormatearClave(long numero, const QString& formato)
{
    const bool negativo = numero < 0;
    QString digitos = QString::number(negativo ? -static_cast<long long>(numero) : numero);
    const int ceros = int(formato.count(QLatin1Char('0')));
    if (digitos.size() < ceros)
        digitos = QString(ceros - digitos.size(), QLatin1Char('0')) + digitos;

    // Fill the pattern's digit places from the right; digits left over go in front.
    QString resultado;
    int siguiente = int(digitos.size()) - 1;
    for (int i = int(formato.size()) - 1; i >= 0; --i) {
        const QChar c = formato.at(i);
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (siguiente >= 0)
                resultado.prepend(digitos.at(siguiente--));
        } else {
            resultado.prepend(c);
        }
    }
    if (siguiente >= 0)
        resultado.prepend(digitos.left(siguiente + 1));
    return negativo ? QLatin1Char('-') + resultado : resultado;
}

bool ClaveExcedeFormato(const QString& clave, const QString& formato)
{
    return clave.size() > formato.size();
}

bool EsNumerico(const QVariant& valor)
{
    if (valor.isNull() || !valor.isValid())
        return false;
    switch (valor.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        break;
    }
    static const QRegularExpression numero(
        QStringLiteral("^\\s*[+-]?\\s*(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    return numero.match(valor.toString()).hasMatch();
}

bool EsClaveNumerica(const QString& clave)
{
    QString sinPuntos = clave;
    sinPuntos.remove(QLatin1Char('.'));
    return EsNumerico(sinPuntos);
}

int NivelDeCodigo(const QString& codigo)
{
    return 1 + int(codigo.count(QLatin1Char('.')));
}

} // namespace GrupoCuenta
