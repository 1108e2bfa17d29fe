#include "RafagaDeLecturas.h"

#include "AlmacenFilas.h"
#include "ErrorEjecucion.h"
#include "RecordsetEnMemoria.h"

#include <array>
#include <optional>
#include <vector>

namespace {

constexpr int kFormasRecordadas = 256;

// What the server must tell about a shape's table and column before its rows are fetched
// whole: whether `=` there is byte equality, whether the column is unique, how many rows
// the table holds (-1 when never counted) and its primary key, to settle ties.
const QString kCatalogo = QStringLiteral(
    "SELECT current_setting('server_encoding') = 'UTF8' AND a.atttypid IN (25, 1043)"
    " AND COALESCE(co.collisdeterministic, FALSE) AS Comparable,"
    " EXISTS (SELECT 1 FROM pg_index u WHERE u.indrelid = c.oid AND u.indisunique AND u.indnkeyatts = 1"
    " AND u.indkey[0] = a.attnum AND u.indpred IS NULL AND u.indexprs IS NULL) AS Unica,"
    " c.reltuples AS Filas,"
    " (SELECT string_agg(quote_ident(k.attname), ', ' ORDER BY x.n)"
    " FROM pg_index p CROSS JOIN LATERAL unnest(p.indkey) WITH ORDINALITY AS x(attnum, n)"
    " JOIN pg_attribute k ON k.attrelid = p.indrelid AND k.attnum = x.attnum"
    " WHERE p.indrelid = c.oid AND p.indisprimary) AS Desempate"
    " FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid"
    " LEFT JOIN pg_collation co ON co.oid = a.attcollation"
    " WHERE c.oid = to_regclass(?) AND a.attname = ? AND a.attnum > 0 AND NOT a.attisdropped");

// The words of the statement's clauses: never taken for a column's or a table's name.
bool esReservada(QStringView palabra)
{
    static constexpr std::array<QStringView, 24> kReservadas = {
        u"ALL",   u"AND",  u"AS",    u"ASC",    u"BY",     u"COLLATE", u"DESC",  u"DISTINCT",
        u"FETCH", u"FOR",  u"FROM",  u"GROUP",  u"HAVING", u"JOIN",    u"LIMIT", u"NULLS",
        u"OFFSET", u"ON",  u"ONLY",  u"OR",     u"ORDER",  u"SELECT",  u"UNION", u"WHERE"};
    for (QStringView r : kReservadas)
        if (palabra.compare(r, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The pieces of a qualifying shape, as written in its text.
struct Partes
{
    QString lista;    // the select list
    QString tabla;
    QString columna;  // as written
    QString nombre;   // as the catalogue spells it
    QString orden;    // the ORDER BY items, or empty
};

// Reads a shape against the one form a burst can answer; anything else gives nothing.
class Lector
{
public:
    explicit Lector(const QString& texto) : m_texto(texto) { partir(); }

    std::optional<Partes> Leer()
    {
        if (!m_valido)
            return std::nullopt;
        Partes partes;
        if (!palabra(u"SELECT"))
            return std::nullopt;
        const qsizetype inicioLista = inicio();
        if (simbolo(u'*')) {
        } else {
            do {
                if (!nombreCalificado())
                    return std::nullopt;
            } while (simbolo(u','));
        }
        partes.lista = desde(inicioLista);
        if (!palabra(u"FROM"))
            return std::nullopt;
        const qsizetype inicioTabla = inicio();
        if (!nombreCalificado())
            return std::nullopt;
        partes.tabla = desde(inicioTabla);
        if (!palabra(u"WHERE"))
            return std::nullopt;
        const qsizetype inicioColumna = inicio();
        const std::optional<QString> columna = nombre();
        if (!columna)
            return std::nullopt;
        partes.columna = desde(inicioColumna);
        partes.nombre = *columna;
        if (!simbolo(u'=') || !parametro())
            return std::nullopt;
        if (palabra(u"ORDER")) {
            if (!palabra(u"BY"))
                return std::nullopt;
            const qsizetype inicioOrden = inicio();
            do {
                if (!numero() && !nombreCalificado())
                    return std::nullopt;
                if (!palabra(u"ASC"))
                    palabra(u"DESC");
                if (palabra(u"NULLS") && !palabra(u"FIRST") && !palabra(u"LAST"))
                    return std::nullopt;
            } while (simbolo(u','));
            partes.orden = desde(inicioOrden);
        }
        simbolo(u';');
        if (m_actual != m_piezas.size())
            return std::nullopt;
        return partes;
    }

private:
    enum class Tipo { Palabra, Citado, Simbolo, Numero, Parametro };
    struct Pieza
    {
        Tipo tipo;
        qsizetype inicio;
        qsizetype fin;
    };

    static bool esInicial(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
    static bool esDigito(QChar c) { return c >= u'0' && c <= u'9'; }

    // Words, quoted names, numbers, $n and , . * = ; separated by blanks; any other
    // character (a comment, a parenthesis, an operator) leaves the text unreadable.
    void partir()
    {
        const qsizetype n = m_texto.size();
        for (qsizetype i = 0; i < n;) {
            const QChar c = m_texto.at(i);
            const qsizetype inicio = i;
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                ++i;
                continue;
            }
            if (esInicial(c)) {
                while (i < n && (esInicial(m_texto.at(i)) || esDigito(m_texto.at(i)) || m_texto.at(i) == u'$'))
                    ++i;
                m_piezas.push_back({Tipo::Palabra, inicio, i});
            } else if (c == u'"') {
                for (++i;; i += 2) {
                    i = m_texto.indexOf(u'"', i);
                    if (i < 0) {
                        m_valido = false;
                        return;
                    }
                    if (i + 1 >= n || m_texto.at(i + 1) != u'"')
                        break;
                }
                ++i;
                m_piezas.push_back({Tipo::Citado, inicio, i});
            } else if (esDigito(c) || (c == u'$' && i + 1 < n && esDigito(m_texto.at(i + 1)))) {
                for (++i; i < n && esDigito(m_texto.at(i));)
                    ++i;
                m_piezas.push_back({c == u'$' ? Tipo::Parametro : Tipo::Numero, inicio, i});
            } else if (c == u',' || c == u'.' || c == u'*' || c == u'=' || c == u';') {
                m_piezas.push_back({Tipo::Simbolo, inicio, ++i});
            } else {
                m_valido = false;
                return;
            }
        }
    }

    QStringView texto(const Pieza& p) const { return QStringView(m_texto).sliced(p.inicio, p.fin - p.inicio); }
    const Pieza* actual() const { return m_actual < m_piezas.size() ? &m_piezas[m_actual] : nullptr; }
    qsizetype inicio() const { return actual() ? actual()->inicio : m_texto.size(); }
    QString desde(qsizetype inicio) const
    {
        return m_texto.sliced(inicio, m_piezas[m_actual - 1].fin - inicio);
    }

    bool tomar(Tipo tipo, QStringView valor = {})
    {
        const Pieza* p = actual();
        if (!p || p->tipo != tipo || (!valor.isNull() && texto(*p).compare(valor, Qt::CaseInsensitive) != 0))
            return false;
        ++m_actual;
        return true;
    }
    bool palabra(QStringView valor) { return tomar(Tipo::Palabra, valor); }
    bool simbolo(QChar c) { return tomar(Tipo::Simbolo, QStringView(&c, 1)); }
    bool numero() { return tomar(Tipo::Numero); }
    bool parametro() { return tomar(Tipo::Parametro, u"$1"); }

    // A name as the catalogue spells it: unquoted names fold to lower case.
    std::optional<QString> nombre()
    {
        const Pieza* p = actual();
        if (!p || (p->tipo == Tipo::Palabra && esReservada(texto(*p))))
            return std::nullopt;
        if (p->tipo == Tipo::Palabra) {
            ++m_actual;
            return texto(*p).toString().toLower();
        }
        if (p->tipo == Tipo::Citado) {
            ++m_actual;
            return texto(*p).sliced(1, p->fin - p->inicio - 2).toString().replace(QStringLiteral("\"\""),
                                                                               QStringLiteral("\""));
        }
        return std::nullopt;
    }
    bool nombreCalificado() { return nombre() && (!simbolo(u'.') || nombre()); }

    const QString& m_texto;
    std::vector<Pieza> m_piezas;
    size_t m_actual = 0;
    bool m_valido = true;
};

bool esConsulta(const QString& texto)
{
    qsizetype i = 0;
    while (i < texto.size() && (texto.at(i).isSpace() || texto.at(i) == u'('))
        ++i;
    return QStringView(texto).sliced(i).startsWith(u"SELECT", Qt::CaseInsensitive)
        && (i + 6 == texto.size() || !texto.at(i + 6).isLetterOrNumber());
}

bool esDeConexion(const ErrorEjecucion& error)
{
    return error.Codigo().startsWith(QLatin1String("08")) || error.Codigo().startsWith(QLatin1String("57P"));
}

} // namespace

// What is known of a shape: the statement that fetches its rows whole, empty when the shape
// is answered one statement at a time.
struct RafagaDeLecturas::Forma
{
    QString masiva;
};

// The rows of one shape fetched whole, with the shape's own column after them, and where each
// value's rows are, in the server's order.
struct RafagaDeLecturas::Filas
{
    std::unique_ptr<Recordset> resultado;
    const AlmacenFilas* almacen = nullptr;
    std::shared_ptr<const ColumnasRecordset> columnas;  // without the shape's column
    QHash<QByteArray, std::vector<qsizetype>> porValor;  // keys point into the rows' own bytes
};

RafagaDeLecturas::RafagaDeLecturas(Ejecutor ejecutar, int filasMaximas)
    : m_ejecutar(std::move(ejecutar))
    , m_filasMaximas(filasMaximas)
    , m_formas(kFormasRecordadas)
{
}

RafagaDeLecturas::~RafagaDeLecturas() = default;

std::unique_ptr<Recordset> RafagaDeLecturas::Responder(const SentenciaParametrizada& sentencia)
{
    if (m_filasMaximas <= 0)
        return nullptr;
    const QString& texto = sentencia.Texto();
    if (!esConsulta(texto)) {
        Terminar();  // it may change what the burst's rows show
        return nullptr;
    }
    if (!sentencia.LiteralesExtraidos() || sentencia.MarcadoresExplicitos() != 0 || sentencia.Valores().size() != 1
        || sentencia.Valores().front().typeId() != QMetaType::QString)
        return nullptr;

    std::shared_ptr<const Filas> filas = m_cargadas.value(texto);
    if (!filas) {
        Forma* conocida = forma(texto);
        if (conocida->masiva.isEmpty() || !m_fin.Programar())
            return nullptr;
        filas = cargar(texto, *conocida);
        if (!filas)
            return nullptr;
    }

    const AlmacenFilas& origen = *filas->almacen;
    AlmacenFilas propias(filas->columnas->Cantidad());
    const QByteArray valor = sentencia.Valores().front().toString().toUtf8();
    if (const auto it = filas->porValor.constFind(valor); it != filas->porValor.cend()) {
        propias.Reservar(qsizetype(it->size()));
        for (const qsizetype fila : *it)
            propias.AgregarFila(origen, fila);
    }
    return std::make_unique<RecordsetEnMemoria>(filas->columnas, std::move(propias));
}

void RafagaDeLecturas::Terminar()
{
    m_cargadas.clear();
}

// Reads the shape and asks the server about its column, once per shape.
RafagaDeLecturas::Forma* RafagaDeLecturas::forma(const QString& texto)
{
    if (Forma* conocida = m_formas.object(texto))
        return conocida;
    auto nueva = std::make_unique<Forma>();
    if (const std::optional<Partes> partes = Lector(texto).Leer()) {
        ++m_consultas;
        try {
            const auto rs = m_ejecutar(kCatalogo, {partes->tabla, partes->nombre});
            const double filas = rs->Eof() ? 0 : rs->Fields(QStringLiteral("Filas")).toDouble();
            if (!rs->Eof() && rs->Fields(QStringLiteral("Comparable")).toBool()
                && !rs->Fields(QStringLiteral("Unica")).toBool() && filas <= m_filasMaximas) {
                QString orden = partes->orden;
                const QString desempate = rs->Fields(QStringLiteral("Desempate")).toString();
                if (!desempate.isEmpty())
                    orden += (orden.isEmpty() ? QString() : QStringLiteral(", ")) + desempate;
                nueva->masiva = QStringLiteral("SELECT %1, %2 FROM %3%4 LIMIT %5")
                                    .arg(partes->lista, partes->columna, partes->tabla,
                                         orden.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + orden)
                                    .arg(m_filasMaximas + 1);
            }
        } catch (const ErrorEjecucion& error) {
            if (esDeConexion(error))
                throw;
        }
    }
    Forma* puntero = nueva.get();
    m_formas.insert(texto, nueva.release());
    return puntero;
}

// Fetches the shape's rows whole and splits them by the column's value. A table grown past
// the guard, or a statement the server refuses, leaves the shape to one statement per value.
std::shared_ptr<const RafagaDeLecturas::Filas> RafagaDeLecturas::cargar(const QString& texto, Forma& forma)
{
    ++m_consultas;
    auto filas = std::make_shared<Filas>();
    try {
        filas->resultado = m_ejecutar(forma.masiva, {});
    } catch (const ErrorEjecucion& error) {
        if (esDeConexion(error))
            throw;
        forma.masiva.clear();
        return nullptr;
    }
    const auto* enMemoria = dynamic_cast<const RecordsetEnMemoria*>(filas->resultado.get());
    if (!enMemoria || enMemoria->Almacen().Filas() > m_filasMaximas || enMemoria->Almacen().Columnas() < 2) {
        forma.masiva.clear();
        return nullptr;
    }
    const AlmacenFilas& almacen = enMemoria->Almacen();
    const int columna = almacen.Columnas() - 1;
    filas->almacen = &almacen;
    filas->columnas = std::make_shared<const ColumnasRecordset>(enMemoria->Columnas().Nombres().first(columna));
    filas->porValor.reserve(almacen.Filas() / 4);
    for (qsizetype f = 0; f < almacen.Filas(); ++f) {
        if (const std::optional<QByteArrayView> valor = almacen.BytesDeTexto(f, columna))
            filas->porValor[QByteArray::fromRawData(valor->data(), valor->size())].push_back(f);
    }
    m_cargadas.insert(texto, filas);
    return filas;
}
