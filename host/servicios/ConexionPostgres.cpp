#include "ConexionPostgres.h"

#include "ErrorEjecucion.h"
#include "RecordsetEnMemoria.h"
#include "SentenciaParametrizada.h"

#include <QDateTime>
#include <QRegularExpression>
#include <libpq-fe.h>

namespace {

constexpr int kSentenciasEnCache = 256;
constexpr auto kMarcador = SentenciaParametrizada::Marcador::Dolar;

// Result column types, read once per statement shape.
enum class Tipo { Texto, Entero, Real, Logico, Binario };

Tipo tipoDe(Oid oid)
{
    switch (oid) {
    case 20: case 21: case 23: case 26:  // int8, int2, int4, oid
        return Tipo::Entero;
    case 700: case 701: case 1700:       // float4, float8, numeric
        return Tipo::Real;
    case 16:
        return Tipo::Logico;
    case 17:
        return Tipo::Binario;
    default:
        return Tipo::Texto;
    }
}

void agregar(AlmacenFilas& filas, Tipo tipo, const char* texto, int largo)
{
    switch (tipo) {
    case Tipo::Entero:
        filas.AgregarEntero(std::strtoll(texto, nullptr, 10));
        return;
    case Tipo::Real:
        filas.AgregarReal(QByteArray::fromRawData(texto, largo).toDouble());
        return;
    case Tipo::Logico:
        filas.AgregarLogico(texto[0] == 't');
        return;
    case Tipo::Binario: {  // text form of bytea: \x followed by hex digits
        const QByteArray bytes = QByteArray::fromHex(QByteArray::fromRawData(texto + 2, qMax(0, largo - 2)));
        filas.AgregarBinario(bytes.constData(), bytes.size());
        return;
    }
    case Tipo::Texto:
        filas.AgregarTexto(texto, largo);
        return;
    }
}

QString campo(const PGresult* resultado, int codigo)
{
    return resultado ? QString::fromUtf8(PQresultErrorField(resultado, codigo)) : QString();
}

QString descripcionEnEspanol(const QString& estado, const PGresult* r)
{
    if (estado == QLatin1String("23505"))
        return QStringLiteral("Ya existe un registro con la misma clave en la tabla %1").arg(campo(r, PG_DIAG_TABLE_NAME));
    if (estado == QLatin1String("23502"))
        return QStringLiteral("Falta un valor obligatorio: %1.%2")
            .arg(campo(r, PG_DIAG_TABLE_NAME), campo(r, PG_DIAG_COLUMN_NAME));
    if (estado == QLatin1String("23514"))
        return QStringLiteral("Un valor no es válido para la base de datos (regla %1); revise que no sea más largo "
                              "de lo permitido").arg(campo(r, PG_DIAG_CONSTRAINT_NAME));
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

// The values of a statement's parameters as libpq takes them: text, except bytes.
class ValoresPg
{
public:
    explicit ValoresPg(const QVariantList& valores)
    {
        const auto n = valores.size();
        m_datos.reserve(n);
        m_punteros.reserve(n);
        m_largos.reserve(n);
        m_formatos.reserve(n);
        for (const QVariant& valor : valores)
            agregar(valor);
        for (qsizetype i = 0; i < n; ++i)
            m_punteros.push_back(m_nulos[i] ? nullptr : m_datos[i].constData());
    }

    int Cantidad() const { return static_cast<int>(m_datos.size()); }
    const char* const* Punteros() const { return m_punteros.data(); }
    const int* Largos() const { return m_largos.data(); }
    const int* Formatos() const { return m_formatos.data(); }

private:
    void agregar(const QVariant& valor)
    {
        QByteArray datos;
        int formato = 0;
        const bool nulo = valor.isNull();
        if (!nulo) {
            switch (valor.typeId()) {
            case QMetaType::Bool:
                datos = valor.toBool() ? "true" : "false";
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                datos = QByteArray::number(valor.toDouble(), 'g', 17);
                break;
            case QMetaType::QDateTime:
                datos = valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
                break;
            case QMetaType::QByteArray:
                datos = valor.toByteArray();
                formato = 1;
                break;
            default:
                datos = valor.toString().toUtf8();
                break;
            }
        }
        m_largos.push_back(static_cast<int>(datos.size()));
        m_formatos.push_back(formato);
        m_nulos.push_back(nulo);
        m_datos.push_back(std::move(datos));
    }

    std::vector<QByteArray> m_datos;
    std::vector<const char*> m_punteros;
    std::vector<int> m_largos;
    std::vector<int> m_formatos;
    std::vector<bool> m_nulos;
};

} // namespace

struct ConexionPostgres::Sentencia
{
    QByteArray nombre;                        // empty: the shape runs as literal text
    std::vector<QByteArray>* porLiberar = nullptr;
    std::shared_ptr<const ColumnasRecordset> columnas;
    std::vector<Tipo> tipos;

