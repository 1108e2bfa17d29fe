#include "FilasDeRafagaSqlite.h"

#include "ErrorSqlite.h"
#include "RecordsetSqlite.h"

#include <algorithm>
#include <cstring>
#include <sqlite3.h>

LoteRafagaSqlite::LoteRafagaSqlite(QByteArray forma, std::vector<int> posiciones)
    : m_forma(std::move(forma))
    , m_posiciones(std::move(posiciones))
    , m_completo(std::find(m_posiciones.begin(), m_posiciones.end(), -1) == m_posiciones.end())
{}

void LoteRafagaSqlite::AgregarFila(sqlite3_stmt* stmt, int columnas)
{
    m_inicios.push_back(static_cast<qsizetype>(m_datos.size()));
    for (int i = 0; i < columnas; ++i) {
        sqlite3_value* valor = sqlite3_column_value(stmt, i);  // one thread: the unprotected kind is safe
        switch (sqlite3_value_type(valor)) {
        case SQLITE_INTEGER: {
            const qint64 entero = sqlite3_value_int64(valor);
            m_datos.push_back(Entero);
            m_datos.append(reinterpret_cast<const char*>(&entero), sizeof entero);
            break;
        }
        case SQLITE_FLOAT: {
            const double real = sqlite3_value_double(valor);
            m_datos.push_back(Real);
            m_datos.append(reinterpret_cast<const char*>(&real), sizeof real);
            break;
        }
        case SQLITE_TEXT: {
            const unsigned char* texto = sqlite3_value_text(valor);
            agregarBytes(TextoCorto, Texto, texto, sqlite3_value_bytes(valor));
            break;
        }
        case SQLITE_BLOB:
            agregarBytes(Binario, Binario, sqlite3_value_blob(valor), sqlite3_value_bytes(valor));
            break;
        default:
            m_datos.push_back(Nulo);
            break;
        }
    }
}

void LoteRafagaSqlite::agregarBytes(Tipo corto, Tipo largo, const void* datos, qsizetype bytes)
{
    if (corto != largo && bytes <= 255) {
        m_datos.push_back(corto);
        m_datos.push_back(static_cast<char>(bytes));
    } else {
        const auto largo32 = static_cast<quint32>(bytes);
        m_datos.push_back(largo);
        m_datos.append(reinterpret_cast<const char*>(&largo32), sizeof largo32);
    }
    m_datos.append(static_cast<const char*>(datos), static_cast<size_t>(bytes));
}

QVariant LoteRafagaSqlite::Valor(qsizetype fila, int columna) const
{
    const char* p = m_datos.data() + m_inicios[static_cast<size_t>(fila)];
    // The length of a text or bytes, and where they begin.
    const auto largo = [](const char* tipo, qsizetype& bytes) {
        if (*tipo == TextoCorto) {
            bytes = static_cast<unsigned char>(tipo[1]);
            return tipo + 2;
        }
        quint32 largo32;
        std::memcpy(&largo32, tipo + 1, sizeof largo32);
        bytes = largo32;
        return tipo + 1 + sizeof largo32;
    };
    qsizetype bytes = 0;
    for (int i = 0; i < columna; ++i) {
        if (*p == Nulo)
            ++p;
        else if (*p == Entero || *p == Real)
            p += 1 + 8;
        else
            p = largo(p, bytes) + bytes;
    }
    switch (*p) {
    case Entero: {
        qint64 entero;
        std::memcpy(&entero, p + 1, sizeof entero);
        return static_cast<qlonglong>(entero);
    }
    case Real: {
        double real;
        std::memcpy(&real, p + 1, sizeof real);
        return real;
    }
    case TextoCorto:
    case Texto: {
        const char* texto = largo(p, bytes);
        return VarianteDeUtf8(texto, bytes);
    }
    case Binario: {
        const char* datos = largo(p, bytes);
        return QByteArray(datos, bytes);
    }
    default:
        return {};
    }
}

RespuestaRafagaSqlite::RespuestaRafagaSqlite(std::shared_ptr<const ColumnasRecordset> columnas,
                                             std::shared_ptr<const LoteRafagaSqlite> lote,
                                             LoteRafagaSqlite::Rango rango, const std::string& valor, sqlite3* db,
                                             Parciales& parciales)
    : RecordsetDeFilas(std::move(columnas), rango.filas)
    , m_lote(std::move(lote))
    , m_primera(rango.primera)
    , m_filas(rango.filas)
    , m_db(db)
{
    if (m_filas > 0 && !m_lote->Completo()) {
        m_valor = valor;
        m_parciales = &parciales;
        parciales.push_back(this);
    }
}

RespuestaRafagaSqlite::~RespuestaRafagaSqlite()
{
    soltar();
}

QVariant RespuestaRafagaSqlite::Valor(qsizetype fila, int columna) const
{
    if (m_retenidas)
        return m_retenidas->Valor(fila, columna);
    if (!m_error) {
        if (const int posicion = m_lote->Posicion(columna); posicion >= 0)
            return m_lote->Valor(m_primera + fila, posicion);
        // A column no caller had read when the burst was read: the rows whole, once.
        const_cast<RespuestaRafagaSqlite*>(this)->Retener();
        if (m_retenidas)
            return m_retenidas->Valor(fila, columna);
    }
    throw *m_error;
}

void RespuestaRafagaSqlite::Liberar()
{
    soltar();
    m_lote.reset();
    m_retenidas.reset();
}

void RespuestaRafagaSqlite::Retener() noexcept
{
    if (!m_parciales)
        return;
    sqlite3_stmt* stmt = nullptr;
    try {
        int rc = sqlite3_prepare_v2(m_db, m_lote->Forma().constData(), -1, &stmt, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_bind_text64(stmt, 1, m_valor.data(), m_valor.size(), SQLITE_STATIC, SQLITE_UTF8);
        const int columnas = sqlite3_column_count(stmt);
        auto filas = std::make_unique<AlmacenFilas>(columnas);
        if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW)
            rc = RecordsetSqlite::CopiarHastaElFinal(stmt, columnas, *filas);
        if (rc != SQLITE_DONE)
            m_error = ErrorSqlite(m_db, rc);
        else if (filas->Filas() != m_filas)  // the same snapshot gives the same rows
            m_error = ErrorEjecucion(QStringLiteral("El resultado de la consulta cambió mientras se leía"));
        else
            m_retenidas = std::move(filas);
    } catch (const ErrorEjecucion& error) {
        m_error = error;
    } catch (const std::bad_alloc&) {
        m_error = ErrorEjecucion(QStringLiteral("No hay memoria suficiente para completar la operación"));
    }
    sqlite3_finalize(stmt);
    soltar();
    m_lote.reset();
}

void RespuestaRafagaSqlite::soltar() noexcept
{
    if (!m_parciales)
        return;
    std::erase(*m_parciales, this);
    m_parciales = nullptr;
    m_valor = std::string();
}
