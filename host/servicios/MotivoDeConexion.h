#pragma once

#include "ErrorEjecucion.h"

#include <QString>

struct pg_conn;

// Why a connection to the PostgreSQL server could not be opened, in the user's words: one
// reason per case, naming the values (user, server, database, service, setting) in «».
// libpq's own text goes apart (Detalle), for a message's details and the log.
class ErrorDeConexion : public ErrorEjecucion
{
public:
    enum class Tipo {
        Inalcanzable,  // no server answers there, or not in time
        ContrasenaRechazada,  // the password libpq found (its files, PGPASSWORD) was refused
        ContrasenaEscritaRechazada,  // the password the user typed was refused
        SinContrasena,  // the server wants one and nobody can be asked
        Cancelada,  // the user cancelled the password dialog
        AccesoNegado,  // the server's access rules (pg_hba.conf) refuse the user, the database or no TLS
        BaseInexistente,
        ServicioInexistente,
        Tls,  // TLS required and not offered, or the server's certificate not trusted
        Ajuste,  // a setting of the connection that libpq does not know or whose value it refuses
        Otro
    };

    ErrorDeConexion(Tipo tipo, const QString& motivo, const QString& detalle);

    Tipo Clase() const { return m_tipo; }
    QString Detalle() const { return m_detalle; }

private:
    Tipo m_tipo;
    QString m_detalle;
};

// Whom a connection is for: the values a reason names, as libpq resolved them.
struct DestinoDeConexion
{
    QString usuario, servidor, puerto, base, servicio;

    static DestinoDeConexion De(const pg_conn* conexion);
    // "«ana» en «db1:5432», base «conta»"
    QString Texto() const;
    QString Servidor() const;  // "«db1:5432»"
};

// The error for a connection that failed (status CONNECTION_BAD): its reason from libpq's
// message, read in English (see LibpqEnIngles), and the SQLSTATE the server sent, which
// libpq writes into the message at verbose error verbosity. `contrasenaEscrita`: the
// password came from the user, not from libpq's files.
ErrorDeConexion MotivoDeConexion(const pg_conn* conexion, bool contrasenaEscrita);

// While it lives, libpq's own messages on this thread are in English whatever the user's
// language, so that MotivoDeConexion can read them (the server's come with their SQLSTATE).
class LibpqEnIngles
{
public:
    LibpqEnIngles();
    ~LibpqEnIngles();
    LibpqEnIngles(const LibpqEnIngles&) = delete;
    LibpqEnIngles& operator=(const LibpqEnIngles&) = delete;

private:
    void* m_anterior;
    void* m_ingles;
};
