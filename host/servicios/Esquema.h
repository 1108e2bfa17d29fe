#pragma once

#include "Sesion.h"

class Connection;

// The tables the services work on, created when missing: the catalogue of account groups
// (key unique, an index on the parent key, and triggers that keep a group from being left
// under a parent that is deleted or whose key changes while it is written) and the library's own tables of parameters,
// operator permissions, audit log and schema version. The same statements run on both
// engines except where a type differs; text compares byte by byte on both (PostgreSQL
// columns are COLLATE "C"), so keys order alike on SQLite and PostgreSQL.
namespace Esquema {

// The version this library writes and understands.
// 2: the parent rule of the catalogue (triggers and Kes_Clave_Retirada).
constexpr int kVersion = 2;

// Creates what is missing and records the version, in one transaction. Throws when the
// database carries a newer version than this library knows.
void Preparar(Connection& conexion, Sesion::Configuracion::Motor motor);

// The version recorded in the database, or 0 when there is none.
int Version(Connection& conexion);

} // namespace Esquema
