#pragma once

#include "Ado.h"
#include "AlVolverAlBucle.h"
#include "AnalizadorSentencias.h"
#include "ColumnasRecordset.h"
#include "RafagaDeLecturas.h"
#include "Sesion.h"

#include <QByteArray>
#include <QCache>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;

// The connection to a PostgreSQL server through libpq. Each distinct statement shape (the
// text with its quoted literals taken out, see SentenciaParametrizada) is prepared once on
// the server and then run with PQexecPrepared, so texts that differ only in their literals
// cost one round trip each. Every result is read whole before Execute returns, and its
// columns are mapped from its own description. A prepared statement that went stale (its
// table changed shape) is prepared again, and run again when no transaction is open.
// Outside a transaction, a burst of reads of one shape is answered from rows fetched once
// (RafagaDeLecturas).
//
// What needs no answer before the next statement travels with it, in libpq's pipeline mode:
// BEGIN goes with the transaction's first statement, a new shape's preparation (under a
// savepoint inside a transaction) with its first run, and a write queued with
// ExecuteSinRespuesta with the next statement or the COMMIT. A queued write that fails is
// reported there, with its own message, and the transaction can only be rolled back.
//
// The connection's settings are libpq's own (a connection string, a service, the plain
// fields), so TLS, several hosts, password and service files work as libpq documents them.
//
// Every exchange with the server is asynchronous and bounded by esperaServidorMs: a server
// that stops answering is sent a cancel and the connection is given up, and the caller gets
// an error instead of a frozen window. When the server ends the session (the backend is
// terminated, the network drops), the next statement outside a transaction reconnects once
// and runs again, unless it was a change already sent (never re-run blindly: its fate is
// unknown); inside a transaction the error is thrown, and the transaction counts as ended once
// RollbackTrans is called. A COMMIT left unanswered is resolved, not guessed: the transaction's
// id, taken with BEGIN, is looked up on a new session (DesenlaceIncierto).
//
// When only a standby answers (the primary down, not yet replaced) and the configuration allows
// it, the session opens on the standby, which reads and refuses every change (EnReserva); each
// new action then looks for a primary again.
class ConexionPostgres : public Connection
{
public:
    explicit ConexionPostgres(const Sesion::Configuracion& configuracion);
    ~ConexionPostgres() override;
    ConexionPostgres(const ConexionPostgres&) = delete;
    ConexionPostgres& operator=(const ConexionPostgres&) = delete;

    std::unique_ptr<Recordset> Execute(const QString& sql, long opciones = -1) override;
    std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) override;
    void ExecuteSinRespuesta(const QString& sql, const QVariantList& parametros) override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    bool EnTransaccion() const override;

    // Whether the session is on a standby server in recovery: it reads, and refuses every change.
    bool EnReserva() const;

    // What libpq makes of a value given for the connection (a connection string, a URI or a
    // plain field, which libpq reads as a connection string when it looks like one); where
    // a password belongs instead.
    enum class Cadena { Simple, SinContrasena, ConContrasena, Ilegible };
    static Cadena LeerCadena(const QString& valor);
    static QString DondeVaLaContrasena();

    // The login the server authenticated this session as, and whether the server lets it
    // read and change the catalogue; asked with the session's settings, on every connection.
    struct Identidad
    {
        QString usuario;
        bool lee = false;
        bool escribe = false;
        bool conRol = false;  // a member of either group role, or of the database's owner
    };
    const Identidad& IdentidadDelServidor() const { return m_identidad; }
    // The message for a right the server refused to `usuario`: what it lacks and how to get it.
    static QString SinPermiso(const QString& usuario, bool lectura);

    // For tests and diagnostics.
    int SentenciasEnCache() const { return static_cast<int>(m_cache.size()); }
    int Preparaciones() const { return m_preparaciones; }
    int Reconexiones() const { return m_reconexiones; }
    int ProcesoDelServidor() const;

