#pragma once

#include "Ado.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

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
    QString archivo;       // SQLite: the database file (created when missing)
    QString servidor;      // PostgreSQL: host name or address
    int puerto = 5432;
    QString base;
    QString usuario;
    QString clave;
    QString operador;      // empty: the database login (see Operador)
    int esperaBloqueoMs = 5000;  // how long a statement waits for another user's lock
    QString esquema;       // PostgreSQL: schema to work in (empty: the server's search path)
};

// Closes the open connection, if any; the next Conexion() opens the new configuration.
void Configurar(const Configuracion& configuracion);
Configuracion ConfiguracionActual();
// The default: the SQLite file Kestrima/tq614.db in the user's data folder.
Configuracion ConfiguracionPredeterminada();
// Reads a settings file (INI). Its [BaseDeDatos] group holds Motor (sqlite or postgresql),
// Archivo, Servidor, Puerto, Base, Usuario, Clave, Esquema, Operador and EsperaBloqueoMs; what
// is missing keeps the default. A missing file gives the default configuration.
Configuracion LeerConfiguracion(const QString& archivoIni);

// The one shared connection, opened on first use; the schema is created when missing.
// Throws ErrorEjecucion when the database cannot be opened.
Connection* Conexion();
// Closes the shared connection (an open transaction is rolled back by the database).
void Cerrar();

// The operator of this session: the configured one, else the database login.
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

// The listings handed to the report viewer while messages are recorded, oldest first.
void RegistrarReporte(const QString& listado);
QStringList ReportesRegistrados();
void LimpiarReportes();

} // namespace Sesion
