#pragma once

#include <QString>

// The one way a value typed by a user, or read from a row, enters a statement's text: as the
// inside of a single-quoted literal, each single quote doubled, so the value can never end
// the literal early. A NUL character, which no text column can hold, is refused.
namespace Sql {

QString Texto(const QString& valor);

}  // namespace Sql
