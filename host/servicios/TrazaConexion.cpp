#include "TrazaConexion.h"

#include "RecordsetKes.h"
#include "Sesion.h"
#include "Trazado.h"

#include <QJsonArray>

namespace {

QJsonObject llamada(const char* nombre)
{
    return {{QStringLiteral("llamada"), QLatin1String(nombre)}};
}

// The rows a result brought back, written to the trace with its statement.
std::unique_ptr<Recordset> conFilas(std::unique_ptr<Recordset> rs, QJsonObject& traza)
{
    if (auto* propio = dynamic_cast<RecordsetKes*>(rs.get()))
        traza.insert(QStringLiteral("filas"), static_cast<qint64>(propio->Filas()));
    return rs;
}

std::unique_ptr<Recordset> ejecutarTrazado(QJsonObject traza,
                                           const std::function<std::unique_ptr<Recordset>()>& ejecutar)
{
    // The row count is only known after the call, so the line is written here.
    try {
        auto rs = conFilas(ejecutar(), traza);
        Sesion::Trazar(traza);
        return rs;
    } catch (const ErrorEjecucion& error) {
        Trazado::TrazarError(traza, error);
        throw;
    }
}

}  // namespace

std::unique_ptr<Recordset> TrazaConexion::Execute(const QString& sql, long opciones)
{
    // The tree loading runs here once per node: with the trace off, nothing is built.
    if (!Sesion::TrazaActiva())
        return real()->Execute(sql, opciones);
    QJsonObject traza = llamada("Execute");
    traza.insert(QStringLiteral("sql"), sql);
    traza.insert(QStringLiteral("opciones"), static_cast<qint64>(opciones));
    return ejecutarTrazado(traza, [&] { return real()->Execute(sql, opciones); });
}

std::unique_ptr<Recordset> TrazaConexion::Execute(const QString& sql, const QVariantList& parametros)
{
    if (!Sesion::TrazaActiva())
        return real()->Execute(sql, parametros);
    QJsonObject traza = llamada("Execute");
    traza.insert(QStringLiteral("sql"), sql);
    QJsonArray valores;
    for (const QVariant& valor : parametros)
        valores.append(Trazado::Json(valor));
    traza.insert(QStringLiteral("parametros"), valores);
    return ejecutarTrazado(traza, [&] { return real()->Execute(sql, parametros); });
}

void TrazaConexion::BeginTrans()
{
    if (!Sesion::TrazaActiva())
        return real()->BeginTrans();
    Trazado::Ejecutar(llamada("BeginTrans"), [this] { real()->BeginTrans(); });
}

void TrazaConexion::CommitTrans()
{
    if (!Sesion::TrazaActiva())
        return real()->CommitTrans();
    Trazado::Ejecutar(llamada("CommitTrans"), [this] { real()->CommitTrans(); });
}

void TrazaConexion::RollbackTrans()
{
    if (!Sesion::TrazaActiva())
        return real()->RollbackTrans();
    Trazado::Ejecutar(llamada("RollbackTrans"), [this] { real()->RollbackTrans(); });
}

bool TrazaConexion::EnTransaccion() const
{
    if (!Sesion::TrazaActiva())
        return real()->EnTransaccion();
    return Trazado::Ejecutar(llamada("EnTransaccion"), [this] { return real()->EnTransaccion(); });
}