    ~Sentencia()
    {
        if (!nombre.isEmpty() && porLiberar)
            porLiberar->push_back(nombre);
    }
};

ConexionPostgres::ConexionPostgres(const Sesion::Configuracion& configuracion)
    : m_cache(kSentenciasEnCache)
{
    static const QRegularExpression identificador(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!configuracion.esquema.isEmpty() && !identificador.match(configuracion.esquema).hasMatch())
        throw ErrorEjecucion(QStringLiteral("El nombre de esquema \"%1\" no es válido").arg(configuracion.esquema));
    QByteArray opciones = "-c lock_timeout=" + QByteArray::number(qMax(0, configuracion.esperaBloqueoMs))
        + " -c standard_conforming_strings=on -c DateStyle=ISO";
    if (!configuracion.esquema.isEmpty())
        opciones += " -c search_path=" + configuracion.esquema.toUtf8();
    const QByteArray servidor = configuracion.servidor.toUtf8();
    const QByteArray puerto = QByteArray::number(configuracion.puerto);
    const QByteArray base = configuracion.base.toUtf8();
    const QByteArray usuario = configuracion.usuario.toUtf8();
    const QByteArray clave = configuracion.clave.toUtf8();
    const char* claves[] = {"host", "port", "dbname", "user", "password", "application_name", "client_encoding",
                            "connect_timeout", "options", nullptr};
    const char* valores[] = {servidor.isEmpty() ? nullptr : servidor.constData(), puerto.constData(),
                             base.isEmpty() ? nullptr : base.constData(),
                             usuario.isEmpty() ? nullptr : usuario.constData(),
                             clave.isEmpty() ? nullptr : clave.constData(), "TQ614", "UTF8", "10",
                             opciones.constData(), nullptr};
    m_descripcionServidor = QStringLiteral("%1:%2, base %3, usuario %4")
                                .arg(configuracion.servidor)
                                .arg(configuracion.puerto)
                                .arg(configuracion.base, configuracion.usuario);
    m_conn = PQconnectdbParams(claves, valores, 0);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString detalle = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        PQfinish(m_conn);
        m_conn = nullptr;
        throw ErrorEjecucion(QStringLiteral("No se pudo conectar con el servidor PostgreSQL (%1): %2")
                                 .arg(m_descripcionServidor, detalle),
                             QStringLiteral("08001"));
    }
    // Notices (a table that already exists, and the like) are no concern of the user's.
    PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
    m_operador = configuracion.operador.trimmed().toUtf8();
    try {
        identificarOperador();
    } catch (...) {
        PQfinish(m_conn);
        throw;
    }
}

// The database's own change history names the session's operator, a setting of the session
// (without one it names the login); a new session after a reconnection gets it again.
void ConexionPostgres::identificarOperador()
{
    if (m_operador.isEmpty())
        return;
    const char* valores[] = {m_operador.constData()};
    comprobar(PQexecParams(m_conn, "SELECT set_config('kes.operador', $1, false)", 1, nullptr, valores, nullptr,
                           nullptr, 0));
}

ConexionPostgres::~ConexionPostgres()
{
    m_cache.clear();
    PQfinish(m_conn);
}

int ConexionPostgres::ProcesoDelServidor() const
{
    return PQbackendPID(m_conn);
}

std::unique_ptr<Recordset> ConexionPostgres::Execute(const QString& sql, long)
{
    return Execute(sql, QVariantList());
}

