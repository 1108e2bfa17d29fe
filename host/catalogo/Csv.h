#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Comma-separated values as RFC 4180 has them, and the semicolon-separated variant that
// spreadsheets of Spanish-speaking countries read and write: a field is quoted when it holds
// the separator, a quote or a line break, a quote inside it is doubled, and records end with
// CRLF (LF alone is read too). Files carry UTF-8 with a byte order mark, which spreadsheets
// need to tell UTF-8; a file without one is read as well.
namespace Csv {

inline constexpr char kComa = ',';
inline constexpr char kPuntoYComa = ';';
inline const QByteArray kMarcaUtf8 = QByteArrayLiteral("\xEF\xBB\xBF");

// One record, line break included.
QByteArray Linea(const QStringList& campos, char separador);

// A record as read: its fields and the lines of the file it spans.
struct Registro
{
    int linea = 0;
    int ultimaLinea = 0;
    QStringList campos;
};

struct Lectura
{
    QList<Registro> registros;  // a line with nothing on it is no record
    int comillaSinCerrar = 0;  // the line of a quoted field that never ends, or 0
};

// Splits the text of a file (its byte order mark already taken off) into records.
Lectura Leer(QStringView texto, char separador);

// The separator of a file: the one of comma and semicolon that its first line holds, outside
// quotes, the more times (a comma when it holds neither).
char Separador(QStringView texto);

}  // namespace Csv
