#pragma once

#include <QString>

// Numbers in the messages, as Spanish writes them: digits in groups of three apart from five
// digits on ("19 998", "150 001"; a no-break space keeps them on one line), and the noun
// agreeing with the number ("1 grupo", "2 grupos").
namespace Cantidades {

QString Numero(qint64 numero);
QString De(qint64 numero, const QString& singular, const QString& plural);

}  // namespace Cantidades
