#include "SentenciaParametrizada.h"

#include "ErrorEjecucion.h"
#include "LiteralSql.h"

#include <array>

namespace {

bool esDeIdentificador(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Only queries and data changes are worth sharing, and only there does a parameter stand
// where a literal stood (a DEFAULT in CREATE TABLE, for one, may not be a parameter).
bool esConsultaOCambio(const QChar* p, const QChar* fin)
{
    for (;;) {
        while (p < fin && (p->isSpace() || *p == u'('))
            ++p;
        if (p + 1 < fin && p[0] == u'-' && p[1] == u'-') {
            while (p < fin && *p != u'\n')
                ++p;
            continue;
        }
        if (p + 1 < fin && p[0] == u'/' && p[1] == u'*') {
            p += 2;
            while (p + 1 < fin && !(p[0] == u'*' && p[1] == u'/'))
                ++p;
            p += 2;
            continue;
        }
        break;
    }
    const QChar* palabra = p;
    while (p < fin && p->isLetter())
        ++p;
    const QStringView inicio(palabra, p - palabra);
    static constexpr std::array<QStringView, 7> kPalabras = {u"SELECT", u"INSERT", u"UPDATE", u"DELETE",
                                                             u"WITH",   u"VALUES", u"REPLACE"};
    for (QStringView k : kPalabras)
        if (inicio.compare(k, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// E'...', N'...', X'...', B'...' and U&'...' are literals with rules of their own (escapes,
// blobs, bit strings); they are left in the text.
bool tienePrefijo(const QChar* inicio, const QChar* comilla)
{
    const QChar* p = comilla;
    while (p > inicio && (esDeIdentificador(p[-1]) || p[-1] == u'&'))
        --p;
    const QStringView prefijo(p, comilla - p);
    if (prefijo.isEmpty())
        return false;
    static constexpr std::array<QStringView, 5> kPrefijos = {u"E", u"N", u"X", u"B", u"U&"};
    for (QStringView k : kPrefijos)
        if (prefijo.compare(k, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The characters that can start a literal, a quoted identifier, a comment or a placeholder;
// everything else is copied as it stands, so the scan skips it in a tight loop.
constexpr std::array<bool, 128> kEspeciales = [] {
    std::array<bool, 128> tabla{};
    for (char c : {'\'', '"', '`', '[', '-', '/', '$', '?'})
        tabla[static_cast<unsigned char>(c)] = true;
    return tabla;
}();

inline bool esEspecial(QChar c)
{
    return c.unicode() < 128 && kEspeciales[c.unicode()];
}

class Escaner
{
public:
    Escaner(const QString& sql, const QVariantList& explicitos, SentenciaParametrizada::Marcador marcador, bool extraer)
        : m_inicio(sql.constData())
        , m_fin(sql.constData() + sql.size())
        , m_explicitos(explicitos)
        , m_marcador(marcador)
        , m_extraer(extraer)
    {
        m_texto.reserve(sql.size() + 16);
    }

    // False when the text holds something the scan cannot take literals out of with
    // certainty; the caller then scans again without extracting.
    bool Recorrer()
    {
        m_copiadoHasta = m_inicio;
        const QChar* p = m_inicio;
        for (;;) {
            while (p < m_fin && !esEspecial(*p))
                ++p;
            if (p >= m_fin)
                break;
            const QChar c = *p;
            if (c == u'\'') {
                if (!literal(p))
                    return false;
            } else if (c == u'"' || (interrogacion() && (c == u'`' || c == u'['))) {
                p = saltarIdentificador(p, c == u'[' ? QChar(u']') : c);
            } else if (c == u'-' && p + 1 < m_fin && p[1] == u'-') {
                while (p < m_fin && *p != u'\n')
                    ++p;
            } else if (c == u'/' && p + 1 < m_fin && p[1] == u'*') {
                if (!saltarComentario(p))
                    return false;
            } else if (c == u'$' && !interrogacion() && m_extraer) {
                return false;  // a dollar-quoted string or a numbered parameter of the caller
            } else if (c == u'?') {
                marcadorExplicito(p);
                ++p;
            } else {
                ++p;
            }
        }
        m_texto.append(m_copiadoHasta, m_fin - m_copiadoHasta);
        return true;
    }

    QString m_texto;
    QVariantList m_valores;
    int m_marcadoresExplicitos = 0;
    int m_literales = 0;
    SentenciaParametrizada::Literal m_ultimoLiteral;
    bool m_ultimoConComillas = false;

private:
    bool interrogacion() const { return m_marcador == SentenciaParametrizada::Marcador::Interrogacion; }

    void escribirMarcador()
    {
        ++m_parametros;
        if (interrogacion()) {
            m_texto += u'?';
        } else {
            m_texto += u'$';
            m_texto += QString::number(m_parametros);
        }
    }

    void sustituir(const QChar* desde, const QChar* hasta)
    {
        m_texto.append(m_copiadoHasta, desde - m_copiadoHasta);
        escribirMarcador();
        m_copiadoHasta = hasta;
    }

    bool literal(const QChar*& p)
    {
        QString valor;
        const qsizetype cierre =
            LiteralSql::Cierre(QStringView(m_inicio, m_fin), p - m_inicio, m_extraer ? &valor : nullptr);
        if (cierre < 0) {  // unterminated: the database reports it
            if (m_extraer)
                return false;
            p = m_fin;
            return true;
        }
        const QChar* q = m_inicio + cierre;
        if (m_extraer) {
            if (tienePrefijo(m_inicio, p))
                return false;
            sustituir(p, q + 1);
            ++m_literales;
            m_ultimoLiteral = {p + 1 - m_inicio, q - m_inicio};
            m_ultimoConComillas = valor.size() != q - (p + 1);
            m_valores.append(valor);
        }
        p = q + 1;
        return true;
    }

    const QChar* saltarIdentificador(const QChar* p, QChar cierre)
    {
        ++p;
        while (p < m_fin) {
            if (*p == cierre) {
                if (cierre != u']' && p + 1 < m_fin && p[1] == cierre) {
                    p += 2;
                    continue;
                }
                return p + 1;
            }
            ++p;
        }
        return m_fin;
    }

    bool saltarComentario(const QChar*& p)
    {
        p += 2;
        while (p + 1 < m_fin && !(p[0] == u'*' && p[1] == u'/')) {
            if (p[0] == u'/' && p[1] == u'*' && m_extraer)
                return false;  // PostgreSQL nests comments, SQLite does not
            ++p;
        }
        p = (p + 1 < m_fin) ? p + 2 : m_fin;
        return true;
    }

    void marcadorExplicito(const QChar* p)
    {
        ++m_marcadoresExplicitos;
        const int indice = m_marcadoresExplicitos - 1;
        if (m_extraer || !interrogacion())
            sustituir(p, p + 1);
        if (indice < m_explicitos.size())
            m_valores.append(m_explicitos.at(indice));
    }

    const QChar* m_inicio;
    const QChar* m_fin;
    const QChar* m_copiadoHasta = nullptr;
    const QVariantList& m_explicitos;
    SentenciaParametrizada::Marcador m_marcador;
    bool m_extraer;
    int m_parametros = 0;
};

}  // namespace

SentenciaParametrizada SentenciaParametrizada::Analizar(const QString& sql, const QVariantList& explicitos,
                                                        Marcador marcador)
{
    SentenciaParametrizada resultado;
    auto tomar = [&resultado](Escaner& escaner, bool extraidos) {
        resultado.m_texto = std::move(escaner.m_texto);
        resultado.m_valores = std::move(escaner.m_valores);
        resultado.m_marcadoresExplicitos = escaner.m_marcadoresExplicitos;
        resultado.m_literalesExtraidos = extraidos;
        if (extraidos && escaner.m_literales == 1 && escaner.m_marcadoresExplicitos == 0
            && !escaner.m_ultimoConComillas)
            resultado.m_literalUnico = escaner.m_ultimoLiteral;
    };
    const bool extraer = esConsultaOCambio(sql.constData(), sql.constData() + sql.size());
    Escaner escaner(sql, explicitos, marcador, extraer);
    if (escaner.Recorrer()) {
        tomar(escaner, extraer);
    } else {
        Escaner literal(sql, explicitos, marcador, false);
        literal.Recorrer();
        tomar(literal, false);
    }
    return resultado;
}

SentenciaParametrizada SentenciaParametrizada::SinExtraer(const QString& sql, const QVariantList& explicitos,
                                                          Marcador marcador)
{
    SentenciaParametrizada resultado;
    Escaner escaner(sql, explicitos, marcador, false);
    escaner.Recorrer();
    resultado.m_texto = std::move(escaner.m_texto);
    resultado.m_valores = std::move(escaner.m_valores);
    resultado.m_marcadoresExplicitos = escaner.m_marcadoresExplicitos;
    return resultado;
}

SentenciaParametrizada SentenciaParametrizada::ConLiteral(const QString& valor) const
{
    SentenciaParametrizada otra = *this;
    otra.m_valores = QVariantList{valor};
    otra.m_literalUnico = {};
    return otra;
}

void SentenciaParametrizada::ExigirValores(qsizetype valores) const
{
    if (m_marcadoresExplicitos != valores)
        throw ErrorEjecucion(QStringLiteral("La sentencia tiene %1 marcadores de parámetro (?) fuera de los textos "
                                            "entre comillas y se dieron %2 valores")
                                 .arg(m_marcadoresExplicitos)
                                 .arg(valores));
}
