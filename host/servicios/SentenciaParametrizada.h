#pragma once

#include <QString>
#include <QVariantList>

// The shape of a statement text. The component writes its values into the text as quoted
// literals; taking each literal out as a bound parameter lets every text that differs only
// in its literals share one prepared statement, as database servers do with simple
// parameterization. The text is scanned once: '...' literals (with '' escapes) become
// parameters, numbers stay literal, and quoted identifiers and comments are copied as they
// are. Statements other than queries and data changes keep their literals, and so does any
// text the scan cannot read with certainty (prefixed literals such as E'...', dollar quotes,
// an unterminated literal): those run exactly as written.
class SentenciaParametrizada
{
public:
    // How the engine writes a parameter: SQLite "?", PostgreSQL "$1", "$2", ...
    enum class Marcador { Interrogacion, Dolar };

    // `explicitos` are the values of the "?" placeholders the caller wrote outside literals;
    // they take their place among the extracted literals in text order.
    static SentenciaParametrizada Analizar(const QString& sql, const QVariantList& explicitos, Marcador marcador);
    // The text as written, with only the caller's "?" placeholders in the engine's form: for
    // a shape the server could not prepare with parameters where its literals stood.
    static SentenciaParametrizada SinExtraer(const QString& sql, const QVariantList& explicitos, Marcador marcador);

    // The text to prepare: the key of the statement cache.
    const QString& Texto() const { return m_texto; }
    // The values of the text's parameters, in order.
    const QVariantList& Valores() const { return m_valores; }
    // Whether literals were taken out (the text is a shape shared by many statements).
    bool LiteralesExtraidos() const { return m_literalesExtraidos; }
    // "?" placeholders the caller wrote; must equal the number of explicit values.
    int MarcadoresExplicitos() const { return m_marcadoresExplicitos; }
    // Throws ErrorEjecucion unless the text has exactly `valores` "?" placeholders: a "?"
    // left without a value would silently become NULL.
    void ExigirValores(qsizetype valores) const;

    // Where the text's one literal stands in the text as written (after its opening quote,
    // up to its closing quote), when exactly one literal without '' was taken out and the
    // caller wrote no "?": the one place another text of the same shape may differ.
    struct Literal
    {
        qsizetype inicio = -1;
        qsizetype fin = -1;
    };
    Literal LiteralUnico() const { return m_literalUnico; }
    // The same shape with another value for its one literal (the text it stands for is not
    // known, so the result has no LiteralUnico).
    SentenciaParametrizada ConLiteral(const QString& valor) const;

private:
    QString m_texto;
    QVariantList m_valores;
    bool m_literalesExtraidos = false;
    int m_marcadoresExplicitos = 0;
    Literal m_literalUnico;
};
