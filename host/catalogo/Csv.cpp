#include "Csv.h"

#include <QBuffer>
#include <QStringDecoder>
#include <limits>

namespace Csv {

namespace {

// What a spreadsheet reads as the start of a formula, and the apostrophe that marks a text.
const QString kInicioDeFormula = QStringLiteral("=+-@\t\r'");
constexpr qsizetype kTrozo = 64 * 1024;

}  // namespace

QString Neutralizar(const QString& campo)
{
    if (campo.isEmpty() || !kInicioDeFormula.contains(campo.front()))
        return campo;
    return QLatin1Char('\'') + campo;
}

QString Restaurar(const QString& campo)
{
    if (campo.size() >= 2 && campo[0] == QLatin1Char('\'') && kInicioDeFormula.contains(campo[1]))
        return campo.mid(1);
    return campo;
}

QByteArray Linea(const QStringList& campos, char separador)
{
    QByteArray linea;
    for (qsizetype i = 0; i < campos.size(); ++i) {
        if (i > 0)
            linea += separador;
        QByteArray campo = Neutralizar(campos[i]).toUtf8();
        if (campo.contains(separador) || campo.contains('"') || campo.contains('\r') || campo.contains('\n'))
            campo = '"' + campo.replace("\"", "\"\"") + '"';
        linea += campo;
    }
    return linea + "\r\n";
}

Lector::Lector(QIODevice& entrada, qint64 maximoBytes, char separador)
    : m_entrada(entrada)
    , m_maximo(maximoBytes)
    , m_separador(separador)
{
}

bool Lector::llenar()
{
    if (m_fin)
        return false;
    // One byte more than allowed tells a file that is too long from one that just fits.
    const qint64 quedan = m_maximo + 1 - m_leidos;
    m_bufer = m_entrada.read(qMin<qint64>(kTrozo, quedan));
    m_pos = 0;
    const bool primero = m_leidos == 0;
    m_leidos += m_bufer.size();
    if (m_bufer.isEmpty() || m_leidos > m_maximo) {
        m_excedido = m_leidos > m_maximo;
        m_fin = true;
        m_bufer.clear();
        return false;
    }
    if (primero && m_bufer.startsWith(kMarcaUtf8))
        m_pos = kMarcaUtf8.size();
    return m_pos < m_bufer.size() || llenar();
}

int Lector::mirar()
{
    if (m_pos >= m_bufer.size() && !llenar())
        return -1;
    return uchar(m_bufer[m_pos]);
}

char Lector::separadorDeLaPrimeraLinea()
{
    if (mirar() < 0)
        return kComa;
    qsizetype comas = 0, puntosYComa = 0;
    bool entreComillas = false;
    for (qsizetype i = m_pos; i < m_bufer.size(); ++i) {
        const char c = m_bufer[i];
        if (c == '"')
            entreComillas = !entreComillas;
        else if (!entreComillas && (c == '\n' || c == '\r'))
            break;
        comas += !entreComillas && c == kComa;
        puntosYComa += !entreComillas && c == kPuntoYComa;
    }
    return puntosYComa > comas ? kPuntoYComa : kComa;
}

bool Lector::Siguiente(Registro& registro)
{
    if (m_separador == 0)
        m_separador = separadorDeLaPrimeraLinea();
    const int sep = uchar(m_separador);
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (mirar() >= 0) {
        registro = Registro{m_linea, m_linea, {}, true};
        for (bool otroCampo = true; otroCampo;) {
            // One field: quoted (its quotes doubled inside), or up to the separator or line end.
            QByteArray campo;
            bool algo = false;
            if (mirar() == '"') {
                const int inicio = m_linea;
                algo = true;
                for (++m_pos;;) {
                    const int c = mirar();
                    if (c < 0) {
                        m_comillaSinCerrar = inicio;
                        break;
                    }
                    ++m_pos;
                    if (c == '"' && mirar() != '"')
                        break;
                    m_pos += c == '"';  // the second of a doubled quote
                    m_linea += c == '\n';
                    campo += char(c);
                }
            }
            int c;
            while ((c = mirar()) >= 0 && c != sep && c != '\n' && c != '\r') {
                campo += char(c);
                ++m_pos;
                algo = true;
            }
            otroCampo = c == sep;
            if (algo || otroCampo || !registro.campos.isEmpty()) {
                registro.campos << utf8.decode(campo);
                registro.utf8 = registro.utf8 && !utf8.hasError();
                utf8.resetState();
            }
            if (otroCampo)
                ++m_pos;
            // The end of a line (CRLF, LF or a lone CR) or of the file ends the record.
            else if (c == '\r' && (++m_pos, mirar() == '\n'))
                ++m_pos;
            else if (c == '\n')
                ++m_pos;
        }
        registro.ultimaLinea = m_linea++;
        if (!registro.campos.isEmpty())
            return true;
    }
    return false;
}

Lectura Leer(QStringView texto, char separador)
{
    QByteArray datos = texto.toUtf8();
    QBuffer bufer(&datos);
    bufer.open(QIODevice::ReadOnly);
    Lector lector(bufer, std::numeric_limits<qint64>::max() - 1, separador);
    Lectura lectura;
    for (Registro registro; lector.Siguiente(registro);)
        lectura.registros << registro;
    lectura.comillaSinCerrar = lector.ComillaSinCerrar();
    return lectura;
}

}  // namespace Csv
