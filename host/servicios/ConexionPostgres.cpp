#include "ConexionPostgres.h"

#include "DesenlaceIncierto.h"
#include "ErrorEjecucion.h"
#include "ParametrosPostgres.h"
#include "RecordsetEnMemoria.h"
#include "ResultadoPostgres.h"
#include "SentenciaParametrizada.h"

#include <QRegularExpression>
#include <libpq-fe.h>

namespace {

constexpr int kSentenciasEnCache = 256;
constexpr auto kMarcador = SentenciaParametrizada::Marcador::Dolar;

// A statement that only reads: cut short, it leaves nothing in doubt.
bool esLectura(const QString& sql)
{
    static const QRegularExpression lectura(QStringLiteral("^[\\s(]*(SELECT|VALUES|SHOW|TABLE)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return lectura.match(sql).hasMatch();
}

}  // namespace

struct ConexionPostgres::Sentencia
{
    QByteArray nombre;  // empty: the shape runs as literal text
    std::vector<QByteArray>* porLiberar = nullptr;
    std::shared_ptr<const ColumnasRecordset> columnas;
    std::vector<QByteArray> nombres;  // the columns as the server last described them
    std::vector<Oid> oids;
    std::vector<ValorPostgres::Tipo> tipos;

    ~Sentencia()
    {
        if (!nombre.isEmpty() && porLiberar)
            porLiberar->push_back(nombre);
    }

    // Whether a result's columns are those last seen: a table rebuilt in another column
    // order, or changed under a text that is not prepared, describes them anew.
    bool mismasColumnas(const PGresult* r) const
    {
        const int n = PQnfields(r);
        if (!columnas || n != static_cast<int>(nombres.size()))
            return false;
        for (int c = 0; c < n; ++c) {
            if (PQftype(r, c) != oids[size_t(c)] || qstrcmp(PQfname(r, c), nombres[size_t(c)]) != 0)
                return false;
        }
        return true;
    }
};

// A request that needs no text of its own beyond a fixed command (BEGIN, SAVEPOINT...),
// in the extended protocol that libpq's pipeline mode takes.
ConexionPostgres::Envio ConexionPostgres::control(const char* sql)
{
    return [sql](pg_conn* c) { return PQsendQueryParams(c, sql, 0, nullptr, nullptr, nullptr, nullptr, 0); };
}

ConexionPostgres::ConexionPostgres(const Sesion::Configuracion& configuracion)
    : m_espera(configuracion.esperaServidorMs > 0 ? configuracion.esperaServidorMs : 15000)
    , m_reservaSoloLectura(configuracion.reservaSoloLectura)
    , m_cache(kSentenciasEnCache)
    , m_rafaga(
          [this](const QString& sql, const QVariantList& valores) {
              return std::make_shared<const ResultadoPostgres>(
                  ejecutarTexto(SentenciaParametrizada::SinExtraer(sql, valores, kMarcador)).release());
          },
          configuracion.filasPorRafaga)
{
    // Whatever route the values took, none carries a password or an unreadable string.
    if (const QString motivo = Sesion::RevisarConexion(configuracion); !motivo.isEmpty())
        throw ErrorEjecucion(QStringLiteral("La configuración de la conexión, %1").arg(motivo));
    static const QRegularExpression identificador(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!configuracion.esquema.isEmpty() && !identificador.match(configuracion.esquema).hasMatch())
        throw ErrorEjecucion(QStringLiteral("El nombre de esquema \"%1\" no es válido").arg(configuracion.esquema));
    m_ajustes = "SET lock_timeout = " + QByteArray::number(qMax(0, configuracion.esperaBloqueoMs))
                + "; SET standard_conforming_strings = on; SET DateStyle = ISO";
    if (!configuracion.esquema.isEmpty())
        m_ajustes += "; SET search_path = " + configuracion.esquema.toUtf8();
    // Who the server knows this session as and what it may do with the catalogue, asked in the
    // same round trip: the server's rights, not a name of ours, decide (to_regclass is null
    // where the table is missing or its schema is not the login's to use).
    m_ajustes += "; SELECT session_user::text, has_table_privilege(to_regclass('grupo_cuenta_contable'), 'SELECT'),"
                 " has_table_privilege(to_regclass('grupo_cuenta_contable'), 'INSERT')"
                 " AND has_table_privilege(to_regclass('grupo_cuenta_contable'), 'UPDATE')"
                 " AND has_table_privilege(to_regclass('grupo_cuenta_contable'), 'DELETE'),"
                 " EXISTS (SELECT 1 FROM pg_roles WHERE (rolname IN ('tq614_lectura', 'tq614_edicion')"
                 " OR oid = (SELECT datdba FROM pg_database WHERE datname = current_database()))"
                 " AND pg_has_role(session_user, oid, 'MEMBER'))";

    // Later keywords win: our defaults first, then the user's service and connection string,
    // then the plain fields, and last what this code relies on.
    const auto agregar = [this](const char* clave, const QString& valor) {
        if (!valor.isEmpty())
            m_parametros.emplace_back(clave, valor.toUtf8());
    };
    // A link that drops is noticed by the kernel within the deadline too; a server that is
    // stopped is not (its kernel still answers), which is what the deadline itself is for.
    const QString segundos = QString::number(qMax<qint64>(1, m_espera.count() / 3000));
    agregar("fallback_application_name", QStringLiteral("TQ614"));
    agregar("keepalives", QStringLiteral("1"));
    agregar("keepalives_idle", segundos);
    agregar("keepalives_interval", segundos);
    agregar("keepalives_count", QStringLiteral("3"));
    agregar("tcp_user_timeout", QString::number(m_espera.count()));
    agregar("service", configuracion.servicio);
    agregar("dbname", configuracion.conexion);  // the first dbname is read as a connection string
    agregar("host", configuracion.servidor);
    agregar("port", configuracion.puerto > 0 ? QString::number(configuracion.puerto) : QString());
    agregar("dbname", configuracion.base);
    agregar("user", configuracion.usuario);
    agregar("client_encoding", QStringLiteral("UTF8"));
    conectar();
}

ConexionPostgres::~ConexionPostgres()
{
    cerrar();
    m_contrasena.fill('\0');
}

int ConexionPostgres::ProcesoDelServidor() const
{
    return PQbackendPID(m_conn);
}

void ConexionPostgres::cerrar() noexcept
{
    // Prepared statements die with the session.
    m_cache.clear();
    m_porLiberar.clear();
    PQfinish(m_conn);
    m_conn = nullptr;
}

std::unique_ptr<Recordset> ConexionPostgres::Execute(const QString& sql, long)
{
    return Execute(sql, QVariantList());
}

std::unique_ptr<Recordset> ConexionPostgres::Execute(const QString& sql, const QVariantList& parametros)
{
    return conReconexion([&] { return ejecutar(sql, parametros); });
}

std::unique_ptr<Recordset> ConexionPostgres::conReconexion(const std::function<std::unique_ptr<Recordset>()>& ejecutar)
{
    // A transaction whose BEGIN has not left the queue has nothing on the server to lose.
    const auto sinNadaQuePerder = [this] { return !m_transaccion || m_transaccionSinEnviar; };
    if (sinNadaQuePerder()) {
        if (sesionTerminada())
            reconectar();
        buscarPrincipal();
    }
    m_ultimoErrorFueDeConexion = false;
    m_cambioEnviado = false;
    try {
        auto respuesta = ejecutar();
        if (EnReserva())
            m_finDeAccion.Programar();
        return respuesta;
    } catch (const ErrorEjecucion&) {
        // Inside a transaction its changes are gone with the session: the caller must know.
        if (!m_ultimoErrorFueDeConexion || !sinNadaQuePerder())
            throw;
    }
    // A change that reached the server may have been carried out: run again, it would be twice.
    if (m_cambioEnviado)
        throw ErrorEjecucion(DesenlaceIncierto::Mensaje(DesenlaceIncierto::Desenlace::Desconocido,
                                                        QStringLiteral("Se perdió la conexión con el servidor de la "
                                                                       "base de datos al guardar el cambio")),
                             QLatin1String(DesenlaceIncierto::kCodigoDesconocido));
    reconectar();
    return ejecutar();
}

std::unique_ptr<Recordset> ConexionPostgres::ejecutar(const QString& sql, const QVariantList& parametros)
{
    liberarPendientes();
    if (!m_transaccion && parametros.isEmpty()) {
        if (auto respuesta = m_rafaga.ResponderMismaForma(m_analizador, sql))
            return respuesta;
    }
    const auto forma = m_analizador.Analizar(sql, parametros);
    forma.ExigirValores(parametros.size());
    const bool lectura = esLectura(sql);
    m_ultimaFueLectura = lectura;
    if (!m_transaccion) {
        if (auto respuesta = m_rafaga.Responder(forma, lectura))
            return respuesta;
    }
    const AlCortar alCortar = m_transaccion || lectura ? AlCortar::Deshecho : AlCortar::EnDuda;
    Sentencia* sentencia = forma.LiteralesExtraidos() ? m_cache.object(forma.Texto()) : nullptr;
    if (forma.LiteralesExtraidos() && !sentencia) {
        if (auto respuesta = prepararYCorrer(forma, alCortar))
            return respuesta;
    } else if (sentencia && !sentencia->nombre.isEmpty()) {
        try {
            return correrPreparada(*sentencia, forma, alCortar);
        } catch (const ErrorEjecucion& error) {
            // The table changed under the prepared statement (a column added, the table
            // rebuilt), or the session lost it: it is prepared anew. Outside a transaction the
            // failed run changed nothing and runs again; inside, the transaction is lost.
            if (error.Codigo() != QLatin1String("0A000") && error.Codigo() != QLatin1String("26000"))
                throw;
            m_cache.remove(forma.Texto());
            m_rafaga.Olvidar();
            if (m_transaccion)
                throw ErrorEjecucion(QStringLiteral("Una sentencia preparada dejó de valer en el servidor (la tabla "
                                                    "cambió de estructura mientras se usaba): la operación no se "
                                                    "completó y se deshace; repítala"),
                                     error.Codigo());
            if (auto respuesta = prepararYCorrer(forma, alCortar))
                return respuesta;
        }
    }
    // Not a shape worth sharing, or one the server would not take with parameters.
    const auto literal =
        forma.LiteralesExtraidos() ? SentenciaParametrizada::SinExtraer(sql, parametros, kMarcador) : forma;
    auto resultado = ejecutarTexto(literal, alCortar);
    sentencia = forma.LiteralesExtraidos() ? m_cache.object(forma.Texto()) : nullptr;
    return leer(resultado, sentencia);
}

// Runs a text as written, unprepared: one round trip, nothing kept on the server.
ConexionPostgres::Resultado ConexionPostgres::ejecutarTexto(const SentenciaParametrizada& texto, AlCortar alCortar)
{
    const ValoresPg valores(texto.Valores());
    const QByteArray utf8 = texto.Texto().toUtf8();
    return pedir(
        [&](pg_conn* c) {
            return PQsendQueryParams(c, utf8.constData(), valores.Cantidad(), nullptr, valores.Punteros(),
                                     valores.Largos(), valores.Formatos(), 0);
        },
        alCortar);
}

std::unique_ptr<Recordset> ConexionPostgres::correrPreparada(Sentencia& sentencia, const SentenciaParametrizada& forma,
                                                             AlCortar alCortar)
{
    const ValoresPg valores(forma.Valores());
    const auto resultado = pedir(
        [&](pg_conn* c) {
            return PQsendQueryPrepared(c, sentencia.nombre.constData(), valores.Cantidad(), valores.Punteros(),
                                       valores.Largos(), valores.Formatos(), 0);
        },
        alCortar);
    return leer(resultado, &sentencia);
}

// Prepares a new shape and runs it, in one exchange. Inside a transaction a refused
// preparation would abort the whole transaction, so it goes under a savepoint. When the
// server refuses the shape with parameters, it is remembered as one that runs as literal text,
// and the answer is nullptr.
std::unique_ptr<Recordset> ConexionPostgres::prepararYCorrer(const SentenciaParametrizada& forma, AlCortar alCortar)
{
    const QByteArray nombre = "kes_" + QByteArray::number(++m_siguienteNombre);
    const QByteArray texto = forma.Texto().toUtf8();
    const ValoresPg valores(forma.Valores());
    std::vector<Envio> envios;
    if (m_transaccion)
        envios.push_back(control("SAVEPOINT kes_preparar"));
    const size_t preparacion = envios.size();
    envios.emplace_back([&](pg_conn* c) {
        return PQsendPrepare(c, nombre.constData(), texto.constData(), valores.Cantidad(), nullptr);
    });
    if (m_transaccion)
        envios.push_back(control("RELEASE SAVEPOINT kes_preparar"));
    envios.emplace_back([&](pg_conn* c) {
        return PQsendQueryPrepared(c, nombre.constData(), valores.Cantidad(), valores.Punteros(), valores.Largos(),
                                   valores.Formatos(), 0);
    });
    std::vector<Resultado> resultados = pedirJuntas(envios, alCortar);
    if (preparacion > 0)
        comprobar(resultados.front().release());  // the savepoint
    if (PQresultStatus(resultados[preparacion].get()) != PGRES_COMMAND_OK) {
        if (conexionPerdida())
            comprobar(resultados[preparacion].release());
        if (m_transaccion)
            ejecutarControl("ROLLBACK TO SAVEPOINT kes_preparar");
        m_cache.insert(forma.Texto(), new Sentencia);
        return nullptr;
    }
    ++m_preparaciones;
    auto sentencia = std::make_unique<Sentencia>();
    sentencia->nombre = nombre;
    sentencia->porLiberar = &m_porLiberar;
    Sentencia* puntero = sentencia.get();
    m_cache.insert(forma.Texto(), sentencia.release());
    for (size_t i = preparacion + 1; i + 1 < resultados.size(); ++i)
        comprobar(resultados[i].release());  // the release of the savepoint
    return leer(comprobar(resultados.back().release()), puntero);
}

std::unique_ptr<Recordset> ConexionPostgres::leer(const Resultado& resultado, Sentencia* sentencia)
{
    PGresult* r = resultado.get();
    const int columnas = PQnfields(r);
    if (columnas == 0)
        return RecordsetEnMemoria::Vacio();
    std::shared_ptr<const ColumnasRecordset> nombres;
    std::vector<ValorPostgres::Tipo> tiposLocales;
    const std::vector<ValorPostgres::Tipo>* tipos = nullptr;
    if (sentencia && sentencia->mismasColumnas(r)) {
        nombres = sentencia->columnas;
        tipos = &sentencia->tipos;
    } else {
        QStringList lista;
        std::vector<QByteArray> crudos;
        std::vector<Oid> oids;
        for (int c = 0; c < columnas; ++c) {
            crudos.emplace_back(PQfname(r, c));
            oids.push_back(PQftype(r, c));
            lista << QString::fromUtf8(crudos.back());
            tiposLocales.push_back(ValorPostgres::De(oids.back()));
        }
        nombres = std::make_shared<const ColumnasRecordset>(std::move(lista));
        if (sentencia) {
            sentencia->columnas = nombres;
            sentencia->tipos = tiposLocales;
            sentencia->nombres = std::move(crudos);
            sentencia->oids = std::move(oids);
        }
        tipos = &tiposLocales;
    }
    const int cantidad = PQntuples(r);
    AlmacenFilas filas(columnas);
    filas.Reservar(cantidad);
    for (int f = 0; f < cantidad; ++f) {
        for (int c = 0; c < columnas; ++c) {
            if (PQgetisnull(r, f, c))
                filas.AgregarNulo();
            else
                ValorPostgres::Agregar(filas, (*tipos)[static_cast<size_t>(c)], PQgetvalue(r, f, c),
                                       PQgetlength(r, f, c));
        }
    }
    return std::make_unique<RecordsetEnMemoria>(std::move(nombres), std::move(filas));
}

ConexionPostgres::Resultado ConexionPostgres::ejecutarControl(const char* sql, AlCortar alCortar)
{
    return pedir(control(sql), alCortar);
}

// Several statements in one text (settings, deallocations): never inside a transaction,
// never with the queue. The last statement's answer is returned.
ConexionPostgres::Resultado ConexionPostgres::ejecutarVarias(const QByteArray& sql)
{
    return pedirSolo([&sql](pg_conn* c) { return PQsendQuery(c, sql.constData()); }, AlCortar::Deshecho);
}

bool ConexionPostgres::conexionPerdida() const
{
    return PQstatus(m_conn) != CONNECTION_OK;
}

// Statements evicted from the cache are deallocated, all in one request, when no
// transaction is open, where a failure could not abort anything.
void ConexionPostgres::liberarPendientes()
{
    if (m_porLiberar.empty() || m_transaccion || PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        return;
    QByteArray sql;
    for (const QByteArray& nombre : std::exchange(m_porLiberar, {}))
        sql += "DEALLOCATE " + nombre + ';';
    try {
        ejecutarVarias(sql);
    } catch (const ErrorEjecucion&) {
        if (conexionPerdida())
            throw;  // a statement already gone (the session lost it) is no loss
    }
}

void ConexionPostgres::ExecuteSinRespuesta(const QString& sql, const QVariantList& parametros)
{
    if (!m_transaccion) {
        Execute(sql, parametros);
        return;
    }
    m_analizador.Analizar(sql, parametros).ExigirValores(parametros.size());
    const auto texto = SentenciaParametrizada::SinExtraer(sql, parametros, kMarcador);
    m_enCola.push_back({texto.Texto().toUtf8(), texto.Valores()});
}
