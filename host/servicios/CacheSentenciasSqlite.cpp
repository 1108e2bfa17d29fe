#include "CacheSentenciasSqlite.h"

#include "ErrorEjecucion.h"
#include "ErrorSqlite.h"
#include "RafagaSqlite.h"

#include <QStringList>
#include <cstring>
#include <sqlite3.h>

namespace {

constexpr int kSentenciasEnCache = 256;

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

}  // namespace

CacheSentenciasSqlite::Sentencia::~Sentencia()
{
    sqlite3_finalize(stmt);
}

void CacheSentenciasSqlite::Sentencia::leerColumnas()
{
    const int n = sqlite3_column_count(stmt);
    QStringList nombres;
    nombres.reserve(n);
    for (int i = 0; i < n; ++i)
        nombres << QString::fromUtf8(sqlite3_column_name(stmt, i));
    columnas = std::make_shared<const ColumnasRecordset>(std::move(nombres));
    repreparaciones = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
}

CacheSentenciasSqlite::CacheSentenciasSqlite(sqlite3* db, std::function<void()> antesDeDescartar)
    : m_db(db)
    , m_antesDeDescartar(std::move(antesDeDescartar))
    , m_cache(kSentenciasEnCache)
{}

std::unique_ptr<CacheSentenciasSqlite::Sentencia> CacheSentenciasSqlite::Preparar(const QByteArray& utf8,
                                                                                  bool persistente)
{
    sqlite3_stmt* stmt = nullptr;
    const char* resto = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), static_cast<int>(utf8.size() + 1),
                                      persistente ? SQLITE_PREPARE_PERSISTENT : 0, &stmt, &resto);
    if (rc != SQLITE_OK)
        throw ErrorSqlite(m_db, rc);
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

CacheSentenciasSqlite::Sentencia* CacheSentenciasSqlite::DeLaForma(const QString& forma)
{
    Sentencia* sentencia = m_cache.object(forma);
    if (!sentencia) {
        auto nueva = Preparar(forma.toUtf8(), true);
        if (!nueva)
            return nullptr;
        sentencia = nueva.get();
        m_antesDeDescartar();  // the insertion may drop a statement that a result is reading
        m_cache.insert(forma, nueva.release());  // may drop the last shape's statement
    }
    m_ultimaForma = forma;
    m_ultima = sentencia;
    return &libre(*sentencia);
}

// The cached statement, or the first of its twins that no result is reading.
CacheSentenciasSqlite::Sentencia& CacheSentenciasSqlite::libre(Sentencia& enCache)
{
    Sentencia* sentencia = &enCache;
    while (sentencia->enUso) {
        if (!sentencia->gemela)
            sentencia->gemela = Preparar(QByteArray(sqlite3_sql(enCache.stmt)), true);
        sentencia = sentencia->gemela.get();
    }
    return *sentencia;
}

void CacheSentenciasSqlite::Vaciar()
{
    m_ultima = nullptr;
    m_cache.clear();
}
