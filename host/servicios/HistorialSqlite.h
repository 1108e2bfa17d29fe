#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The change history of the catalogue on SQLite, written by the file's own triggers (see
// Esquema for the table and PostgreSQL's EsquemaServidor for the server's).
namespace HistorialSqlite {

// The statements that create the triggers, with the columns the table has now.
QStringList Disparadores(Connection& conexion);
// The statements that drop them (older versions' triggers are made anew).
QStringList Borrar();
// Makes again the triggers someone dropped; the notice for the user, empty when none was missing.
QString Restaurar(Connection& conexion);

}  // namespace HistorialSqlite
