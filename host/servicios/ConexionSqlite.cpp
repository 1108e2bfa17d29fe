#include "ConexionSqlite.h"

#include "ErrorEjecucion.h"
#include "ErrorSqlite.h"
#include "InstantaneaWal.h"
#include "RecordsetEnMemoria.h"
#include "SentenciaParametrizada.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <sqlite3.h>

namespace {

constexpr int kSentenciasEnCache = 256;
// A shared read transaction is renewed after this many queries even without an event loop,
// so that other connections' checkpoints are never held back for long.
constexpr int kConsultasPorLectura = 4096;

bool soloEspaciosOComentarios(const char* p)
{
    while (*p) {
        if (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == ';') {
            ++p;
        } else if (p[0] == '-' && p[1] == '-') {
            while (*p && *p != '\n')
                ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            const char* fin = strstr(p + 2, "*/");
            p = fin ? fin + 2 : p + strlen(p);
        } else {
            return false;
        }
    }
    return true;
}

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

} // namespace

struct ConexionSqlite::Sentencia
{
    sqlite3_stmt* stmt = nullptr;
    bool soloLectura = false;
    bool enUso = false;  // a RecordsetSqlite is reading it
    std::shared_ptr<const ColumnasRecordset> columnas;
    int repreparaciones = 0;  // SQLite's count of its own preparations when columnas was read
    // The UTF-8 of the bound texts, bound without a copy: the statement's own, because a
    // statement being read still compares rows with them.
    QByteArray textos;
    // The same text prepared again, run while this one is in use; it goes with it.
    std::unique_ptr<Sentencia> gemela;

    ~Sentencia() { sqlite3_finalize(stmt); }

    void leerColumnas()
    {
        const int n = sqlite3_column_count(stmt);
        QStringList nombres;
        nombres.reserve(n);
        for (int i = 0; i < n; ++i)
            nombres << QString::fromUtf8(sqlite3_column_name(stmt, i));
        columnas = std::make_shared<const ColumnasRecordset>(std::move(nombres));
        repreparaciones = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
    }

    char* espacioParaTextos(qsizetype bytes)
    {
        if (textos.size() < bytes)
            textos.resize(bytes);
        return textos.data();
    }
};

