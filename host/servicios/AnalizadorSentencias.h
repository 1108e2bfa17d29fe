#pragma once

#include "SentenciaParametrizada.h"

#include <QString>
#include <optional>

// SentenciaParametrizada::Analizar with a memory of the last text. A screen runs the same
// statement once per node with another key in its one literal; a text that matches the last
// one up to that literal and from its closing quote on, with no quote in between, has the
// same shape, and comparing the two ends costs a fraction of scanning the text again. The
// shape's text is then shared with the last result, so that a caller can recognise it
// without hashing it (QString::isSharedWith).
class AnalizadorSentencias
{
public:
    explicit AnalizadorSentencias(SentenciaParametrizada::Marcador marcador)
        : m_marcador(marcador)
    {}

    SentenciaParametrizada Analizar(const QString& sql, const QVariantList& explicitos);
    // The literal of `sql` when it has the shape of the last text remembered, without
    // allocating anything; the shape is UltimaForma().
    std::optional<QStringView> LiteralDeLaMismaForma(const QString& sql) const;
    const QString& UltimaForma() const { return m_ultima.Texto(); }

private:
    void recordar(const QString& sql, const SentenciaParametrizada& forma);

    SentenciaParametrizada::Marcador m_marcador;
    SentenciaParametrizada m_ultima;
    QString m_antes;  // the last text up to and with its literal's opening quote
    QString m_despues;  // the last text from its literal's closing quote on
    bool m_recordada = false;
};
