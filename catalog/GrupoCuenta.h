#pragma once

#include <QString>
#include <QVariant>

// The rules of an account group of Grupo_Cuenta_Contable: keys, headings and levels.
namespace GrupoCuenta {

inline const QString kTabla = QStringLiteral("Grupo_Cuenta_Contable");
inline const QString kCampoClave = QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable");
inline const QString kCampoDescripcion = QStringLiteral("Gcc_Descripcion");
inline const QString kClaveRaiz = QStringLiteral("0");
inline const QString kCodigoNivelManual = QStringLiteral("000");
inline const QString kParametroFormato = QStringLiteral("FTO_GRUPO_CUENTA_CONTABLE");
inline const QString kFormatoPredeterminado = QStringLiteral("000000");

// A number rendered with the key format: padded on the left with zeros to as many digits as
// the format has "0" characters, never cut. Other characters of the format stand as they
// are, and "#" is a digit shown only when there is one.
QString FormatearClave(long numero, const QString& formato);

// A key typed for a new group may not have more characters than the key format.
bool ClaveExcedeFormato(const QString& clave, const QString& formato);

// Whether a value reads as a number: optional blanks and sign, digits with at most one
// decimal point, an optional exponent. Empty and missing values are not numbers.
bool EsNumerico(const QVariant& valor);

// A numeric key (a group of the chart of accounts) reads as a number once its dots are gone;
// any other key is a heading.
bool EsClaveNumerica(const QString& clave);

// The level of a code: 1 plus the number of "." in it (a trailing dot counts).
int NivelDeCodigo(const QString& codigo);

}  // namespace GrupoCuenta
