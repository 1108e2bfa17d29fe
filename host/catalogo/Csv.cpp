#include "Csv.h"

namespace Csv {

QByteArray Linea(const QStringList& campos, char separador)
{
    QByteArray linea;
    for (qsizetype i = 0; i < campos.size(); ++i) {
        if (i > 0)
            linea += separador;
        QByteArray campo = campos[i].toUtf8();
        if (campo.contains(separador) || campo.contains('"') || campo.contains('\r') || campo.contains('\n'))
            campo = '"' + campo.replace("\"", "\"\"") + '"';
        linea += campo;
    }
    return linea + "\r\n";
}

Lectura Leer(QStringView texto, char separador)
{
    const QChar sep = QLatin1Char(separador), comilla = QLatin1Char('"');
    Lectura lectura;
    Registro registro{1, 1, {}};
    int linea = 1;
    qsizetype i = 0;
    const qsizetype n = texto.size();
    while (i <= n) {
        // One field: quoted (its quotes doubled inside), or up to the separator or line end.
        QString campo;
        bool algo = false;
        if (i < n && texto[i] == comilla) {
            const int inicio = linea;
            algo = true;
            for (++i;; ++i) {
                if (i >= n) {
                    lectura.comillaSinCerrar = inicio;
                    break;
                }
                if (texto[i] == comilla) {
                    if (i + 1 < n && texto[i + 1] == comilla) {
                        campo += comilla;
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                linea += texto[i] == QLatin1Char('\n');
                campo += texto[i];
            }
        }
        const qsizetype desde = i;
        while (i < n && texto[i] != sep && texto[i] != QLatin1Char('\n') && texto[i] != QLatin1Char('\r'))
            ++i;
        if (i > desde) {
            campo += texto.mid(desde, i - desde);
            algo = true;
        }
        const bool otroCampo = i < n && texto[i] == sep;
        if (algo || otroCampo || !registro.campos.isEmpty())
            registro.campos << campo;
        if (otroCampo) {
            ++i;
            continue;
        }
        // The end of a line (CRLF, LF or a lone CR) or of the text ends the record.
        registro.ultimaLinea = linea;
        if (!registro.campos.isEmpty())
            lectura.registros << registro;
        if (i < n && texto[i] == QLatin1Char('\r') && i + 1 < n && texto[i + 1] == QLatin1Char('\n'))
            ++i;
        ++i;
        ++linea;
        registro = Registro{linea, linea, {}};
    }
    return lectura;
}

char Separador(QStringView texto)
{
    qsizetype comas = 0, puntosYComa = 0;
    bool entreComillas = false;
    for (const QChar c : texto) {
        if (c == QLatin1Char('"'))
            entreComillas = !entreComillas;
        else if (!entreComillas && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        comas += !entreComillas && c == QLatin1Char(kComa);
        puntosYComa += !entreComillas && c == QLatin1Char(kPuntoYComa);
    }
    return puntosYComa > comas ? kPuntoYComa : kComa;
}

}  // namespace Csv
