#include "RafagaDeLecturas.h"

#include "ErrorEjecucion.h"
#include "HashDeClave.h"
#include "RecordsetKes.h"

#include <QStringEncoder>
#include <QVarLengthArray>

#include <array>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

constexpr int kFormasRecordadas = 256;

// What the server must tell about a shape's table and column before its rows are fetched
// whole: whether it is a table (a view may compute its rows) and `=` on the column is byte
// equality, whether the column is unique, how many rows the table holds (-1 when never
// counted) and its primary key, to settle ties.
const QString kCatalogo = QStringLiteral(
    "SELECT current_setting('server_encoding') = 'UTF8' AND c.relkind IN ('r', 'p') AND a.atttypid IN (25, 1043)"
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
        u"ALL",    u"AND", u"AS",   u"ASC",   u"BY",     u"COLLATE", u"DESC",  u"DISTINCT",
        u"FETCH",  u"FOR", u"FROM", u"GROUP", u"HAVING", u"JOIN",    u"LIMIT", u"NULLS",
        u"OFFSET", u"ON",  u"ONLY", u"OR",    u"ORDER",  u"SELECT",  u"UNION", u"WHERE"};
    for (QStringView r : kReservadas)
        if (palabra.compare(r, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The pieces of a qualifying shape, as written in its text.
struct Partes
{
    QString lista;  // the select list
    QString tabla;
    QString columna;  // as written
    QString nombre;  // as the catalogue spells it
    QString orden;  // the ORDER BY items, or empty
};

// Reads a shape against the one form a burst can answer; anything else gives nothing.
class Lector
{
public:
    explicit Lector(const QString& texto)
        : m_texto(texto)
    {
        partir();
    }

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
    QString desde(qsizetype inicio) const { return m_texto.sliced(inicio, m_piezas[m_actual - 1].fin - inicio); }

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
            return texto(*p)
                .sliced(1, p->fin - p->inicio - 2)
                .toString()
                .replace(QStringLiteral("\"\""), QStringLiteral("\""));
        }
        return std::nullopt;
    }
    bool nombreCalificado() { return nombre() && (!simbolo(u'.') || nombre()); }

    const QString& m_texto;
    std::vector<Pieza> m_piezas;
    size_t m_actual = 0;
    bool m_valido = true;
};

bool esDeConexion(const ErrorEjecucion& error)
{
    return error.Codigo().startsWith(QLatin1String("08")) || error.Codigo().startsWith(QLatin1String("57P"));
}

}  // namespace

// What the server told about one column of a table (kCatalogo): whether its rows may be
// fetched whole for it, and the primary key that settles ties.
struct RafagaDeLecturas::Columna
{
    bool apta = false;
    QString desempate;
};

// What is known of a shape: the statement that fetches its rows whole, empty when the shape
// is answered one statement at a time, and whether the column is appended to its list.
struct RafagaDeLecturas::Forma
{
    QString masiva;
    QString columna;  // as the result names it, when the list already holds it
};

// The rows of one shape fetched whole, and where each value's rows are: the result's row
// numbers grouped by value, each group in the server's order.
struct RafagaDeLecturas::Lote
{
    struct Tramo
    {
        int inicio = 0;  // in `filas`
        int cantidad = 0;
    };

    std::shared_ptr<const ResultadoPostgres> resultado;
    std::shared_ptr<const ColumnasRecordset> columnas;  // without an appended column
    std::vector<int> filas;
    std::unordered_map<QByteArrayView, Tramo, HashDeClave> porValor;  // views of the result's own bytes
};

// The rows of one value, read where the burst keeps them.
class RafagaDeLecturas::Respuesta final : public RecordsetDeFilas
{
public:
    Respuesta(std::shared_ptr<const Lote> lote, Lote::Tramo tramo)
        : RecordsetDeFilas(lote->columnas, tramo.cantidad)
        , m_lote(std::move(lote))
        , m_primera(m_lote->filas.data() + tramo.inicio)
    {}

protected:
    QVariant Valor(qsizetype fila, int columna) const override
    {
        return m_lote->resultado->Valor(m_primera[fila], columna);
    }

private:
    std::shared_ptr<const Lote> m_lote;
    const int* m_primera;
};

RafagaDeLecturas::RafagaDeLecturas(Ejecutor ejecutar, int filasMaximas)
    : m_ejecutar(std::move(ejecutar))
    , m_filasMaximas(filasMaximas)
    , m_formas(kFormasRecordadas)
{}

RafagaDeLecturas::~RafagaDeLecturas() = default;

std::unique_ptr<Recordset> RafagaDeLecturas::Responder(const SentenciaParametrizada& sentencia, bool lectura)
{
    if (m_filasMaximas <= 0)
        return nullptr;
    if (!lectura) {
        Terminar();  // it may change what the burst's rows show
        return nullptr;
    }
    const QString& texto = sentencia.Texto();
    if (!sentencia.LiteralesExtraidos() || sentencia.MarcadoresExplicitos() != 0 || sentencia.Valores().size() != 1
        || sentencia.Valores().front().typeId() != QMetaType::QString)
        return nullptr;

    std::shared_ptr<const Lote> lote = m_cargadas.value(texto);
    if (!lote) {
        Forma* conocida = forma(texto);
        if (conocida->masiva.isEmpty() || !m_fin.Programar())
            return nullptr;
        lote = cargar(texto, *conocida);
        if (!lote)
            return nullptr;
    }
    m_ultimaForma = texto;
    m_ultimoLote = lote;
    return responder(*static_cast<const QString*>(sentencia.Valores().front().constData()));
}

