#include "RecordsetSqlite.h"

#include "ErrorSqlite.h"
#include "RecordsetEnMemoria.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

// The value of a column of the current row, of the same type as a copied one would have.
QVariant valorDeColumna(sqlite3_stmt* stmt, int columna)
{
    sqlite3_value* valor = sqlite3_column_value(stmt, columna);
    switch (sqlite3_value_type(valor)) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_value_int64(valor));
    case SQLITE_FLOAT:
        return sqlite3_value_double(valor);
    case SQLITE_TEXT: {
        const auto* utf8 = reinterpret_cast<const char*>(sqlite3_value_text(valor));
        return VarianteDeUtf8(utf8, sqlite3_value_bytes(valor));
    }
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_value_blob(valor)), sqlite3_value_bytes(valor));
    default:
        return {};
    }
}

}  // namespace

RecordsetSqlite::RecordsetSqlite(sqlite3_stmt* stmt, bool& enUso, std::shared_ptr<const ColumnasRecordset> columnas,
                                 Abiertos& abiertos)
    : m_stmt(stmt)
    , m_enUso(&enUso)
    , m_columnas(std::move(columnas))
    , m_abiertos(&abiertos)
{
    abiertos.push_back(this);
    enUso = true;
}

RecordsetSqlite::~RecordsetSqlite()
{
    soltar();
}

bool RecordsetSqlite::Bof() const
{
    exigirUtilizable();
    return false;  // read this way only when there is a first row
}

bool RecordsetSqlite::Eof() const
{
    exigirUtilizable();
    return m_retenido ? m_retenido->Eof() : m_stmt == nullptr;
}

void RecordsetSqlite::MoveNext()
{
    exigirUtilizable();
    if (m_retenido)
        return m_retenido->MoveNext();
    if (!m_stmt)
        throw YaAlFinal();
    ++m_pasadas;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return;
    if (rc != SQLITE_DONE) {
        const ErrorEjecucion error = ErrorSqlite(sqlite3_db_handle(m_stmt), rc);
        soltar();
        throw error;
    }
    soltar();
}

void RecordsetSqlite::Close()
{
    m_cerrado = true;
    soltar();
    m_retenido.reset();
}

QVariant RecordsetSqlite::Fields(const QString& columna) const
{
    exigirUtilizable();
    if (m_retenido)
        return m_retenido->Fields(columna);
    const int indice = m_columnas->Indice(columna);
    if (indice < 0)
        throw CampoDesconocido(columna);
    if (!m_stmt)
        throw SinRegistroActual(columna);
    return valorDeColumna(m_stmt, indice);
}

QVariant RecordsetSqlite::Fields(int indice) const
{
    exigirUtilizable();
    if (m_retenido)
        return m_retenido->Fields(indice);
    if (indice < 0 || indice >= m_columnas->Cantidad())
        throw CampoDesconocido(QString::number(indice));
    if (!m_stmt)
        throw SinRegistroActual(QString::number(indice));
    m_columnas->MarcarLeida(indice);
    return valorDeColumna(m_stmt, indice);
}

qsizetype RecordsetSqlite::Filas()
{
    Retener();
    exigirUtilizable();
    return m_pasadas + (m_retenido ? m_retenido->Filas() : 0);
}

void RecordsetSqlite::Retener() noexcept
{
    if (!m_stmt)
        return;
    try {
        const int columnas = m_columnas->Cantidad();
        AlmacenFilas filas(columnas);
        const int rc = CopiarHastaElFinal(m_stmt, columnas, filas);
        if (rc == SQLITE_DONE)
            m_retenido = std::make_unique<RecordsetEnMemoria>(m_columnas, std::move(filas));
        else
            m_error = ErrorSqlite(sqlite3_db_handle(m_stmt), rc);
    } catch (const ErrorEjecucion& error) {
        m_error = error;
    } catch (const std::bad_alloc&) {
        m_error = ErrorEjecucion(QStringLiteral("No hay memoria suficiente para completar la operación"));
    }
    soltar();
}

int RecordsetSqlite::CopiarHastaElFinal(sqlite3_stmt* stmt, int columnas, AlmacenFilas& filas)
{
    int rc;
    do {
        for (int i = 0; i < columnas; ++i) {
            // One call into the statement per column. The value is SQLite's "unprotected"
            // kind, safe to read here because a connection is only used from one thread.
            sqlite3_value* valor = sqlite3_column_value(stmt, i);
            switch (sqlite3_value_type(valor)) {
            case SQLITE_INTEGER:
                filas.AgregarEntero(sqlite3_value_int64(valor));
                break;
            case SQLITE_FLOAT:
                filas.AgregarReal(sqlite3_value_double(valor));
                break;
            case SQLITE_TEXT: {
                const auto* utf8 = reinterpret_cast<const char*>(sqlite3_value_text(valor));
                filas.AgregarTexto(utf8, sqlite3_value_bytes(valor));
                break;
            }
            case SQLITE_BLOB:
                filas.AgregarBinario(static_cast<const char*>(sqlite3_value_blob(valor)), sqlite3_value_bytes(valor));
                break;
            default:
                filas.AgregarNulo();
                break;
            }
        }
    } while ((rc = sqlite3_step(stmt)) == SQLITE_ROW);
    return rc;
}

void RecordsetSqlite::lanzarPorInutilizable() const
{
    if (m_cerrado)
        throw Cerrado();
    throw *m_error;
}

void RecordsetSqlite::soltar() noexcept
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    m_stmt = nullptr;
    *m_enUso = false;
    std::erase(*m_abiertos, this);
}
