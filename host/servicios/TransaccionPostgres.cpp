// ConexionPostgres's transactions: BEGIN queued to travel with the first statement, COMMIT
// with what is still queued, and a COMMIT left unanswered resolved by asking the server.

#include "ConexionPostgres.h"

#include "DesenlaceIncierto.h"
#include "ErrorEjecucion.h"

#include <libpq-fe.h>
#include <thread>

using namespace std::chrono_literals;

void ConexionPostgres::BeginTrans()
{
    if (m_transaccion)
        throw ErrorEjecucion(QStringLiteral("Ya hay una transacción abierta en la conexión: termínela (CommitTrans o "
                                            "RollbackTrans) antes de iniciar otra"));
    m_rafaga.Terminar();
    // BEGIN travels with the transaction's first statement (and with it the transaction's id,
    // see pedirJuntas).
    m_enCola.push_back({QByteArrayLiteral("BEGIN"), {}});
    m_transaccion = true;
    m_transaccionSinEnviar = true;
}

void ConexionPostgres::CommitTrans()
{
    if (!m_transaccion)
        throw ErrorEjecucion(QStringLiteral("No hay una transacción abierta que confirmar"));
    // After a failed CommitTrans the transaction still counts as open, so that the caller's
    // error handler can always end it with RollbackTrans.
    const QString anulada = QStringLiteral("La transacción quedó anulada por un error anterior: sus cambios no se "
                                           "guardaron");
    if (conexionPerdida())
        throw ErrorEjecucion(QStringLiteral("Se perdió la conexión con el servidor de la base de datos: los cambios "
                                            "de la transacción no se guardaron"),
                             QStringLiteral("08006"));
    if (PQtransactionStatus(m_conn) == PQTRANS_INERROR)
        throw ErrorEjecucion(anulada, QStringLiteral("25P02"));
    Resultado resultado(nullptr, PQclear);
    m_ultimoErrorFueDeConexion = false;
    try {
        resultado = confirmar();
    } catch (const ErrorEjecucion& error) {
        const bool callado = error.Codigo() == QLatin1String("57014") && !m_conn;
        if (!callado && !m_ultimoErrorFueDeConexion && !conexionPerdida())
            throw;  // the server answered: the COMMIT failed (a rule checked at the end)
        resolverCommitEnDuda(callado ? QStringLiteral("El servidor de la base de datos no respondió en %1 s al "
                                                      "guardar el cambio")
                                           .arg(m_espera.count() / 1000.0)
                                     : QStringLiteral("Se perdió la conexión con el servidor de la base de datos "
                                                      "al guardar el cambio"));
        return;
    }
    // COMMIT of a transaction the server has aborted answers ROLLBACK, without an error.
    if (qstrcmp(PQcmdStatus(resultado.get()), "COMMIT") != 0)
        throw ErrorEjecucion(anulada, QStringLiteral("25P02"));
    m_transaccion = false;
}

// COMMIT, after whatever the transaction still has queued, in one exchange.
ConexionPostgres::Resultado ConexionPostgres::confirmar()
{
    std::vector<Resultado> resultados = pedirJuntas({control("COMMIT")}, AlCortar::EnDuda);
    return comprobar(resultados.back().release());
}

// A COMMIT went unanswered: a new session asks the server what became of the transaction.
// Saved, the caller goes on as after any COMMIT and the user is told once control returns;
// otherwise the error says whether anything remains, and the transaction still counts as open
// until RollbackTrans (which has nothing left to do).
void ConexionPostgres::resolverCommitEnDuda(const QString& causa)
{
    using DesenlaceIncierto::Desenlace;
    const QByteArray xid = std::exchange(m_xid, {});
    QString estado;
    try {
        reconectar();
        if (!xid.isEmpty())
            estado = estadoDeTransaccion(xid);
    } catch (const ErrorEjecucion&) {
        // No server to ask, or one that never saw the transaction: its fate stays unknown.
    }
    const Desenlace desenlace = DesenlaceIncierto::DeEstado(estado);
    const QString mensaje = DesenlaceIncierto::Mensaje(desenlace, causa);
    m_transaccion = desenlace != Desenlace::Guardado;
    if (desenlace == Desenlace::Guardado) {
        Sesion::AvisarAlVolver(mensaje);
        return;
    }
    throw ErrorEjecucion(mensaje,
                         QLatin1String(desenlace == Desenlace::NoGuardado ? DesenlaceIncierto::kCodigoNoGuardado
                                                                          : DesenlaceIncierto::kCodigoDesconocido));
}

// pg_xact_status of a transaction id. The old session may not have ended yet on the server
// (a dropped link is noticed within moments): "in progress" is asked again for a few seconds.
QString ConexionPostgres::estadoDeTransaccion(const QByteArray& xid)
{
    const char* valor = xid.constData();
    const Limite limite = std::chrono::steady_clock::now() + qMin<std::chrono::milliseconds>(m_espera, 3s);
    for (;;) {
        const Resultado r = pedir([valor](pg_conn* c) {
            return PQsendQueryParams(c, "SELECT pg_xact_status($1::xid8)", 1, nullptr, &valor, nullptr, nullptr, 0);
        });
        const QString estado = QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
        if (estado != QLatin1String("in progress") || std::chrono::steady_clock::now() >= limite)
            return estado;
        std::this_thread::sleep_for(100ms);
    }
}

void ConexionPostgres::RollbackTrans()
{
    if (!m_transaccion)
        throw ErrorEjecucion(QStringLiteral("No hay una transacción abierta que deshacer"));
    m_transaccion = false;
    m_enCola.clear();
    // A transaction still in the queue never began on the server; a lost session or a failed
    // COMMIT has already ended it there.
    if (std::exchange(m_transaccionSinEnviar, false) || conexionPerdida()
        || PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        return;
    try {
        ejecutarControl("ROLLBACK");
    } catch (const ErrorEjecucion&) {
        // A session lost on the way, or given up as silent, ends the transaction too.
        if (!m_ultimoErrorFueDeConexion && !conexionPerdida())
            throw;
    }
}

bool ConexionPostgres::EnTransaccion() const
{
    return m_transaccion;
}
