#pragma once

#include "ErrorEjecucion.h"
#include "Sesion.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariant>
#include <type_traits>

// What the trace decorators share: run a call and, when the trace is on, write one line
// with its arguments and its result (or its error). The line is written when the call
// returns, so a call made inside another (a message of the tree search) comes first.
namespace Trazado {

inline QJsonValue Json(const QVariant& valor)
{
    if (valor.typeId() == QMetaType::QDateTime)
        return valor.toDateTime().toString(Qt::ISODate);
    return QJsonValue::fromVariant(valor);
}
inline QJsonValue Json(const QString& valor)
{
    return valor;
}
inline QJsonValue Json(bool valor)
{
    return valor;
}
inline QJsonValue Json(long valor)
{
    return static_cast<qint64>(valor);
}
inline QJsonValue Json(const QDateTime& valor)
{
    return valor.toString(Qt::ISODate);
}

// Writes the call's line with the error it ended in.
inline void TrazarError(QJsonObject& traza, const ErrorEjecucion& error)
{
    traza.insert(QStringLiteral("error"), error.Description());
    if (!error.Codigo().isEmpty())
        traza.insert(QStringLiteral("codigo"), error.Codigo());
    Sesion::Trazar(traza);
}

template <class Llamada>
auto Ejecutar(QJsonObject traza, Llamada&& llamada) -> decltype(llamada())
{
    using Resultado = decltype(llamada());
    if (!Sesion::TrazaActiva())
        return llamada();
    try {
        if constexpr (std::is_void_v<Resultado>) {
            llamada();
            Sesion::Trazar(traza);
        } else {
            Resultado resultado = llamada();
            traza.insert(QStringLiteral("resultado"), Json(resultado));
            Sesion::Trazar(traza);
            return resultado;
        }
    } catch (const ErrorEjecucion& error) {
        TrazarError(traza, error);
        throw;
    }
}

}  // namespace Trazado