std::unique_ptr<Recordset> ConexionPostgres::Execute(const QString& sql, const QVariantList& parametros)
{
    return conReconexion([&] { return ejecutar(sql, parametros); });
}

std::unique_ptr<Recordset>
ConexionPostgres::conReconexion(const std::function<std::unique_ptr<Recordset>()>& ejecutar)
{
    if (!m_transaccion && PQstatus(m_conn) != CONNECTION_OK)
        reconectar();
    m_ultimoErrorFueDeConexion = false;
    try {
        return ejecutar();
    } catch (const ErrorEjecucion&) {
        // Inside a transaction its changes are gone with the session: the caller must know.
        if (!m_ultimoErrorFueDeConexion || m_transaccion)
            throw;
    }
    reconectar();
    return ejecutar();
}

std::unique_ptr<Recordset> ConexionPostgres::ejecutar(const QString& sql, const QVariantList& parametros)
{
    liberarPendientes();
    const auto forma = m_analizador.Analizar(sql, parametros);
    forma.ExigirValores(parametros.size());
    Sentencia* sentencia = nullptr;
    if (forma.LiteralesExtraidos()) {
        sentencia = m_cache.object(forma.Texto());
        if (!sentencia)
            sentencia = preparar(forma);
    }
    if (sentencia && !sentencia->nombre.isEmpty()) {
        const ValoresPg valores(forma.Valores());
        return leer(comprobar(PQexecPrepared(m_conn, sentencia->nombre.constData(), valores.Cantidad(),
                                             valores.Punteros(), valores.Largos(), valores.Formatos(), 0)),
                    sentencia);
    }
    // Not a shape worth sharing, or one the server would not take with parameters.
    const auto literal = forma.LiteralesExtraidos() ? SentenciaParametrizada::SinExtraer(sql, parametros, kMarcador)
                                                    : forma;
    const ValoresPg valores(literal.Valores());
    auto resultado = comprobar(PQexecParams(m_conn, literal.Texto().toUtf8().constData(), valores.Cantidad(), nullptr,
                                            valores.Punteros(), valores.Largos(), valores.Formatos(), 0));
    if (forma.LiteralesExtraidos() && !sentencia) {
        // The literal text ran where the parameterized one was refused: remember the shape
        // so the server is not asked to prepare it again.
        auto soloTexto = std::make_unique<Sentencia>();
        sentencia = soloTexto.get();
        m_cache.insert(forma.Texto(), soloTexto.release());
    }
    return leer(resultado, sentencia);
}

// Prepares a new shape. Inside a transaction a refused preparation would abort the whole
// transaction, so it is tried under a savepoint. Returns nullptr when the server refuses it.
ConexionPostgres::Sentencia* ConexionPostgres::preparar(const SentenciaParametrizada& forma)
{
    const QByteArray nombre = "kes_" + QByteArray::number(++m_siguienteNombre);
    if (m_transaccion)
        ejecutarControl("SAVEPOINT kes_preparar");
    Resultado resultado(PQprepare(m_conn, nombre.constData(), forma.Texto().toUtf8().constData(),
                                  static_cast<int>(forma.Valores().size()), nullptr),
                        PQclear);
    const ExecStatusType estado = resultado ? PQresultStatus(resultado.get()) : PGRES_FATAL_ERROR;
    if (estado != PGRES_COMMAND_OK) {
        if (conexionPerdida()) {
            comprobar(resultado.release());  // throws the connection error
        }
        if (m_transaccion)
            ejecutarControl("ROLLBACK TO SAVEPOINT kes_preparar");
        return nullptr;
    }
    if (m_transaccion)
        ejecutarControl("RELEASE SAVEPOINT kes_preparar");
    ++m_preparaciones;
    auto sentencia = std::make_unique<Sentencia>();
    sentencia->nombre = nombre;
    sentencia->porLiberar = &m_porLiberar;
    Sentencia* puntero = sentencia.get();
    m_cache.insert(forma.Texto(), sentencia.release());
    return puntero;
}

