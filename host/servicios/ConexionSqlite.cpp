#include "ConexionSqlite.h"

#include "ErrorEjecucion.h"
#include "ErrorSqlite.h"
#include "Esquema.h"
#include "RecordsetEnMemoria.h"
#include "SentenciaParametrizada.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <sqlite3.h>

namespace {

// SQLite's memory statistics take a global mutex on every allocation, and a query allocates
// a dozen times; nothing here reads the statistics. Only possible before SQLite starts, so
// it is done before the process's first connection opens (later it is a harmless no-op).
void sinEstadisticasDeMemoria()
{
    static const bool hecho = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(hecho);
}

// Writes `texto` as UTF-8 at `libre` (room for three bytes per character), binds it there to
// parameter `n` without a copy, and moves `libre` past it. Keys and most texts are ASCII,
// copied in a plain loop; setting up an encoder costs more.
int enlazarTexto(sqlite3_stmt* stmt, int n, QStringView texto, char*& libre)
{
    char* inicio = libre;
    char* p = inicio;
    for (const QChar c : texto) {
        if (c.unicode() >= 0x80) {
            p = QStringEncoder(QStringEncoder::Utf8).appendToBuffer(inicio, texto);
            break;
        }
        *p++ = static_cast<char>(c.unicode());
    }
    libre = p;
    return sqlite3_bind_text64(stmt, n, inicio, static_cast<sqlite3_uint64>(p - inicio), SQLITE_STATIC, SQLITE_UTF8);
}

QString modoDiario(sqlite3* db)
{
    QString modo;
    sqlite3_exec(
        db, "PRAGMA journal_mode",
        [](void* destino, int, char** valores, char**) {
            *static_cast<QString*>(destino) = QString::fromLatin1(valores[0]).toLower();
            return 0;
        },
        &modo, nullptr);
    return modo;
}

// A function without arguments that answers a fixed text: who writes through this
// connection, for the triggers that record changes.
int registrarTexto(sqlite3* db, const char* nombre, const QString& valor)
{
    return sqlite3_create_function_v2(
        db, nombre, 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, new QByteArray(valor.toUtf8()),
        [](sqlite3_context* contexto, int, sqlite3_value**) {
            const auto* texto = static_cast<const QByteArray*>(sqlite3_user_data(contexto));
            sqlite3_result_text(contexto, texto->constData(), static_cast<int>(texto->size()), SQLITE_STATIC);
        },
        nullptr, nullptr, [](void* texto) { delete static_cast<QByteArray*>(texto); });
}

// kes_sello(previous seal, fields...): the seal of a history row (Esquema::Sello).
int registrarSello(sqlite3* db)
{
    return sqlite3_create_function_v2(
        db, "kes_sello", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        [](sqlite3_context* contexto, int cuantos, sqlite3_value** valores) {
            const auto texto = [](sqlite3_value* valor) {
                return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(valor)),
                                         sqlite3_value_bytes(valor));
            };
            QVariantList campos;
            for (int i = 1; i < cuantos; ++i)
                campos << (sqlite3_value_type(valores[i]) == SQLITE_NULL ? QVariant() : QVariant(texto(valores[i])));
            const QByteArray sello = Esquema::Sello(cuantos > 0 ? texto(valores[0]) : QString(), campos).toLatin1();
            sqlite3_result_text(contexto, sello.constData(), static_cast<int>(sello.size()), SQLITE_TRANSIENT);
        },
        nullptr, nullptr, nullptr);
}

void ejecutarControl(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        throw ErrorSqlite(db, rc);
}

// Opens the file, creating it and its folder when missing, with the settings every
// connection of the services works under.
sqlite3* abrir(const Sesion::Configuracion& configuracion)
{
    const QString archivo = QFileInfo(configuracion.archivo).absoluteFilePath();
    QDir().mkpath(QFileInfo(archivo).absolutePath());
    sinEstadisticasDeMemoria();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(archivo).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString detalle = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw ErrorEjecucion(QStringLiteral("No se pudo abrir la base de datos %1 (%2)").arg(archivo, detalle),
                             QString::number(rc & 0xff));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, qMax(0, configuracion.esperaBloqueoMs));
    try {
        if (!sqlite3_db_readonly(db, "main")) {
            ejecutarControl(db, "PRAGMA journal_mode=WAL");
            // In WAL mode NORMAL keeps every committed change when the process dies; only a
            // power loss may drop the last few, and never leaves half of one.
            ejecutarControl(db, "PRAGMA synchronous=NORMAL");
        }
        ejecutarControl(db, "PRAGMA foreign_keys=ON");
        if (const int rc = ConexionSqlite::RegistrarFuncionesDeSesion(db, configuracion.operador); rc != SQLITE_OK)
            throw ErrorSqlite(db, rc);
        // The screen reads the catalogue one parent at a time, in key order, not in the
        // order rows sit in the file: with SQLite's default cache of 2 MB a large catalogue
        // is read from disk page by page on every load. The cache grows only as pages are
        // read, so a small database never costs more.
        ejecutarControl(db, "PRAGMA cache_size=-65536");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

bool enModoWal(sqlite3* db)
{
    return sqlite3_db_readonly(db, "main") == 0 && modoDiario(db) == QLatin1String("wal");
}

}  // namespace

