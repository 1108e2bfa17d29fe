#pragma once

#include <QString>
#include <QStringList>

// What a PostgreSQL server gets beyond the tables, run by the database's owner when it
// prepares the server: the history written only by the database, and the two group roles
// with their rights. `esquema` is the schema the tables live in, already quoted.
namespace EsquemaServidor {

constexpr const char* kRolLectura = "tq614_lectura";
constexpr const char* kRolEdicion = "tq614_edicion";

// The trigger function that writes and seals Kes_Historial, run with its owner's rights and a
// fixed search path, and the triggers that call it.
QStringList HistorialSellado(const QString& esquema);
// The catalogue's other trigger functions run with their owner's rights and a fixed search
// path too: a temporary table of a session can shadow none of their tables.
QStringList FuncionesProtegidas(const QString& esquema);
// The group roles (created when missing), and every right: nothing for PUBLIC, reading for
// both roles, changing the catalogue and writing its change log for tq614_edicion.
QStringList RolesYPermisos(const QString& esquema);

}  // namespace EsquemaServidor