std::unique_ptr<Recordset> ConexionPostgres::leer(const Resultado& resultado, Sentencia* sentencia)
{
    PGresult* r = resultado.get();
    const int columnas = PQnfields(r);
    if (columnas == 0)
        return RecordsetEnMemoria::Vacio();
    std::shared_ptr<const ColumnasRecordset> nombres;
    std::vector<Tipo> tiposLocales;
    const std::vector<Tipo>* tipos = nullptr;
    if (sentencia && sentencia->columnas && sentencia->columnas->Cantidad() == columnas) {
        nombres = sentencia->columnas;
        tipos = &sentencia->tipos;
    } else {
        QStringList lista;
        lista.reserve(columnas);
        for (int c = 0; c < columnas; ++c) {
            lista << QString::fromUtf8(PQfname(r, c));
            tiposLocales.push_back(tipoDe(PQftype(r, c)));
        }
        nombres = std::make_shared<const ColumnasRecordset>(std::move(lista));
        if (sentencia) {
            sentencia->columnas = nombres;
            sentencia->tipos = tiposLocales;
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
                agregar(filas, (*tipos)[static_cast<size_t>(c)], PQgetvalue(r, f, c), PQgetlength(r, f, c));
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
    m_ultimoErrorFueDeConexion = conexionPerdida() || sqlstate.startsWith(QLatin1String("08"))
        || sqlstate.startsWith(QLatin1String("57P"));
    QString descripcion = QStringLiteral("%1 (%2)").arg(descripcionEnEspanol(sqlstate, crudo), mensaje);
    const QString detalle = campo(crudo, PG_DIAG_MESSAGE_DETAIL);
    if (!detalle.isEmpty())
        descripcion += QLatin1Char(' ') + detalle;
    throw ErrorEjecucion(descripcion, sqlstate);
}

void ConexionPostgres::ejecutarControl(const char* sql)
{
    comprobar(PQexec(m_conn, sql));
}

bool ConexionPostgres::conexionPerdida() const
{
    return PQstatus(m_conn) != CONNECTION_OK;
}

void ConexionPostgres::reconectar()
{
    // Prepared statements die with the session.
    m_cache.clear();
    m_porLiberar.clear();
    m_transaccion = false;
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw ErrorEjecucion(QStringLiteral("Se perdió la conexión con el servidor PostgreSQL (%1) y no se pudo "
                                            "restablecer: %2")
                                 .arg(m_descripcionServidor, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed()),
                             QStringLiteral("08006"));
    ++m_reconexiones;
    identificarOperador();
}

// Statements evicted from the cache are deallocated when no transaction is open, where a
// failure could not abort anything.
void ConexionPostgres::liberarPendientes()
{
    if (m_porLiberar.empty() || PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        return;
    for (const QByteArray& nombre : m_porLiberar)
        PQclear(PQexec(m_conn, ("DEALLOCATE " + nombre).constData()));
    m_porLiberar.clear();
}

void ConexionPostgres::BeginTrans()
{
    if (m_transaccion)
        throw ErrorEjecucion(QStringLiteral("Ya hay una transacción abierta en la conexión: termínela (CommitTrans o "
                                            "RollbackTrans) antes de iniciar otra"));
    conReconexion([this] {
        ejecutarControl("BEGIN");
        return std::unique_ptr<Recordset>();
    });
    m_transaccion = true;
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
    const Resultado resultado = comprobar(PQexec(m_conn, "COMMIT"));
    // COMMIT of a transaction the server has aborted answers ROLLBACK, without an error.
    if (qstrcmp(PQcmdStatus(resultado.get()), "COMMIT") != 0)
        throw ErrorEjecucion(anulada, QStringLiteral("25P02"));
    m_transaccion = false;
}

void ConexionPostgres::RollbackTrans()
{
    if (!m_transaccion)
        throw ErrorEjecucion(QStringLiteral("No hay una transacción abierta que deshacer"));
    m_transaccion = false;
    // A lost session or a failed COMMIT has already ended it on the server.
    if (conexionPerdida() || PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        return;
    try {
        ejecutarControl("ROLLBACK");
    } catch (const ErrorEjecucion&) {
        if (!m_ultimoErrorFueDeConexion)
            throw;
    }
}

bool ConexionPostgres::EnTransaccion() const
{
    return m_transaccion;
}