ConexionSqlite::ConexionSqlite(const Sesion::Configuracion& configuracion)
    : m_db(abrir(configuracion))
    , m_sentencias(m_db, [this] { m_lectura.RetenerAbiertos(); })
    , m_lectura(m_db, configuracion.lecturaCompartida && enModoWal(m_db))
    , m_rafaga(m_db, configuracion.filasPorRafaga)
{
    m_lectura.AlRetener([this] { m_rafaga.RetenerParciales(); });
}

int ConexionSqlite::RegistrarFuncionesDeSesion(sqlite3* db, const QString& operador)
{
    const QString usuario = Sesion::UsuarioDelSistema();
    const QString quien = operador.trimmed().isEmpty() ? usuario : operador.trimmed();
    int rc = registrarTexto(db, "kes_usuario_base", usuario);
    rc = rc != SQLITE_OK ? rc : registrarSello(db);
    return rc != SQLITE_OK ? rc : registrarTexto(db, "kes_operador", quien);
}

ConexionSqlite::~ConexionSqlite()
{
    m_lectura.RetenerAbiertos();  // a result may outlive its connection
    m_sentencias.Vaciar();
    // An open transaction is rolled back by closing.
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Recordset> ConexionSqlite::Execute(const QString& sql, long)
{
    return Execute(sql, QVariantList());
}

std::unique_ptr<Recordset> ConexionSqlite::Execute(const QString& sql, const QVariantList& parametros)
{
    if (parametros.isEmpty() && m_sentencias.EsLaUltima(m_analizador.UltimaForma())) {
        if (const auto literal = m_analizador.LiteralDeLaMismaForma(sql)) {
            exigirTransaccionViva();
            if (auto respuesta = deLaRafaga(m_analizador.UltimaForma(), *literal))
                return respuesta;
            return correr(m_sentencias.LibreDeLaUltima(), *literal);
        }
    }
    const auto forma = m_analizador.Analizar(sql, parametros);
    forma.ExigirValores(parametros.size());
    return ejecutar(forma);
}

std::unique_ptr<Recordset> ConexionSqlite::ejecutar(const SentenciaParametrizada& forma)
{
    exigirTransaccionViva();
    if (!forma.LiteralesExtraidos()) {
        const auto sentencia = m_sentencias.Preparar(forma.Texto().toUtf8(), false);
        if (!sentencia)
            return RecordsetEnMemoria::Vacio();
        return correr(*sentencia, forma.Valores(), false);
    }
    Sentencia* sentencia = m_sentencias.DeLaForma(forma.Texto());
    if (!sentencia)
        return RecordsetEnMemoria::Vacio();
    const QVariantList& valores = forma.Valores();
    if (valores.size() == 1 && valores.first().typeId() == QMetaType::QString && !valores.first().isNull()) {
        if (auto respuesta = deLaRafaga(forma.Texto(), valores.first().toString()))
            return respuesta;
    }
    return correr(*sentencia, valores, true);
}

// The answer from the burst of the last shape's reads, outside a transaction and inside a
// shared read that still sees every commit; nullptr when the statement runs on its own.
std::unique_ptr<Recordset> ConexionSqlite::deLaRafaga(const QString& forma, QStringView valor)
{
    if (m_transaccion || !m_lectura.Vigente())
        return nullptr;
    Sentencia& sentencia = m_sentencias.Ultima();
    if (sqlite3_bind_parameter_count(sentencia.stmt) != 1)
        return nullptr;
    return m_rafaga.Responder(sentencia, forma, valor, m_lectura.Numero());
}

std::unique_ptr<Recordset> ConexionSqlite::correr(Sentencia& sentencia, const QVariantList& valores, bool enCache)
{
    antesDe(sentencia);
    enlazar(sentencia, valores);
    return leer(sentencia, enCache);
}

std::unique_ptr<Recordset> ConexionSqlite::correr(Sentencia& sentencia, QStringView literal)
{
    antesDe(sentencia);
    char* destino = sentencia.espacioParaTextos(literal.size() * 3);
    if (const int rc = enlazarTexto(sentencia.stmt, 1, literal, destino); rc != SQLITE_OK)
        throw ErrorSqlite(m_db, rc);
    return leer(sentencia, true);
}

// Steps the bound statement to its first row. Inside the shared read, a result of a cached
// statement is read from there as the caller moves; otherwise every row is copied now.
std::unique_ptr<Recordset> ConexionSqlite::leer(Sentencia& sentencia, bool enCache)
{
    sqlite3_stmt* stmt = sentencia.stmt;
    int rc = sqlite3_step(stmt);
    // A statement whose tables changed is prepared again by SQLite on its own, in that first
    // step: its columns (a column added, a table rebuilt in another order) are read anew.
    if (sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0) != sentencia.repreparaciones)
        sentencia.leerColumnas();
    const int columnas = sentencia.columnas->Cantidad();
    if (rc == SQLITE_ROW && enCache && m_lectura.Abierta())
        return std::make_unique<RecordsetSqlite>(stmt, sentencia.enUso, sentencia.columnas, m_lectura.Abiertos());
    AlmacenFilas filas(columnas);
    if (rc == SQLITE_ROW)
        rc = RecordsetSqlite::CopiarHastaElFinal(stmt, columnas, filas);
    if (rc != SQLITE_DONE) {
        const ErrorEjecucion error = ErrorSqlite(m_db, rc);
        sqlite3_reset(stmt);
        throw error;
    }
    sqlite3_reset(stmt);
    if (columnas == 0)
        return RecordsetEnMemoria::Vacio();
    return std::make_unique<RecordsetEnMemoria>(sentencia.columnas, std::move(filas));
}