std::unique_ptr<Recordset> RafagaDeLecturas::ResponderMismaForma(const AnalizadorSentencias& analizador,
                                                                 const QString& sql)
{
    // The analyser's last shape shares its text with the one answered last.
    if (!m_ultimoLote || !analizador.UltimaForma().isSharedWith(m_ultimaForma))
        return nullptr;
    const std::optional<QStringView> literal = analizador.LiteralDeLaMismaForma(sql);
    return literal ? responder(*literal) : nullptr;
}

// The rows of the last shape's lot that hold `valor`.
std::unique_ptr<Recordset> RafagaDeLecturas::responder(QStringView valor)
{
    QVarLengthArray<char, 256> utf8(valor.size() * 3);
    char* fin = QStringEncoder(QStringEncoder::Utf8).appendToBuffer(utf8.data(), valor);
    const auto tramo = m_ultimoLote->porValor.find(QByteArrayView(utf8.data(), fin - utf8.data()));
    return std::make_unique<Respuesta>(m_ultimoLote,
                                       tramo == m_ultimoLote->porValor.end() ? Lote::Tramo() : tramo->second);
}

void RafagaDeLecturas::Terminar()
{
    m_cargadas.clear();
    m_ultimoLote.reset();
}

void RafagaDeLecturas::Olvidar()
{
    Terminar();
    m_formas.clear();
    m_columnas.clear();
}

// Reads the shape, once per shape.
RafagaDeLecturas::Forma* RafagaDeLecturas::forma(const QString& texto)
{
    if (Forma* conocida = m_formas.object(texto))
        return conocida;
    auto nueva = std::make_unique<Forma>();
    if (const std::optional<Partes> partes = Lector(texto).Leer()) {
        const Columna& columna = this->columna(partes->tabla, partes->nombre);
        if (columna.apta) {
            QString orden = partes->orden;
            if (!columna.desempate.isEmpty())
                orden += (orden.isEmpty() ? QString() : QStringLiteral(", ")) + columna.desempate;
            const bool todas = partes->lista == QLatin1String("*");
            nueva->columna = todas ? partes->nombre : QString();
            nueva->masiva = QStringLiteral("SELECT %1 FROM %2%3 LIMIT %4")
                                .arg(todas ? partes->lista : partes->lista + QStringLiteral(", ") + partes->columna,
                                     partes->tabla, orden.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + orden)
                                .arg(m_filasMaximas + 1);
        }
    }
    Forma* puntero = nueva.get();
    m_formas.insert(texto, nueva.release());
    return puntero;
}

// Asks the server about a column, once per table and column.
const RafagaDeLecturas::Columna& RafagaDeLecturas::columna(const QString& tabla, const QString& nombre)
{
    const QString clave = tabla + u'\n' + nombre;
    if (const auto conocida = m_columnas.constFind(clave); conocida != m_columnas.cend())
        return *conocida;
    Columna columna;
    try {
        const auto r = m_ejecutar(kCatalogo, {tabla, nombre});
        const auto valor = [&](int indice) { return r->Filas() == 1 ? r->Valor(0, indice) : QVariant(); };
        columna.apta = valor(0).toBool() && !valor(1).toBool() && valor(2).toDouble() <= m_filasMaximas;
        columna.desempate = valor(3).toString();
    } catch (const ErrorEjecucion& error) {
        if (esDeConexion(error))
            throw;
    }
    return *m_columnas.insert(clave, columna);
}

// Fetches the shape's rows whole and splits them by the column's value. A table grown past
// the guard, or a statement the server refuses, leaves the shape to one statement per value.
std::shared_ptr<const RafagaDeLecturas::Lote> RafagaDeLecturas::cargar(const QString& texto, Forma& forma)
{
    auto lote = std::make_shared<Lote>();
    try {
        lote->resultado = m_ejecutar(forma.masiva, {});
    } catch (const ErrorEjecucion& error) {
        if (esDeConexion(error))
            throw;
        forma.masiva.clear();
        return nullptr;
    }
    const ResultadoPostgres& r = *lote->resultado;
    const int columna = forma.columna.isEmpty() ? r.Columnas() - 1 : r.Columna(forma.columna);
    if (r.Filas() > m_filasMaximas || columna < 0) {
        forma.masiva.clear();
        return nullptr;
    }
    QStringList nombres;
    const int visibles = forma.columna.isEmpty() ? r.Columnas() - 1 : r.Columnas();
    for (int c = 0; c < visibles; ++c)
        nombres << r.Nombre(c);
    lote->columnas = std::make_shared<const ColumnasRecordset>(std::move(nombres));
    // Counted first, then placed: one lookup per row and no list per value.
    std::vector<Lote::Tramo*> tramoDeFila(size_t(r.Filas()), nullptr);
    for (int f = 0; f < r.Filas(); ++f) {
        if (const std::optional<QByteArrayView> valor = r.Texto(f, columna)) {
            Lote::Tramo& tramo = lote->porValor[*valor];
            ++tramo.cantidad;
            tramoDeFila[size_t(f)] = &tramo;
        }
    }
    int inicio = 0;
    for (auto& [valor, tramo] : lote->porValor) {
        tramo.inicio = inicio;
        inicio += std::exchange(tramo.cantidad, 0);
    }
    lote->filas.resize(size_t(inicio));
    for (int f = 0; f < r.Filas(); ++f) {
        if (Lote::Tramo* tramo = tramoDeFila[size_t(f)])
            lote->filas[size_t(tramo->inicio + tramo->cantidad++)] = f;
    }
    m_cargadas.insert(texto, lote);
    return lote;
}
