#include "AnalizadorSentencias.h"

SentenciaParametrizada AnalizadorSentencias::Analizar(const QString& sql, const QVariantList& explicitos)
{
    if (m_recordada && explicitos.isEmpty()) {
        const QStringView texto(sql);
        const qsizetype largo = texto.size() - m_antes.size() - m_despues.size();
        // Exact comparisons (operator==), not startsWith, which goes through the case-aware
        // general comparison.
        if (largo >= 0 && texto.first(m_antes.size()) == m_antes && texto.last(m_despues.size()) == m_despues) {
            const QStringView literal = texto.sliced(m_antes.size(), largo);
            if (!literal.contains(u'\''))
                return m_ultima.ConLiteral(literal.toString());
        }
    }
    SentenciaParametrizada forma = SentenciaParametrizada::Analizar(sql, explicitos, m_marcador);
    recordar(sql, forma);
    return forma;
}

void AnalizadorSentencias::recordar(const QString& sql, const SentenciaParametrizada& forma)
{
    const SentenciaParametrizada::Literal literal = forma.LiteralUnico();
    m_recordada = literal.inicio >= 0;
    if (!m_recordada)
        return;
    m_ultima = forma;
    m_antes = sql.first(literal.inicio);
    m_despues = sql.sliced(literal.fin);
}
