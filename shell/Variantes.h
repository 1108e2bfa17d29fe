#pragma once

#include <QString>
#include <QVariant>

// Conversions of field values as the component's statements expect them.
namespace Variantes {

// The value as text; a missing value (SQL NULL) is an error, as converting Null is.
QString CStr(const QVariant& valor);
// The value as text for concatenation: a missing value gives the empty text.
QString Texto(const QVariant& valor);
// The same for a value read once and dropped, as fields mostly are: a text is moved out of
// the variant, not copied.
QString CStr(QVariant&& valor);
QString Texto(QVariant&& valor);

}  // namespace Variantes
