#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The catalogue and its audit log written out as text, every column of every row in key
// order, so that a database before and after a failed change can be compared exactly.
namespace Volcado {

// One line per group: every column of Grupo_Cuenta_Contable, separated by a unit separator.
QStringList Grupos(Connection& conexion);
// How many rows the audit log (Kes_Bitacora) holds.
qlonglong Bitacora(Connection& conexion);
// Groups whose parent key names no group and is not the root.
QStringList Huerfanos(Connection& conexion);

} // namespace Volcado
