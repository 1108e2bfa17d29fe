#include "ConexionPostgres.h"

#include "DesenlaceIncierto.h"
#include "ErrorEjecucion.h"
#include "MotivoDeConexion.h"
#include "ParametrosPostgres.h"
#include "RecordsetEnMemoria.h"
#include "ResultadoPostgres.h"
#include "SentenciaParametrizada.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <libpq-fe.h>
#include <thread>
#include <poll.h>

Q_LOGGING_CATEGORY(lcConexion, "kestrima.conexion")

using namespace std::chrono_literals;

namespace {

constexpr int kSentenciasEnCache = 256;
constexpr auto kMarcador = SentenciaParametrizada::Marcador::Dolar;

QString campo(const PGresult* resultado, int codigo)
{
    return resultado ? QString::fromUtf8(PQresultErrorField(resultado, codigo)) : QString();
}

QString descripcionEnEspanol(const QString& estado, const PGresult* r)
{
    if (estado == QLatin1String("23505"))
        return QStringLiteral("Ya existe un registro con la misma clave en la tabla %1")
            .arg(campo(r, PG_DIAG_TABLE_NAME));
    if (estado == QLatin1String("23502"))
        return QStringLiteral("Falta un valor obligatorio: %1.%2")
            .arg(campo(r, PG_DIAG_TABLE_NAME), campo(r, PG_DIAG_COLUMN_NAME));
    if (estado == QLatin1String("23514"))
        return QStringLiteral("Un valor no es válido para la base de datos (regla %1); revise que no sea más largo "
                              "de lo permitido")
            .arg(campo(r, PG_DIAG_CONSTRAINT_NAME));
    if (estado.startsWith(QLatin1String("23")))
        return QStringLiteral("El cambio viola una regla de integridad de la base de datos");
    if (estado == QLatin1String("22001"))
        return QStringLiteral("Un texto es más largo de lo que admite la columna");
    if (estado.startsWith(QLatin1String("22")))
        return QStringLiteral("Un valor no tiene el formato que espera la base de datos");
    if (estado == QLatin1String("55P03"))
        return QStringLiteral("La base de datos está ocupada: otro usuario tiene bloqueado el registro. Intente de "
                              "nuevo en unos momentos");
    if (estado == QLatin1String("40P01") || estado == QLatin1String("40001"))
        return QStringLiteral("El cambio chocó con el de otro usuario y se deshizo; intente de nuevo");
    if (estado == QLatin1String("25006"))
        return QStringLiteral("La base de datos sólo admite consultas en esta sesión: el cambio no se hizo");
    if (estado == QLatin1String("25P02"))
        return QStringLiteral("La transacción quedó anulada por un error anterior; se debe deshacer");
    if (estado.startsWith(QLatin1String("08")) || estado.startsWith(QLatin1String("57P")))
        return QStringLiteral("Se perdió la conexión con el servidor de la base de datos");
    if (estado.startsWith(QLatin1String("53")))
        return QStringLiteral("El servidor de la base de datos no tiene recursos (disco, memoria o conexiones) "
                              "para completar la operación");
    if (estado.startsWith(QLatin1String("42")))
        return QStringLiteral("Error en la sentencia SQL");
    return QStringLiteral("Error de la base de datos");
}

// Whether libpq refused every host only because each was a standby (target_session_attrs).
bool soloRespondieronReservas(const QString& detalle)
{
    return detalle.contains(QLatin1String("session is read-only"))
           || detalle.contains(QLatin1String("server is in hot standby mode"));
}

// How many hosts libpq will try: each may take the whole deadline.
int hostsDe(const PGconn* conn)
{
    int hosts = 1;
    PQconninfoOption* opciones = PQconninfo(const_cast<PGconn*>(conn));
    for (const PQconninfoOption* o = opciones; o && o->keyword; ++o) {
        if (o->val && (qstrcmp(o->keyword, "host") == 0 || qstrcmp(o->keyword, "hostaddr") == 0))
            hosts = qMax(hosts, static_cast<int>(QByteArrayView(o->val).count(',')) + 1);
    }
    PQconninfoFree(opciones);
    return hosts;
}

// A statement that only reads: cut short, it leaves nothing in doubt.
bool esLectura(const QString& sql)
{
    static const QRegularExpression lectura(QStringLiteral("^[\\s(]*(SELECT|VALUES|SHOW|TABLE)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return lectura.match(sql).hasMatch();
}

// A request that needs no text of its own beyond a fixed command (BEGIN, SAVEPOINT...),
// in the extended protocol that libpq's pipeline mode takes.
std::function<int(pg_conn*)> control(const char* sql)
{
    return [sql](pg_conn* c) { return PQsendQueryParams(c, sql, 0, nullptr, nullptr, nullptr, nullptr, 0); };
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

ConexionPostgres::Cadena ConexionPostgres::LeerCadena(const QString& valor)
{
    // libpq's own test: a value of a plain field is a whole connection string when it starts
    // as a URI or holds an equals sign.
    if (!valor.startsWith(QLatin1String("postgresql://")) && !valor.startsWith(QLatin1String("postgres://"))
        && !valor.contains(QLatin1Char('=')))
        return Cadena::Simple;
    char* error = nullptr;
    PQconninfoOption* opciones = nullptr;
    {
        const LibpqEnIngles enIngles;
        opciones = PQconninfoParse(valor.toUtf8().constData(), &error);
    }
    // An unknown setting's name is all libpq will say of it when it connects; any other error
    // may quote the value, password included.
    const bool ajusteDesconocido = error && qstrncmp(error, "invalid connection option", 25) == 0;
    PQfreemem(error);
    if (!opciones && ajusteDesconocido)
        return valor.contains(QLatin1String("password"), Qt::CaseInsensitive) ? Cadena::ConContrasena
                                                                             : Cadena::SinContrasena;
    if (!opciones)
        return Cadena::Ilegible;
    bool lleva = false;
    for (const PQconninfoOption* o = opciones; o->keyword; ++o)
        lleva |= qstrcmp(o->keyword, "password") == 0 && o->val && *o->val;
    PQconninfoFree(opciones);
    return lleva ? Cadena::ConContrasena : Cadena::SinContrasena;
}

QString ConexionPostgres::DondeVaLaContrasena()
{
    return QStringLiteral("La contraseña va en el archivo de contraseñas de PostgreSQL (~/.pgpass, o el que indique "
                          "la variable PGPASSFILE, legible sólo por su dueño), en el archivo de servicios "
                          "(pg_service.conf) o en la variable de entorno PGPASSWORD; si no está en ninguno, el "
                          "programa la pide al conectar.");
}

QString ConexionPostgres::SinPermiso(const QString& usuario, bool lectura)
{
    const QString rol = lectura ? QStringLiteral("tq614_lectura") : QStringLiteral("tq614_edicion");
    return QStringLiteral("El usuario %1 de la base de datos no tiene permiso para %2 el catálogo (le falta el rol "
                          "%3). Pida al administrador de la base de datos que ejecute: GRANT %3 TO %1")
        .arg(usuario, lectura ? QStringLiteral("consultar") : QStringLiteral("modificar"), rol);
}

int ConexionPostgres::ProcesoDelServidor() const
{
    return PQbackendPID(m_conn);
}

// Opens the session. When the server asks for a password that libpq has not found, the user
// is asked once; a password that did not open the session is not kept. A failure says why in
// the user's words; libpq's own text goes to its details and to the log.
void ConexionPostgres::conectar()
{
    bool preguntada = false;
    for (Destino hacia = Destino::Configurado;;) {
        abrir(hacia);
        if (PQstatus(m_conn) == CONNECTION_OK)
            break;
        const bool faltaContrasena = PQconnectionNeedsPassword(m_conn);
        ErrorDeConexion error = MotivoDeConexion(m_conn, !m_contrasena.isEmpty());
        const QString adonde = DestinoDeConexion::De(m_conn).Texto();
        cerrar();
        if (hacia == Destino::Configurado && m_reservaSoloLectura && soloRespondieronReservas(error.Detalle())) {
            hacia = Destino::AunReserva;
            continue;
        }
        if (faltaContrasena && !preguntada && Sesion::Interactivo()) {
            preguntada = true;
            if (const auto contrasena = Sesion::PedirClave(adonde)) {
                m_contrasena = contrasena->toUtf8();
                continue;
            }
            error = ErrorDeConexion(ErrorDeConexion::Tipo::Cancelada,
                                    QStringLiteral("Se canceló la conexión con la base de datos: no se escribió la "
                                                   "contraseña de %1.")
                                        .arg(adonde),
                                    error.Detalle());
        } else if (faltaContrasena) {
            error = ErrorDeConexion(ErrorDeConexion::Tipo::SinContrasena,
                                    QStringLiteral("El servidor PostgreSQL pide la contraseña de %1 y no está en "
                                                   "ninguno de sus sitios. %2")
                                        .arg(adonde, DondeVaLaContrasena()),
                                    error.Detalle());
        }
        m_contrasena.fill('\0');
        m_contrasena.clear();
        qCWarning(lcConexion).noquote() << error.Description() << QStringLiteral("| libpq:") << error.Detalle();
        throw error;
    }
    // Nothing waits on the socket but our own bounded wait, not even closing it.
    PQsetnonblocking(m_conn, 1);
    PQsetErrorVerbosity(m_conn, PQERRORS_DEFAULT);
    // Notices (a table that already exists, and the like) are no concern of the user's.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    const Resultado identidad = ejecutarVarias(m_ajustes);
    const auto valor = [&](int columna) { return QString::fromUtf8(PQgetvalue(identidad.get(), 0, columna)); };
    m_identidad = {valor(0), valor(1) == QLatin1String("t"), valor(2) == QLatin1String("t"),
                   valor(3) == QLatin1String("t")};
}

// Starts libpq's connection and drives it within the deadline, once per host it may try.
void ConexionPostgres::abrir(Destino hacia)
{
    std::vector<const char*> claves, valores;
    for (const auto& [clave, valor] : m_parametros) {
        claves.push_back(clave.constData());
        valores.push_back(valor.constData());
    }
    if (hacia == Destino::AunReserva) {  // the last keyword wins
        claves.push_back("target_session_attrs");
        valores.push_back("any");
    }
    if (!m_contrasena.isEmpty()) {
        claves.push_back("password");
        valores.push_back(m_contrasena.constData());
    }
    claves.push_back(nullptr);
    valores.push_back(nullptr);
    const LibpqEnIngles ingles;
    m_conn = PQconnectStartParams(claves.data(), valores.data(), 1);
    if (!m_conn)
        throw std::bad_alloc();
    // The server's reasons then carry their SQLSTATE, which MotivoDeConexion reads.
    PQsetErrorVerbosity(m_conn, PQERRORS_VERBOSE);
    const Limite limite = std::chrono::steady_clock::now() + m_espera * hostsDe(m_conn);
    // Just started, libpq waits to write.
    for (auto paso = PGRES_POLLING_WRITING; paso != PGRES_POLLING_OK && PQstatus(m_conn) != CONNECTION_BAD;
         paso = PQconnectPoll(m_conn)) {
        if (!esperar(paso == PGRES_POLLING_READING ? POLLIN : POLLOUT, limite)) {
            const QString adonde = DestinoDeConexion::De(m_conn).Texto();
            cerrar();
            throw ErrorDeConexion(ErrorDeConexion::Tipo::Inalcanzable,
                                  QStringLiteral("El servidor PostgreSQL no respondió en %1 s al conectar (%2)")
                                      .arg(m_espera.count() / 1000.0)
                                      .arg(adonde),
                                  {});
        }
    }
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

// A session the server ended while it sat idle (its backend terminated, the server restarted)
// has said so on the socket: noticed before a statement goes, the statement goes to a new
// session instead of into doubt. Costs a look at the socket, no round trip.
bool ConexionPostgres::sesionTerminada()
{
    for (int vistas = 0; !conexionPerdida() && vistas < 3; ++vistas) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        if (::poll(&socket, 1, 0) <= 0 || !PQconsumeInput(m_conn))
            break;
    }
    return conexionPerdida();
}

// On a standby, the first statement of each new action looks for a primary again (one back, or
// another promoted); while none answers the new session is on a standby again. A standby
// promoted under the session needs none of this: the server reports the change itself.
void ConexionPostgres::buscarPrincipal()
{
    if (!m_accionNueva || !EnReserva())
        return;
    m_accionNueva = false;
    reconectar();
}

bool ConexionPostgres::EnReserva() const
{
    return m_conn && qstrcmp(PQparameterStatus(m_conn, "in_hot_standby"), "on") == 0;
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

ConexionPostgres::Resultado ConexionPostgres::comprobar(PGresult* crudo)
{
    Resultado resultado(crudo, PQclear);
    const ExecStatusType estado = crudo ? PQresultStatus(crudo) : PGRES_FATAL_ERROR;
    if (estado == PGRES_COMMAND_OK || estado == PGRES_TUPLES_OK)
        return resultado;
    QString sqlstate = campo(crudo, PG_DIAG_SQLSTATE);
    QString mensaje = crudo ? campo(crudo, PG_DIAG_MESSAGE_PRIMARY) : QString();
    if (mensaje.isEmpty())
        mensaje = QString::fromUtf8(crudo ? PQresultErrorMessage(crudo) : PQerrorMessage(m_conn)).trimmed();
    if (sqlstate.isEmpty() && PQstatus(m_conn) != CONNECTION_OK)
        sqlstate = QStringLiteral("08006");
    m_ultimoErrorFueDeConexion =
        conexionPerdida() || sqlstate.startsWith(QLatin1String("08")) || sqlstate.startsWith(QLatin1String("57P"));
    if (sqlstate == QLatin1String("42501"))
        throw ErrorEjecucion(SinPermiso(m_identidad.usuario, m_ultimaFueLectura), sqlstate);
    // A standby refuses every change; the user is told why and what to do.
    const QString espanol =
        sqlstate == QLatin1String("25006") && EnReserva()
            ? QStringLiteral("El catálogo está abierto sólo para consulta: el servidor principal no responde y el de "
                             "reserva no admite cambios. El cambio no se hizo; repítalo cuando vuelva el principal")
            : descripcionEnEspanol(sqlstate, crudo);
    QString descripcion = QStringLiteral("%1 (%2)").arg(espanol, mensaje);
    const QString detalle = campo(crudo, PG_DIAG_MESSAGE_DETAIL);
    if (!detalle.isEmpty())
        descripcion += QLatin1Char(' ') + detalle;
    throw ErrorEjecucion(descripcion, sqlstate);
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

// A new session. A transaction still waiting in the queue, which the old session never saw,
// goes on in the new one.
void ConexionPostgres::reconectar()
{
    const bool reanudar = m_transaccion && m_transaccionSinEnviar;
    std::vector<EnCola> cola = reanudar ? std::exchange(m_enCola, {}) : std::vector<EnCola>();
    cerrar();
    m_transaccion = reanudar;
    m_transaccionSinEnviar = reanudar;
    m_enCola = std::move(cola);
    m_rafaga.Olvidar();
    conectar();
    ++m_reconexiones;
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
