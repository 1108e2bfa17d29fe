// How ConexionPostgres exchanges requests with the server: one request and its answer, or
// several sent together in libpq's pipeline mode and answered in one round trip; both within
// the connection's deadline.

#include "ConexionPostgres.h"

#include "ErrorEjecucion.h"
#include "ParametrosPostgres.h"

#include <algorithm>
#include <libpq-fe.h>
#include <poll.h>
#include <thread>

namespace {

bool correcto(const PGresult* resultado)
{
    const ExecStatusType estado = resultado ? PQresultStatus(resultado) : PGRES_FATAL_ERROR;
    return estado == PGRES_COMMAND_OK || estado == PGRES_TUPLES_OK;
}

}  // namespace

// Every request to the server goes through here: `enviar` queues it (one PQsend* call) and
// its answer is awaited within the deadline. A server that does not answer in time is given
// up (abandonar). Statements waiting in the queue travel with it. Returns the result, or
// throws its error.
ConexionPostgres::Resultado ConexionPostgres::pedir(const Envio& enviar, AlCortar alCortar)
{
    if (!m_enCola.empty())
        return comprobar(pedirJuntas({enviar}, alCortar).front().release());
    return pedirSolo(enviar, alCortar);
}

// One request on its own, outside pipeline mode: the only way for a text of several
// statements.
ConexionPostgres::Resultado ConexionPostgres::pedirSolo(const Envio& enviar, AlCortar alCortar)
{
    exigirConexion();
    const Limite limite = std::chrono::steady_clock::now() + m_espera;
    if (!enviar(m_conn))
        return comprobar(nullptr);
    vaciarSalida(limite, alCortar);
    return comprobar(leerRespuesta(limite, alCortar).release());
}

// The queued statements and then `envios`, all sent before any answer is read: one round
// trip. The server runs them in order and, after the first failure, skips the rest. A queued
// statement that failed is thrown; the answers to `envios` are returned in order, a failure
// or a skip included (PGRES_PIPELINE_ABORTED), for the caller to judge.
std::vector<ConexionPostgres::Resultado> ConexionPostgres::pedirJuntas(const std::vector<Envio>& envios,
                                                                       AlCortar alCortar)
{
    exigirConexion();
    std::vector<Envio> todos;
    for (const EnCola& sentencia : m_enCola) {
        todos.emplace_back([&sentencia](pg_conn* c) {
            const ValoresPg valores(sentencia.valores);
            return PQsendQueryParams(c, sentencia.texto.constData(), valores.Cantidad(), nullptr, valores.Punteros(),
                                     valores.Largos(), valores.Formatos(), 0);
        });
    }
    const auto encoladas = static_cast<std::ptrdiff_t>(todos.size());
    todos.insert(todos.end(), envios.begin(), envios.end());

    const Limite limite = std::chrono::steady_clock::now() + m_espera;
    enviarEnTuberia(todos, limite, alCortar);
    std::vector<Resultado> resultados;
    for (size_t i = 0; i < todos.size(); ++i)
        resultados.push_back(leerRespuesta(limite, alCortar));
    const Resultado sincronizacion = leerRespuesta(limite, alCortar);
    if (conexionPerdida() || PQresultStatus(sincronizacion.get()) != PGRES_PIPELINE_SYNC
        || !PQexitPipelineMode(m_conn)) {
        // The session broke on the way: its first failure, or libpq's own error, says how.
        const auto fallo = std::find_if(resultados.begin(), resultados.end(),
                                        [](const Resultado& r) { return r && !correcto(r.get()); });
        const bool perdida = conexionPerdida();
        if (!perdida)
            cerrar();  // libpq lost track of the exchange: the session cannot be trusted
        comprobar(fallo != resultados.end() && perdida ? fallo->release() : nullptr);
    }

    // The queue reached the server, and with its BEGIN the transaction.
    m_enCola.clear();
    m_transaccionSinEnviar = false;
    for (auto r = resultados.begin(); r != resultados.begin() + encoladas; ++r) {
        if (!correcto(r->get()))
            comprobar(r->release());
    }
    resultados.erase(resultados.begin(), resultados.begin() + encoladas);
    return resultados;
}

