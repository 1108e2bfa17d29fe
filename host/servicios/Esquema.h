#pragma once

#include "Sesion.h"

#include <QStringList>

class Connection;

// The tables the services work on, created when missing: the catalogue of account groups
// (key unique, an index on the parent key, and triggers that keep a group from being left
// under a parent that is deleted or whose key changes while it is written) and the library's own tables of parameters,
// operator permissions, audit log and schema version. The same statements run on both
// engines except where a type differs; text compares byte by byte on both (PostgreSQL
// columns are COLLATE "C"), so keys order alike on SQLite and PostgreSQL.
namespace Esquema {

// The version this library writes and understands. A database of an older version gets
// what is missing when it is opened.
// 2: the parent rule of the catalogue (triggers and Kes_Clave_Retirada).
// 3: the database login in the change log (Bit_Usuario_Base).
// 4: the change history of the catalogue (Kes_Historial and the triggers that write it).
// 5: the history sealed in a hash chain (His_Sello), its time in UTC; on PostgreSQL written
//    only by the database under its owner's rights, and the roles tq614_lectura and
//    tq614_edicion with their rights.
//    The key rule of the catalogue (no key "0" or empty, no group its own ancestor).
constexpr int kVersion = 5;

// Creates what is missing and records the version, in one transaction. Throws when the
// database carries a newer version than this library knows. On SQLite an up-to-date file
// whose history triggers were dropped gets them again, and an older one may hold groups that
// break the key rule: the notice for the user is returned (empty when there is none).
QString Preparar(Connection& conexion, Sesion::Configuracion::Motor motor);
// PostgreSQL, run by the database's owner: creates or upgrades the schema, the group roles
// when missing, and every right (see EsquemaServidor), in one transaction. Returns what the
// owner must repair (GruposFueraDeRegla), or the empty text.
QString PrepararServidor(Connection& conexion);
// PostgreSQL, a workstation: throws, telling the user to ask for the server's preparation,
// when the schema is missing or older; a workstation never changes the schema.
void ExigirPreparada(Connection& conexion);

// A SQL expression of a row of Grupo_Cuenta_Contable (`alias`: NEW, OLD or a table alias) as
// the history writes it, a JSON object of every column.
QString FilaComoJson(Connection& conexion, Sesion::Configuracion::Motor motor, const QString& alias);
// The seal of a history row: SHA-256 (hex) of the previous row's seal (empty for the first)
// and the row's fields in order (table, operation, key, previous key, before, after,
// operator, login, time), each as its length in UTF-8 bytes, ':' and its text, or '-' when
// null. The databases compute the same when they write the row.
QString Sello(const QString& anterior, const QVariantList& campos);

// The version recorded in the database, or 0 when there is none.
int Version(Connection& conexion);

// The statements that make the database refuse a group with the root's key "0", an empty
// key, or one that would be its own ancestor (each run again is harmless).
QStringList ReglaDeClaves(Sesion::Configuracion::Motor motor);
// The groups that break that rule, written before it existed: one Spanish line each, saying
// what to repair. Empty when there are none.
QStringList GruposFueraDeRegla(Connection& conexion);

// The columns of Grupo_Cuenta_Contable in the order of the table.
const QStringList& ColumnasDeGrupo();

// SQL expressions of the database's own clock, as the change log writes its times
// ("yyyy-MM-dd HH:mm:ss"), and of the login the session connected with. On SQLite the
// database runs in this process: its clock is this machine's and its login the system user
// (a function every connection registers).
QString AhoraDelServidor(Sesion::Configuracion::Motor motor);
QString UsuarioDeLaBase(Sesion::Configuracion::Motor motor);

}  // namespace Esquema
