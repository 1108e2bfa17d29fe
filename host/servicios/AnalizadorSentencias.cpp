#include "AnalizadorSentencias.h"

#include <cstring>

namespace {

// Byte for byte: QStringView's comparisons go through the general, case-aware routine,
// which costs more than the whole rest of recognising a statement.
bool mismosCaracteres(const QChar* texto, const QString& esperado)
{
    return std::memcmp(texto, esperado.constData(), static_cast<size_t>(esperado.size()) * sizeof(QChar)) == 0;
}

}  // namespace

SentenciaParametrizada AnalizadorSentencias::Analizar(const QString& sql, const QVariantList& explicitos)
{
    if (explicitos.isEmpty()) {
        if (const auto literal = LiteralDeLaMismaForma(sql))
            return m_ultima.ConLiteral(literal->toString());
    }
    SentenciaParametrizada forma = SentenciaParametrizada::Analizar(sql, explicitos, m_marcador);
    recordar(sql, forma);
    return forma;
}

std::optional<QStringView> AnalizadorSentencias::LiteralDeLaMismaForma(const QString& sql) const
{
    if (!m_recordada)
        return std::nullopt;
    const qsizetype largo = sql.size() - m_antes.size() - m_despues.size();
    if (largo < 0 || !mismosCaracteres(sql.constData(), m_antes)
        || !mismosCaracteres(sql.constData() + sql.size() - m_despues.size(), m_despues))
        return std::nullopt;
    const QStringView literal = QStringView(sql).sliced(m_antes.size(), largo);
    if (literal.contains(u'\''))
        return std::nullopt;
    return literal;
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