private:
    struct Sentencia;
    using Resultado = std::unique_ptr<pg_result, void (*)(pg_result*)>;
    using Envio = std::function<int(pg_conn*)>;  // queues one request (a PQsend* call)
    static Envio control(const char* sql);
    // A statement that waits to travel with the next request: its text, values bound to $n.
    struct EnCola
    {
        QByteArray texto;
        QVariantList valores;
    };
    using Limite = std::chrono::steady_clock::time_point;
    // What a request cut short by the deadline leaves on the server: nothing (its transaction
    // ends with the connection), or a change whose fate is unknown (a COMMIT, or a write
    // outside a transaction, that the server may still carry out when it wakes).
    enum class AlCortar { Deshecho, EnDuda };
    // Which servers a connection takes: a primary as configured, or a standby too when none answers.
    enum class Destino { Configurado, AunReserva };

    std::unique_ptr<Recordset> conReconexion(const std::function<std::unique_ptr<Recordset>()>& ejecutar);
    std::unique_ptr<Recordset> ejecutar(const QString& sql, const QVariantList& parametros);
    Resultado ejecutarTexto(const SentenciaParametrizada& texto, AlCortar alCortar = AlCortar::Deshecho);
    std::unique_ptr<Recordset> correrPreparada(Sentencia& sentencia, const SentenciaParametrizada& forma,
                                               AlCortar alCortar);
    std::unique_ptr<Recordset> prepararYCorrer(const SentenciaParametrizada& forma, AlCortar alCortar);
    std::unique_ptr<Recordset> leer(const Resultado& resultado, Sentencia* sentencia);
    Resultado pedir(const Envio& enviar, AlCortar alCortar = AlCortar::Deshecho);
    Resultado pedirSolo(const Envio& enviar, AlCortar alCortar);
    void exigirConexion();
    std::vector<Resultado> pedirJuntas(const std::vector<Envio>& envios, AlCortar alCortar);
    void enviarEnTuberia(const std::vector<Envio>& envios, Limite limite, AlCortar alCortar);
    Resultado leerRespuesta(Limite limite, AlCortar alCortar);
    void vaciarSalida(Limite limite, AlCortar alCortar);
    bool esperar(short eventos, Limite limite) const;
    [[noreturn]] void abandonar(AlCortar alCortar);
    Resultado comprobar(pg_result* resultado);
    Resultado ejecutarControl(const char* sql, AlCortar alCortar = AlCortar::Deshecho);
    Resultado ejecutarVarias(const QByteArray& sql);
    Resultado confirmar();
    void conectar();
    void abrir(Destino hacia);
    bool sesionTerminada();
    void buscarPrincipal();
    void resolverCommitEnDuda(const QString& causa);
    QString estadoDeTransaccion(const QByteArray& xid);
    void cerrar() noexcept;
    void reconectar();
    void liberarPendientes();
    bool conexionPerdida() const;

    pg_conn* m_conn = nullptr;
    std::vector<std::pair<QByteArray, QByteArray>> m_parametros;  // libpq's keywords and values
    QByteArray m_contrasena;  // typed by the user when the server asked; never written anywhere
    QByteArray m_ajustes;  // the session settings, run on every new connection
    std::chrono::milliseconds m_espera;
    AnalizadorSentencias m_analizador{SentenciaParametrizada::Marcador::Dolar};
    std::vector<QByteArray> m_porLiberar;  // prepared statements evicted from the cache
    QCache<QString, Sentencia> m_cache;
    quint64 m_siguienteNombre = 0;
    int m_preparaciones = 0;
    int m_reconexiones = 0;
    bool m_transaccion = false;
    // BEGIN still travels in m_enCola: nothing of the transaction has reached the server, so
    // a session found lost can be opened anew and the transaction sent again.
    bool m_transaccionSinEnviar = false;
    std::vector<EnCola> m_enCola;
    bool m_ultimoErrorFueDeConexion = false;
    bool m_cambioEnviado = false;  // a change outside a transaction reached the socket: not to be re-run
    bool m_reservaSoloLectura = true;
    bool m_accionNueva = false;  // on a standby: control went back to the user since the last statement
    AlVolverAlBucle m_finDeAccion{[this] { m_accionNueva = true; }};
    QByteArray m_xid;  // the open transaction's id, as the server wrote it (empty on a standby)
    bool m_ultimaFueLectura = false;  // which right a refusal (42501) is about
    Identidad m_identidad;
    RafagaDeLecturas m_rafaga;
};