void ConexionSqlite::enlazar(Sentencia& sentencia, const QVariantList& valores)
{
    // Texts are encoded into the statement's buffer and bound without a copy; the statement
    // is reset before the buffer is touched again.
    sqlite3_stmt* stmt = sentencia.stmt;
    qsizetype espacio = 0;
    for (const QVariant& valor : valores) {
        if (!valor.isNull() && valor.typeId() == QMetaType::QString)
            espacio += static_cast<const QString*>(valor.constData())->size() * 3;
    }
    char* libre = sentencia.espacioParaTextos(espacio);

    const int marcadores = sqlite3_bind_parameter_count(stmt);
    for (int i = 0; i < marcadores; ++i) {
        const int n = i + 1;
        const QVariant& valor = i < valores.size() ? valores.at(i) : QVariant();
        int rc;
        switch (valor.isNull() ? QMetaType::UnknownType : valor.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(stmt, n);
            break;
        case QMetaType::QString:
            rc = enlazarTexto(stmt, n, *static_cast<const QString*>(valor.constData()), libre);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            rc = sqlite3_bind_int64(stmt, n, valor.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, n, valor.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray datos = valor.toByteArray();
            rc = sqlite3_bind_blob64(stmt, n, datos.constData(), static_cast<sqlite3_uint64>(datos.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime: {
            const QByteArray texto = valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            rc = sqlite3_bind_text64(stmt, n, texto.constData(), static_cast<sqlite3_uint64>(texto.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        default: {
            const QByteArray texto = valor.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, n, texto.constData(), static_cast<sqlite3_uint64>(texto.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
        if (rc != SQLITE_OK)
            throw ErrorSqlite(m_db, rc);
    }
}

void ConexionSqlite::antesDe(const Sentencia& sentencia)
{
    if (!m_transaccion)
        m_lectura.AntesDe(sentencia.soloLectura);
}

void ConexionSqlite::BeginTrans()
{
    if (m_transaccion)
        throw ErrorEjecucion(QStringLiteral("Ya hay una transacción abierta en la conexión: termínela (CommitTrans o "
                                            "RollbackTrans) antes de iniciar otra"));
    m_lectura.Terminar();
    ejecutarControl(m_db, "BEGIN IMMEDIATE");
    m_transaccion = true;
}

void ConexionSqlite::CommitTrans()
{
    if (!m_transaccion)
        throw ErrorEjecucion(QStringLiteral("No hay una transacción abierta que confirmar"));
    // After a failed CommitTrans the transaction still counts as open, so that the caller's
    // error handler can always end it with RollbackTrans.
    if (sqlite3_get_autocommit(m_db))
        throw ErrorEjecucion(QStringLiteral("La transacción se deshizo por un error anterior; sus cambios no se "
                                            "guardaron"));
    ejecutarControl(m_db, "COMMIT");
    m_transaccion = false;
}

void ConexionSqlite::RollbackTrans()
{
    if (!m_transaccion)
        throw ErrorEjecucion(QStringLiteral("No hay una transacción abierta que deshacer"));
    if (sqlite3_get_autocommit(m_db)) {  // SQLite already rolled it back after an error
        m_transaccion = false;
        return;
    }
    try {
        ejecutarControl(m_db, "ROLLBACK");
    } catch (...) {
        m_transaccion = !sqlite3_get_autocommit(m_db);
        throw;
    }
    m_transaccion = false;
}

bool ConexionSqlite::EnTransaccion() const
{
    return m_transaccion;
}

// After some errors (a full disk, an I/O error) SQLite rolls the whole transaction back on
// its own. What follows must not run outside the transaction its caller believes open.
void ConexionSqlite::exigirTransaccionViva() const
{
    if (m_transaccion && sqlite3_get_autocommit(m_db))
        throw ErrorEjecucion(QStringLiteral("La transacción se deshizo por un error anterior; deshágala "
                                            "(RollbackTrans) antes de continuar"));
}
