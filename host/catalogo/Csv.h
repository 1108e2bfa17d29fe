#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

class QIODevice;

// Comma-separated values as RFC 4180 has them, and the semicolon-separated variant that
// spreadsheets of Spanish-speaking countries read and write: a field is quoted when it holds
// the separator, a quote or a line break, a quote inside it is doubled, and records end with
// CRLF (LF alone is read too). Files carry UTF-8 with a byte order mark, which spreadsheets
// need to tell UTF-8; a file without one is read as well.
//
// A cell that a spreadsheet would run as a formula (one that starts with = + - @, a tab or a
// carriage return) is written after an apostrophe, as OWASP advises, and so is one that
// starts with an apostrophe; Restaurar takes exactly that apostrophe off again.
namespace Csv {

inline constexpr char kComa = ',';
inline constexpr char kPuntoYComa = ';';
inline const QByteArray kMarcaUtf8 = QByteArrayLiteral("\xEF\xBB\xBF");

// One record, line break included, every field made safe for a spreadsheet.
QByteArray Linea(const QStringList& campos, char separador);
// A field as written (Neutralizar) and as read back (Restaurar).
QString Neutralizar(const QString& campo);
QString Restaurar(const QString& campo);

// A record as read: its fields and the lines of the file it spans.
struct Registro
{
    int linea = 0;
    int ultimaLinea = 0;
    QStringList campos;
    bool utf8 = true;  // false: some field is not valid UTF-8
};

// Reads the records of a file one at a time, holding only the record being read, and no more
// than `maximoBytes` of the file (Excedido() then tells).
class Lector
{
public:
    // separador 0: the one of comma and semicolon that the first line holds, outside quotes,
    // the more times (a comma when it holds neither).
    Lector(QIODevice& entrada, qint64 maximoBytes, char separador = 0);

    // The next record; false at the end of the file or of what may be read. A line with
    // nothing on it is no record.
    bool Siguiente(Registro& registro);
    char Separador() const { return m_separador; }
    bool Excedido() const { return m_excedido; }
    qint64 BytesLeidos() const { return m_leidos; }
    int ComillaSinCerrar() const { return m_comillaSinCerrar; }  // its line, or 0

private:
    int mirar();  // the next byte, or -1 at the end
    bool llenar();
    char separadorDeLaPrimeraLinea();

    QIODevice& m_entrada;
    qint64 m_maximo;
    qint64 m_leidos = 0;
    QByteArray m_bufer;
    qsizetype m_pos = 0;
    char m_separador;
    bool m_fin = false;
    bool m_excedido = false;
    int m_linea = 1;
    int m_comillaSinCerrar = 0;
};

struct Lectura
{
    QList<Registro> registros;
    int comillaSinCerrar = 0;  // the line of a quoted field that never ends, or 0
};

// Every record of a text held whole (a test's, or a small one's).
Lectura Leer(QStringView texto, char separador);

}  // namespace Csv
