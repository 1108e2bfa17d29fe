#include "GrupoCuenta.h"

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

namespace {

bool esDigito(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Blanks, an optional sign, digits with at most one decimal point (at least one digit),
// an optional exponent, blanks. Written out by hand: the tree asks it twice per node.
bool textoNumerico(QStringView texto)
{
    qsizetype i = 0;
    const qsizetype n = texto.size();
    auto saltarBlancos = [&] {
        while (i < n && texto[i].isSpace())
            ++i;
    };
    saltarBlancos();
    if (i < n && (texto[i] == QLatin1Char('+') || texto[i] == QLatin1Char('-'))) {
        ++i;
        saltarBlancos();
    }
    int digitos = 0;
    while (i < n && esDigito(texto[i]))
        ++i, ++digitos;
    if (i < n && texto[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && esDigito(texto[i]))
            ++i, ++digitos;
    }
    if (digitos == 0)
        return false;
    if (i < n && (texto[i] == QLatin1Char('e') || texto[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (texto[i] == QLatin1Char('+') || texto[i] == QLatin1Char('-')))
            ++i;
        int exponente = 0;
        while (i < n && esDigito(texto[i]))
            ++i, ++exponente;
        if (exponente == 0)
            return false;
    }
    saltarBlancos();
    return i == n;
}

}  // namespace

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
    case QMetaType::QString:
        return textoNumerico(*static_cast<const QString*>(valor.constData()));
    default:
        return textoNumerico(valor.toString());
    }
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

}  // namespace GrupoCuenta
