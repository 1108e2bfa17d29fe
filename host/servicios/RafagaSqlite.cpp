#include "RafagaSqlite.h"

#include "AlmacenFilas.h"
#include "RecordsetKes.h"

#include <QRegularExpression>
#include <cstring>
#include <sqlite3.h>
#include <unordered_map>

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

// Every row of a burst, each as its values one after the other: a byte for the type, then
// nothing (NULL), 8 bytes (a number) or a length and the bytes (a text, up to 255 bytes in
// one byte of length). A catalogue's rows hold many empty texts and zeros, which take 2 bytes
// here: the burst costs a fraction of the rows it holds, and reading a value walks a row of
// a few dozen bytes.
class FormaRafagaSqlite::Lote
{
public:
    struct Rango
    {
        qsizetype primera = 0;
        qsizetype filas = 0;
    };

    void AgregarFila(sqlite3_stmt* stmt, int columnas);
    qsizetype Filas() const { return static_cast<qsizetype>(m_inicios.size()); }
    QVariant Valor(qsizetype fila, int columna) const;
    // The rows of each value (its UTF-8), in the order they were read.
    std::unordered_map<std::string, Rango> porValor;

private:
    enum Tipo : char { Nulo, Entero, Real, TextoCorto, Texto, Binario };
    void agregarBytes(Tipo corto, Tipo largo, const void* datos, qsizetype bytes);

    std::string m_datos;
    std::vector<qsizetype> m_inicios;  // where each row begins in m_datos
};

void FormaRafagaSqlite::Lote::AgregarFila(sqlite3_stmt* stmt, int columnas)
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

void FormaRafagaSqlite::Lote::agregarBytes(Tipo corto, Tipo largo, const void* datos, qsizetype bytes)
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

QVariant FormaRafagaSqlite::Lote::Valor(qsizetype fila, int columna) const
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

namespace {

// One value's rows of a burst, read as a static cursor reads its own.
class Respuesta final : public RecordsetDeFilas
{
public:
    Respuesta(std::shared_ptr<const ColumnasRecordset> columnas, std::shared_ptr<const FormaRafagaSqlite::Lote> lote,
              FormaRafagaSqlite::Lote::Rango rango)
        : RecordsetDeFilas(std::move(columnas), rango.filas)
        , m_lote(std::move(lote))
        , m_primera(rango.primera)
    {}

protected:
    QVariant Valor(qsizetype fila, int columna) const override { return m_lote->Valor(m_primera + fila, columna); }
    void Liberar() override { m_lote.reset(); }

private:
    std::shared_ptr<const FormaRafagaSqlite::Lote> m_lote;
    qsizetype m_primera;
};

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
    if (!forma.lote) {
        if (forma.noCalifica || ++forma.ejecuciones < kEjecucionesAntesDeLaRafaga)
            return nullptr;
        forma.lote = analizar(forma, texto) ? cargar(forma, sentencia.columnas->Cantidad()) : nullptr;
        forma.noCalifica = !forma.lote;
        if (!forma.lote)
            return nullptr;
    }
    utf8De(valor, m_clave);
    const auto encontrado = forma.lote->porValor.find(m_clave);
    return std::make_unique<Respuesta>(sentencia.columnas, forma.lote,
                                       encontrado == forma.lote->porValor.end() ? Lote::Rango{} : encontrado->second);
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
bool RafagaSqlite::analizar(Forma& forma, const QString& texto)
{
    const int version = versionDelEsquema();
    if (version < 0)
        return false;
    if (forma.version == version)
        return forma.rafaga != nullptr;
    forma.version = version;
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

    const QString rafaga = QStringLiteral("SELECT %1, %2 FROM %3 INDEXED BY %4 ORDER BY %5")
                               .arg(partes.captured(1), citado(columna), citado(tabla), citado(indice),
                                    orden.join(QLatin1String(", ")));
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
std::shared_ptr<const RafagaSqlite::Lote> RafagaSqlite::cargar(Forma& forma, int columnas)
{
    sqlite3_stmt* stmt = forma.rafaga;
    if (sqlite3_column_count(stmt) != columnas + 1)
        return nullptr;
    auto lote = std::make_shared<Lote>();
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
