#pragma once

#include <QString>

class Connection;
class Utilerias;

// Reshaping the catalogue after the fact: a group moved with its subtree under another parent,
// a deleted group restored from the history, a change of the history undone. Each is one
// transaction on `conexion`, registered as a change through `utilerias` (a refusal rolls it
// back) and recorded in the history by the database's own triggers, like any other change.
// Each returns false with the reason, in Spanish, in `error`; `clave` gets the key of the group
// to show afterwards (the parent's when the group is gone).
namespace Reorganizacion {

// Only the group's parent changes: its code, its level and its subgroups stay as they are, the
// subgroups still under it. Refused for the root, a parent that does not exist, the group itself
// or one of its descendants, and the parent the group already has.
bool Mover(Connection& conexion, Utilerias& utilerias, const QString& clave, const QString& padre, QString* error);
// Why `clave` cannot go under `padre`, read without writing anything; empty when it can.
QString RazonParaNoMover(Connection& conexion, const QString& clave, const QString& padre);

// The deletion `id` of the history undone: the group inserted again with every column it had,
// when its key is free and its parent exists.
bool Restaurar(Connection& conexion, Utilerias& utilerias, qint64 id, QString* error, QString* clave = nullptr);
// The change `id` undone when the group still holds exactly what that change left: a change or
// a key change puts the earlier values back (a key change takes the direct subgroups back with
// the key, as it took them); a creation deletes the group, which must have no subgroups.
bool Deshacer(Connection& conexion, Utilerias& utilerias, qint64 id, QString* error, QString* clave = nullptr);

}  // namespace Reorganizacion
