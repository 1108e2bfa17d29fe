#pragma once

#include <QString>
#include <QStringView>

// The text literals of a statement: '...', with a quote inside written twice. The one
// reading of them that the statements' parameters and the text box's lookup share.
namespace LiteralSql {

// Where the literal whose opening quote is at `apertura` ends: the index of its closing
// quote, or -1 when the text ends first (an unterminated literal). `valor`, when given,
// receives the literal's text with each doubled quote read as one.
qsizetype Cierre(QStringView sql, qsizetype apertura, QString* valor = nullptr);

}  // namespace LiteralSql
