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

Lectura Leer(const QByteArray& datos, char separador)
{
    Lectura lectura;
    Registro registro{1, {}};
    QByteArray campo;
    int linea = 1;
    bool entreComillas = false, hayAlgo = false;
    int inicioComillas = 0;
    // A line with nothing on it is no record.
    const auto cerrarRegistro = [&] {
        if (hayAlgo) {
            registro.campos << campo;
            lectura.registros << registro;
        }
        registro = Registro{linea, {}};
        campo.clear();
        hayAlgo = false;
    };
    for (qsizetype i = 0; i < datos.size(); ++i) {
        const char c = datos[i];
        if (entreComillas) {
            if (c == '"' && i + 1 < datos.size() && datos[i + 1] == '"') {
                campo += '"';
                ++i;
            } else if (c == '"') {
                entreComillas = false;
            } else {
                linea += c == '\n';
                campo += c;
            }
        } else if (c == '"') {
            entreComillas = hayAlgo = true;
            inicioComillas = linea;
        } else if (c == separador) {
            registro.campos << campo;
            campo.clear();
            hayAlgo = true;
        } else if (c == '\n' || (c == '\r' && i + 1 < datos.size() && datos[i + 1] == '\n')) {
            i += c == '\r';
            ++linea;
            cerrarRegistro();
        } else {
            campo += c;
            hayAlgo = true;
        }
    }
    if (entreComillas)
        lectura.comillaSinCerrar = inicioComillas;
    cerrarRegistro();
    return lectura;
}

char Separador(const QByteArray& datos)
{
    qsizetype comas = 0, puntosYComa = 0;
    bool entreComillas = false;
    for (const char c : datos) {
        if (c == '"')
            entreComillas = !entreComillas;
        else if (!entreComillas && (c == '\n' || c == '\r'))
            break;
        comas += !entreComillas && c == kComa;
        puntosYComa += !entreComillas && c == kPuntoYComa;
    }
    return puntosYComa > comas ? kPuntoYComa : kComa;
}

} // namespace Csv