void ConexionPostgres::enviarEnTuberia(const std::vector<Envio>& envios, Limite limite, AlCortar alCortar)
{
    bool enviado = PQenterPipelineMode(m_conn);
    for (auto e = envios.begin(); enviado && e != envios.end(); ++e)
        enviado = (*e)(m_conn);
    if (!enviado || !PQpipelineSync(m_conn)) {
        const QString motivo = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        if (!conexionPerdida())
            cerrar();  // half a pipeline queued: the session cannot go on
        m_ultimoErrorFueDeConexion = true;
        throw ErrorEjecucion(QStringLiteral("Se perdió la conexión con el servidor de la base de datos (%1)").arg(motivo),
                             QStringLiteral("08006"));
    }
    vaciarSalida(limite, alCortar);
}

// Sends what libpq holds for the server, waiting while the socket is full.
void ConexionPostgres::vaciarSalida(Limite limite, AlCortar alCortar)
{
    int envio;
    while ((envio = PQflush(m_conn)) == 1) {
        if (!esperar(POLLIN | POLLOUT, limite))
            abandonar(alCortar);
        if (!PQconsumeInput(m_conn))
            break;
    }
    if (envio < 0)
        comprobar(nullptr);
}

// The answer to one request: its first error or else its last result; nullptr when the
// connection broke before any.
ConexionPostgres::Resultado ConexionPostgres::leerRespuesta(Limite limite, AlCortar alCortar)
{
    Resultado resultado(nullptr, PQclear);
    for (;;) {
        while (PQisBusy(m_conn)) {
            if (!esperar(POLLIN, limite))
                abandonar(alCortar);
            if (!PQconsumeInput(m_conn))
                break;  // the connection broke: PQgetResult says so
        }
        PGresult* siguiente = PQgetResult(m_conn);
        if (!siguiente)
            break;
        // The first error is the one to report; otherwise the last result counts.
        const ExecStatusType estado = resultado ? PQresultStatus(resultado.get()) : PGRES_COMMAND_OK;
        if (estado == PGRES_FATAL_ERROR || estado == PGRES_NONFATAL_ERROR)
            PQclear(siguiente);
        else
            resultado.reset(siguiente);
        // The sync point of a pipeline is answered alone, with nothing after it.
        if (PQresultStatus(resultado.get()) == PGRES_PIPELINE_SYNC)
            break;
    }
    return resultado;
}

void ConexionPostgres::exigirConexion()
{
    if (m_conn)
        return;
    m_ultimoErrorFueDeConexion = true;
    throw ErrorEjecucion(QStringLiteral("Se perdió la conexión con el servidor de la base de datos"),
                         QStringLiteral("08003"));
}

// Waits for the socket until `limite`; false when the time is up.
bool ConexionPostgres::esperar(short eventos, Limite limite) const
{
    pollfd socket{PQsocket(m_conn), eventos, 0};
    if (socket.fd < 0)
        return true;  // libpq reports the broken connection itself
    for (;;) {
        const auto restante = std::chrono::ceil<std::chrono::milliseconds>(limite - std::chrono::steady_clock::now());
        if (restante.count() <= 0)
            return false;
        const int listo = ::poll(&socket, 1, static_cast<int>(qMin<qint64>(restante.count(), INT_MAX)));
        if (listo > 0 || (listo < 0 && errno != EINTR))
            return true;  // ready, or an error that libpq will report
    }
}

// The server did not answer in time. It may be stopped or the link down, so the cancel
// request, which could wait as long, is sent from a thread of its own; the connection is
// closed without waiting, and the server ends whatever transaction it held when it notices.
void ConexionPostgres::abandonar(AlCortar alCortar)
{
    if (PGcancel* cancelacion = PQgetCancel(m_conn)) {
        std::thread([cancelacion] {
            char error[256];
            PQcancel(cancelacion, error, sizeof error);
            PQfreeCancel(cancelacion);
        }).detach();
    }
    cerrar();
    QString texto = QStringLiteral("El servidor de la base de datos no respondió en %1 s: se canceló la operación y "
                                   "se cerró la conexión, que la próxima acción abre de nuevo.")
                        .arg(m_espera.count() / 1000.0);
    texto += alCortar == AlCortar::EnDuda
                 ? QStringLiteral(" No se puede saber si el cambio llegó a guardarse: revíselo.")
                 : QStringLiteral(" Los cambios sin confirmar no se guardaron.");
    throw ErrorEjecucion(texto, QStringLiteral("57014"));
}