ConexionSqlite::ConexionSqlite(const Sesion::Configuracion& configuracion)
    : m_cache(kSentenciasEnCache)
{
    const QString archivo = QFileInfo(configuracion.archivo).absoluteFilePath();
    QDir().mkpath(QFileInfo(archivo).absolutePath());
    sinEstadisticasDeMemoria();
    const int rc = sqlite3_open_v2(QFile::encodeName(archivo).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString detalle = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
        sqlite3_close(m_db);
        m_db = nullptr;
        throw ErrorEjecucion(QStringLiteral("No se pudo abrir la base de datos %1 (%2)").arg(archivo, detalle),
                             QString::number(rc & 0xff));
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, qMax(0, configuracion.esperaBloqueoMs));
    try {
        if (!sqlite3_db_readonly(m_db, "main")) {
            ejecutarControl("PRAGMA journal_mode=WAL");
            // In WAL mode NORMAL keeps every committed change when the process dies; only a
            // power loss may drop the last few, and never leaves half of one.
            ejecutarControl("PRAGMA synchronous=NORMAL");
        }
        m_instantanea = std::make_unique<InstantaneaWal>(m_db);
    m_wal = sqlite3_db_readonly(m_db, "main") == 0 && modoDiario(m_db) == QLatin1String("wal");
        ejecutarControl("PRAGMA foreign_keys=ON");
        if (const int rc = RegistrarFuncionesDeSesion(m_db, configuracion.operador); rc != SQLITE_OK)
            lanzar(rc);
        // The screen reads the catalogue one parent at a time, in key order, not in the
        // order rows sit in the file: with SQLite's default cache of 2 MB a large catalogue
        // is read from disk page by page on every load. The cache grows only as pages are
        // read, so a small database never costs more.
        ejecutarControl("PRAGMA cache_size=-65536");
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

int ConexionSqlite::RegistrarFuncionesDeSesion(sqlite3* db, const QString& operador)
{
    const QString usuario = Sesion::UsuarioDelSistema();
    const QString quien = operador.trimmed().isEmpty() ? usuario : operador.trimmed();
    const int rc = registrarTexto(db, "kes_usuario_base", usuario);
    return rc != SQLITE_OK ? rc : registrarTexto(db, "kes_operador", quien);
}

ConexionSqlite::~ConexionSqlite()
{
    retenerAbiertos();  // a result may outlive its connection
    m_cache.clear();
    // An open transaction is rolled back by closing.
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Recordset> ConexionSqlite::Execute(const QString& sql, long)
{
    return Execute(sql, QVariantList());
}

std::unique_ptr<Recordset> ConexionSqlite::Execute(const QString& sql, const QVariantList& parametros)
{
    if (parametros.isEmpty() && m_ultimaSentencia && m_analizador.UltimaForma().isSharedWith(m_ultimaForma)) {
        if (const auto literal = m_analizador.LiteralDeLaMismaForma(sql)) {
            exigirTransaccionViva();
            return correr(libre(*m_ultimaSentencia), *literal);
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
        auto sentencia = preparar(forma.Texto().toUtf8(), false);
        if (!sentencia)
            return RecordsetEnMemoria::Vacio();
        return correr(*sentencia, forma.Valores(), false);
    }
    Sentencia* sentencia = m_cache.object(forma.Texto());
    if (!sentencia) {
        auto nueva = preparar(forma.Texto().toUtf8(), true);
        if (!nueva)
            return RecordsetEnMemoria::Vacio();
        sentencia = nueva.get();
        retenerAbiertos();  // the insertion may drop a statement that a result is reading
        m_cache.insert(forma.Texto(), nueva.release());  // may drop the last shape's statement
    }
    m_ultimaForma = forma.Texto();
    m_ultimaSentencia = sentencia;
    return correr(libre(*sentencia), forma.Valores(), true);
}

std::unique_ptr<ConexionSqlite::Sentencia> ConexionSqlite::preparar(const QByteArray& utf8, bool persistente)
{
    sqlite3_stmt* stmt = nullptr;
    const char* resto = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), static_cast<int>(utf8.size() + 1),
                                      persistente ? SQLITE_PREPARE_PERSISTENT : 0, &stmt, &resto);
    if (rc != SQLITE_OK)
        lanzar(rc);
    if (resto && !soloEspaciosOComentarios(resto)) {
        sqlite3_finalize(stmt);
        throw ErrorEjecucion(QStringLiteral("Error en la sentencia SQL: solo se admite una sentencia por llamada"),
                             QString::number(SQLITE_ERROR));
    }
    if (!stmt)
        return nullptr;  // only blanks or comments
    auto sentencia = std::make_unique<Sentencia>();
    sentencia->stmt = stmt;
    sentencia->soloLectura = sqlite3_stmt_readonly(stmt) != 0;
    sentencia->leerColumnas();
    return sentencia;
}

// The cached statement, or the first of its twins that no result is reading.
ConexionSqlite::Sentencia& ConexionSqlite::libre(Sentencia& enCache)
{
    Sentencia* sentencia = &enCache;
    while (sentencia->enUso) {
        if (!sentencia->gemela)
            sentencia->gemela = preparar(QByteArray(sqlite3_sql(enCache.stmt)), true);
        sentencia = sentencia->gemela.get();
    }
    return *sentencia;
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
        lanzar(rc);
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
    if (rc == SQLITE_ROW && enCache && m_lectura)
        return std::make_unique<RecordsetSqlite>(stmt, sentencia.enUso, sentencia.columnas, m_abiertos);
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

void ConexionSqlite::retenerAbiertos() noexcept
{
    while (!m_abiertos.empty())
        m_abiertos.back()->Retener();  // which takes it off the list
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
            lanzar(rc);
    }
}

void ConexionSqlite::ejecutarControl(const char* sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        lanzar(rc);
}

void ConexionSqlite::antesDe(const Sentencia& sentencia)
{
    if (m_transaccion)
        return;
    if (!sentencia.soloLectura) {
        terminarLectura();  // a write outside BeginTrans commits on its own, as always
        return;
    }
    if (m_lectura && (m_instantanea->Cambio() || ++m_consultasEnLectura > kConsultasPorLectura))
        terminarLectura();  // another connection committed: the next query must see it
    if (!m_lectura && m_wal)
        abrirLectura();
}

void ConexionSqlite::abrirLectura()
{
    // The header is copied before the read begins: a commit in between makes the copy look
    // older than the snapshot, which only renews the read once more than needed.
    if (!m_instantanea->Capturar())
        return;  // the shared memory is mapped by the first read; until then, one by one
    if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    m_lectura = true;
    m_consultasEnLectura = 0;
    m_finDeLectura.Programar();
}

void ConexionSqlite::terminarLectura() noexcept
{
    if (!m_lectura)
        return;
    retenerAbiertos();  // what they read must stay what it was when they ran
    m_lectura = false;
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void ConexionSqlite::BeginTrans()
{
    if (m_transaccion)
        throw ErrorEjecucion(QStringLiteral("Ya hay una transacción abierta en la conexión: termínela (CommitTrans o "
                                            "RollbackTrans) antes de iniciar otra"));
    terminarLectura();
    ejecutarControl("BEGIN IMMEDIATE");
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
    ejecutarControl("COMMIT");
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
        ejecutarControl("ROLLBACK");
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

void ConexionSqlite::lanzar(int codigo) const
{
    throw ErrorSqlite(m_db, codigo);
}
