#pragma once

#include "Ado.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AccesoDatos;

// Process-wide state of the host's services: which database they work on, the one shared
// connection, the trace of every call the component makes, and the non-interactive mode in
// which messages and listings are recorded instead of shown. Everything here is used from
// the user-interface thread only.
namespace Sesion {

struct Configuracion
{
    enum Motor { SQLite, PostgreSQL };
    Motor motor = SQLite;
    QString archivo;  // SQLite: the database file (created when missing)
    // PostgreSQL: whatever libpq takes. A connection string or URI ("host=a,b
    // target_session_attrs=read-write sslmode=verify-full sslrootcert=ca.crt ..."), a service
    // of pg_service.conf, and the plain fields below, which win over both when set. Passwords
    // never come from here: libpq finds them in its password file, the service file or
    // PGPASSWORD, and when the server asks for one that it has not got, the user is asked.
    QString conexion;
    QString servicio;
    QString servidor;  // host name or address
    int puerto = 0;  // 0: the connection string's, else libpq's default
    QString base;
    QString usuario;
    QString operador;  // SQLite: empty for the database login (see Operador); ignored on PostgreSQL
    int esperaBloqueoMs = 5000;  // how long a statement waits for another user's lock
    // PostgreSQL: how long a statement or a connection waits for a silent server before it
    // is cancelled and the connection given up (the next action opens a new one).
    int esperaServidorMs = 15000;
    QString esquema;  // PostgreSQL: schema to work in (empty: the server's search path)
    // PostgreSQL: a burst of same-shape reads is answered from a table of at most this many
    // rows fetched at once (RafagaDeLecturas); 0 runs every statement on its own.
    int filasPorRafaga = 200000;
    // SQLite: a run of queries shares one read transaction, told of other connections'
    // commits by a look at the WAL index in shared memory (LecturaCompartidaSqlite); off,
    // every query reads on its own.
    bool lecturaCompartida = true;
    // PostgreSQL: when no primary answers but a standby does, the catalogue opens on the standby
    // for reading only (changes refused) instead of not at all.
    bool reservaSoloLectura = true;
};

// Closes the open connection, if any; the next Conexion() opens the new configuration.
void Configurar(const Configuracion& configuracion);
Configuracion ConfiguracionActual();
// The default: the SQLite file Kestrima/tq614.db in the user's data folder.
Configuracion ConfiguracionPredeterminada();
// Reads a settings file (INI). Its [BaseDeDatos] group holds Motor (sqlite or postgresql),
// Archivo, Conexion, Servicio, Servidor, Puerto, Base, Usuario, Esquema, Operador,
// EsperaBloqueoMs, EsperaServidorMs, FilasPorRafaga, LecturaCompartida and ReservaSoloLectura
// (true or false); what is missing keeps the default (Conexion or Servicio alone mean
// PostgreSQL). A file that cannot be read, or that holds a password (see RevisarConexion), is
// refused (ErrorEjecucion naming the file and, for a password, where it belongs).
Configuracion LeerConfiguracion(const QString& archivoIni);
// Why a value given for a PostgreSQL connection may not be used, or the empty text: libpq
// reads it as a connection string (see ConexionPostgres::LeerCadena) and it carries a
// password, or libpq cannot read it (the value is not repeated).
QString ClaveEnCadena(const QString& cadena);
// The same for every connection value of `c`, the first at fault named as `nombres` names
// the connection string, service, server, database and user (the INI keys by default).
QString RevisarConexion(const Configuracion& c,
                        const QStringList& nombres = {QStringLiteral("Conexion"), QStringLiteral("Servicio"),
                                                      QStringLiteral("Servidor"), QStringLiteral("Base"),
                                                      QStringLiteral("Usuario")});
// Whether a user can be asked and shown messages: not in the non-interactive mode, and only
// with a QApplication.
bool Interactivo();
// Asks the user for the password the server wants for `destino` (user and server), in a
// dialog, one at a time; nothing when the user cancels, nobody can be asked (Interactivo) or
// the dialog is already open.
std::optional<QString> PedirClave(const QString& destino);

// The one shared connection, opened on first use. A SQLite file is created or upgraded when
// needed; a PostgreSQL schema must have been prepared by its owner (PrepararServidor), and the
// login must be allowed to read the catalogue. Throws ErrorEjecucion when the database cannot
// be opened, with the reason.
Connection* Conexion();
// Closes the shared connection (an open transaction is rolled back by the database).
void Cerrar();
// Creates or upgrades the configured database's schema, with its roles and rights on
// PostgreSQL (run by the database's owner), on a connection of its own. Throws on failure;
// returns what the owner must repair (groups that break the key rule), or the empty text.
QString PrepararServidor();
// Empty when this session may change the catalogue, else a short reason in Spanish why not
// (opening the connection when needed).
QString MotivoSoloLectura();

// The operator of this session: on PostgreSQL always the database login; on SQLite the
// configured one, else the database login.
QString Operador();
// The login the database knows this session by: on PostgreSQL the server's session user
// (opening the connection when needed), on SQLite the operating system's user.
QString UsuarioDeLaBase();
QString UsuarioDelSistema();

// An identifier of this process's session, written to the audit log.
QString IdSesion();

// --- Trace -------------------------------------------------------------------------------
// Writes every call of the component to the services as one JSON object per line. An empty
// name stops writing. The environment variable TQ614_TRAZA names a file at first use.
void EstablecerTraza(const QString& archivo);
// Receives every traced call in memory as well (tests); an empty function removes it.
void EstablecerObservadorTraza(std::function<void(const QJsonObject&)> observador);
bool TrazaActiva();
void Trazar(const QJsonObject& llamada);

// --- Messages and listings -----------------------------------------------------------------
struct MensajeRegistrado
{
    QString texto;
    long estilo = 0;
    QString titulo;
    qintptr ventana = 0;
    QString proyecto;
    QString idError;
};

// In the non-interactive mode (environment TQ614_MENSAJES=registrar) messages and listings
// are recorded instead of shown, so nothing waits for a user. A process without a
// QApplication (no widgets to show them with) records them too.
void RegistrarMensajes(bool registrar);
bool MensajesRegistrandose();
QList<MensajeRegistrado> MensajesRegistrados();
void LimpiarMensajes();

// Shows a message (or records it) and writes one log line with its project and error id.
void MostrarMensaje(const MensajeRegistrado& mensaje);
// Tells the user something that went well after all (an information message), once control
// returns to the event loop: after the action that learnt it, not in its middle.
void AvisarAlVolver(const QString& texto);

// The listings handed to the report viewer while messages are recorded, oldest first.
void RegistrarReporte(const QString& listado);
QStringList ReportesRegistrados();
void LimpiarReportes();

}  // namespace Sesion
