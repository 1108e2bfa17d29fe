#include "RafagaSqlite.h"

#include <QRegularExpression>
#include <algorithm>
#include <sqlite3.h>

namespace {

// How many times a shape runs on its own in one shared read before its burst is read: one
// click or one check never pays for a scan of the table.
constexpr int kEjecucionesAntesDeLaRafaga = 8;

// The one form a burst can answer, on the shape's text (its literal already a "?"): plain
// names only, no DESC (a search may run its index backwards), nothing after the ORDER BY.
const QRegularExpression& formaQueCalifica()
{
    static const QString nombre = QStringLiteral(R"((?:[A-Za-z_][A-Za-z0-9_$]*|"(?:[^"]|"")+"))");
    static const QString calificado = nombre + QStringLiteral(R"((?:\s*\.\s*)") + nombre + QStringLiteral(")?");
    static const QString orden = QStringLiteral(R"((?:%1|[0-9]+)(?:\s+ASC)?)").arg(calificado);
    static const QRegularExpression forma(
        QStringLiteral(R"(^\s*SELECT\s+(\*|%1(?:\s*,\s*%1)*)\s+FROM\s+(%2)\s+WHERE\s+(%2)\s*=\s*\?\s*)"
                       R"((?:ORDER\s+BY\s+%3(?:\s*,\s*%3)*\s*)?;?\s*$)")
            .arg(calificado, nombre, orden),
        QRegularExpression::CaseInsensitiveOption);
    return forma;
}

QString sinComillas(const QString& nombre)
{
    if (!nombre.startsWith(u'"'))
        return nombre;
    return nombre.mid(1, nombre.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

QString citado(const QString& nombre)
{
    return u'"' + QString(nombre).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Runs `sql` and gives each row's texts to `fila`; false when it cannot run.
template <typename Fila>
bool consultar(sqlite3* db, const QString& sql, Fila fila)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList valores;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            valores << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
        fila(valores);
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

// The one line of the plan of `sql`, or a null text when it has more or none.
QString planDeUnaLinea(sqlite3* db, const QString& sql)
{
    QStringList lineas;
    if (!consultar(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql,
                   [&](const QStringList& v) { lineas << v.value(3); }))
        return {};
    return lineas.size() == 1 ? lineas.first() : QString();
}

// Whether a declared type gives a column text affinity (SQLite's rules, in their order).
bool afinidadDeTexto(const QString& tipo)
{
    const QString t = tipo.toUpper();
    return !t.contains(QLatin1String("INT"))
           && (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB"))
               || t.contains(QLatin1String("TEXT")));
}

// The key columns of `indice` in order, quoted, when it is a plain ascending index of
// `tabla` whose first column is `columna` under BINARY; else an empty list.
QStringList columnasDelIndice(sqlite3* db, const QString& tabla, const QString& indice, const QString& columna)
{
    bool simple = false;
    consultar(db, QStringLiteral("PRAGMA index_list(%1)").arg(citado(tabla)), [&](const QStringList& v) {
        if (v.value(1) == indice)
            simple = v.value(4) == QLatin1String("0");  // not partial
    });
    QStringList columnas;
    bool valido = simple;
    consultar(db, QStringLiteral("PRAGMA index_xinfo(%1)").arg(citado(indice)), [&](const QStringList& v) {
        if (v.value(5) != QLatin1String("1"))
            return;  // the rowid, not a key column
        if (v.value(1).toInt() < 0 || v.value(3) != QLatin1String("0")
            || (columnas.isEmpty()
                && (v.value(2).compare(columna, Qt::CaseInsensitive) != 0 || v.value(4) != QLatin1String("BINARY"))))
            valido = false;
        columnas << citado(v.value(2));
    });
    return valido ? columnas : QStringList();
}

// The columns of the shape's result that callers have read (`leidas`, see
// ColumnasRecordset::Leidas), each named as its table names it, followed by ", "; and where
// each of the shape's columns will be among them, or -1. When a column read is not one of
// `tabla`'s own, or the shape has more columns than the mask tells apart, a null text: the
// burst then reads the shape's own list, and `posiciones` says every column is there.
QString columnasLeidas(sqlite3_stmt* stmt, quint64 leidas, const QString& tabla, std::vector<int>& posiciones)
{
    const int columnas = sqlite3_column_count(stmt);
    posiciones.assign(static_cast<size_t>(columnas), -1);
    QString lista;
    int cuantas = 0;
    for (int i = 0; i < columnas && i < 63; ++i) {
        if (!(leidas & (quint64(1) << i)))
            continue;
        const char* origen = sqlite3_column_origin_name(stmt, i);
        const char* suTabla = sqlite3_column_table_name(stmt, i);
        if (!origen || !suTabla || QString::fromUtf8(suTabla).compare(tabla, Qt::CaseInsensitive) != 0)
            cuantas = -1;
        if (cuantas < 0)
            break;
        lista += citado(QString::fromUtf8(origen)) + QStringLiteral(", ");
        posiciones[static_cast<size_t>(i)] = cuantas++;
    }
    if (cuantas >= 0 && (columnas <= 63 || !(leidas & (quint64(1) << 63))))
        return lista.isNull() ? QStringLiteral("") : lista;
    for (int i = 0; i < columnas; ++i)
        posiciones[static_cast<size_t>(i)] = i;
    return {};
}

// Values are read as UTF-8 texts; the file must compare them in that form.
bool columnaDeTextoUtf8(sqlite3* db, const QString& tabla, const QString& columna)
{
    bool utf8 = false, texto = false;
    consultar(db, QStringLiteral("PRAGMA encoding"), [&](const QStringList& v) { utf8 = v.value(0) == "UTF-8"; });
    consultar(db, QStringLiteral("PRAGMA table_xinfo(%1)").arg(citado(tabla)), [&](const QStringList& v) {
        if (v.value(1).compare(columna, Qt::CaseInsensitive) == 0)
            texto = afinidadDeTexto(v.value(2));
    });
    return utf8 && texto;
}

// The text `valor` as SQLite would receive it bound: its UTF-8.
void utf8De(QStringView valor, std::string& destino)
{
    destino.clear();
    for (const QChar c : valor) {
        if (c.unicode() >= 0x80) {
            const QByteArray bytes = valor.toUtf8();
            destino.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
            return;
        }
        destino.push_back(static_cast<char>(c.unicode()));
    }
}

}  // namespace

FormaRafagaSqlite::~FormaRafagaSqlite()
{
    sqlite3_finalize(rafaga);
}

RafagaSqlite::RafagaSqlite(sqlite3* db, int filasMaximas)
    : m_db(db)
    , m_filasMaximas(filasMaximas)
{}

RafagaSqlite::~RafagaSqlite()
{
    sqlite3_finalize(m_version);
}

std::unique_ptr<Recordset> RafagaSqlite::Responder(CacheSentenciasSqlite::Sentencia& sentencia, const QString& texto,
                                                   QStringView valor, int lectura)
{
    if (m_filasMaximas <= 0 || !sentencia.soloLectura)
        return nullptr;
    if (!sentencia.rafaga)
        sentencia.rafaga = std::make_unique<Forma>();
    Forma& forma = *sentencia.rafaga;
    if (forma.lectura != lectura) {
        forma.lectura = lectura;
        forma.ejecuciones = 0;
        forma.lote.reset();
        forma.noCalifica = false;
    }
    // A column read since the burst was read, from an answer that lacked it: the next holds it.
    if (forma.lote && !forma.lote->Completo() && (sentencia.columnas->Leidas() & ~forma.columnas) != 0)
        forma.lote.reset();
    if (!forma.lote) {
        if (forma.noCalifica || ++forma.ejecuciones < kEjecucionesAntesDeLaRafaga)
            return nullptr;
        forma.lote = analizar(forma, sentencia, texto) ? cargar(forma, texto) : nullptr;
        forma.noCalifica = !forma.lote;
        if (!forma.lote)
            return nullptr;
    }
    utf8De(valor, m_clave);
    const auto encontrado = forma.lote->porValor.find(m_clave);
    return std::make_unique<RespuestaRafagaSqlite>(
        sentencia.columnas, forma.lote, encontrado == forma.lote->porValor.end() ? Lote::Rango{} : encontrado->second,
        m_clave, m_db, m_parciales);
}

void RafagaSqlite::RetenerParciales() noexcept
{
    while (!m_parciales.empty())
        m_parciales.back()->Retener();  // which takes it off the list
}

int RafagaSqlite::versionDelEsquema()
{
    if (!m_version && sqlite3_prepare_v3(m_db, "PRAGMA schema_version", -1, SQLITE_PREPARE_PERSISTENT, &m_version,
                                         nullptr) != SQLITE_OK)
        return -1;
    const int version = sqlite3_step(m_version) == SQLITE_ROW ? sqlite3_column_int(m_version, 0) : -1;
    sqlite3_reset(m_version);
    return version;
}

// Whether the shape qualifies under the schema as it is now (see the class); prepares the
// burst's statement when it does. Decided once per schema version.
bool RafagaSqlite::analizar(Forma& forma, const CacheSentenciasSqlite::Sentencia& sentencia, const QString& texto)
{
    const int version = versionDelEsquema();
    const quint64 leidas = sentencia.columnas->Leidas();
    if (version < 0)
        return false;
    if (forma.version == version && forma.columnas == leidas)
        return forma.rafaga != nullptr;
    forma.version = version;
    forma.columnas = leidas;
    sqlite3_finalize(forma.rafaga);
    forma.rafaga = nullptr;

    const QRegularExpressionMatch partes = formaQueCalifica().match(texto);
    if (!partes.hasMatch())
        return false;
    const QString tabla = sinComillas(partes.captured(2));
    const QString columna = sinComillas(partes.captured(3));
    static const QRegularExpression busqueda(QStringLiteral(R"(^SEARCH (.+) USING (?:COVERING )?INDEX (.+) \((.+)=\?\)$)"));
    const QRegularExpressionMatch plan = busqueda.match(planDeUnaLinea(m_db, texto));
    if (!plan.hasMatch() || plan.captured(1).compare(tabla, Qt::CaseInsensitive) != 0
        || plan.captured(3).compare(columna, Qt::CaseInsensitive) != 0 || !columnaDeTextoUtf8(m_db, tabla, columna))
        return false;
    const QString indice = plan.captured(2);
    const QStringList orden = columnasDelIndice(m_db, tabla, indice, columna);
    if (orden.isEmpty())
        return false;

    const QString lista = columnasLeidas(sentencia.stmt, leidas, tabla, forma.posiciones);
    const QString rafaga = QStringLiteral("SELECT %1%2 FROM %3 INDEXED BY %4 ORDER BY %5")
                               .arg(lista.isNull() ? partes.captured(1) + QStringLiteral(", ") : lista, citado(columna),
                                    citado(tabla), citado(indice), orden.join(QLatin1String(", ")));
    const QString escaneo = planDeUnaLinea(m_db, rafaga);
    if (escaneo != QStringLiteral("SCAN %1 USING INDEX %2").arg(tabla, indice)
        && escaneo != QStringLiteral("SCAN %1 USING COVERING INDEX %2").arg(tabla, indice))
        return false;
    if (sqlite3_prepare_v3(m_db, rafaga.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &forma.rafaga, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(forma.rafaga);
        forma.rafaga = nullptr;
    }
    return forma.rafaga != nullptr;
}

// Reads every row of the burst, kept together by the value of its last column; null on an
// error or past the row limit (the shape then runs on its own for the rest of this read).
std::shared_ptr<const RafagaSqlite::Lote> RafagaSqlite::cargar(Forma& forma, const QString& texto)
{
    sqlite3_stmt* stmt = forma.rafaga;
    const int columnas = sqlite3_column_count(stmt) - 1;
    if (columnas != static_cast<int>(std::count_if(forma.posiciones.begin(), forma.posiciones.end(),
                                                   [](int posicion) { return posicion >= 0; })))
        return nullptr;
    auto lote = std::make_shared<Lote>(texto.toUtf8(), forma.posiciones);
    Lote::Rango* grupo = nullptr;
    std::string valor;
    int rc;
    qsizetype filas = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (sqlite3_column_type(stmt, columnas) != SQLITE_TEXT)
            continue;  // never equal to a text
        if (++filas > m_filasMaximas)
            break;
        const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(stmt, columnas));
        const auto bytes = static_cast<size_t>(sqlite3_column_bytes(stmt, columnas));
        if (!grupo || valor.size() != bytes || valor.compare(0, bytes, utf8, bytes) != 0) {
            valor.assign(utf8, bytes);
            const auto [nuevo, insertado] = lote->porValor.try_emplace(valor, Lote::Rango{lote->Filas(), 0});
            if (!insertado)
                break;  // a value seen apart from its rows: not the order expected
            grupo = &nuevo->second;
        }
        lote->AgregarFila(stmt, columnas);
        ++grupo->filas;
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        return nullptr;
    ++m_leidas;
    return lote;
}
