#include "Historial.h"

#include "Ado.h"
#include "CatalogoCsv.h"
#include "ColumnasCsv.h"
#include "Esquema.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace Historial {

QString NombreDeCampo(const QString& columna)
{
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    const auto it = std::find_if(columnas.cbegin(), columnas.cend(),
                                 [&](const QString& c) { return c.compare(columna, Qt::CaseInsensitive) == 0; });
    if (it == columnas.cend())
        return columna;
    const qsizetype i = it - columnas.cbegin();
    return i == CatalogoCsv::Columnas::kPadre ? QStringLiteral("Grupo padre") : CatalogoCsv::Encabezados()[i];
}

QHash<QString, QJsonValue> FilaDeJson(const QString& json)
{
    QHash<QString, QJsonValue> valores;
    const QJsonObject objeto = QJsonDocument::fromJson(json.toUtf8()).object();
    for (auto it = objeto.begin(); it != objeto.end(); ++it)
        valores.insert(it.key().toLower(), it.value());
    return valores;
}

namespace {

QString texto(const QJsonValue& valor)
{
    if (valor.isDouble())
        return QString::number(valor.toDouble(), 'g', 15);
    return valor.isNull() || valor.isUndefined() ? QString() : valor.toVariant().toString();
}

}  // namespace

QStringList Columnas(const QHash<QString, QJsonValue>& una, const QHash<QString, QJsonValue>& otra)
{
    QStringList columnas;
    for (const QString& columna : Esquema::ColumnasDeGrupo())
        columnas << columna.toLower();
    QStringList otras;
    for (const auto* f : {&una, &otra})
        for (auto it = f->cbegin(); it != f->cend(); ++it)
            if (!columnas.contains(it.key()) && !otras.contains(it.key()))
                otras << it.key();
    otras.sort();
    return columnas + otras;
}

QStringList CamposCambiados(const QString& antes, const QString& despues)
{
    const auto viejo = FilaDeJson(antes), nuevo = FilaDeJson(despues);
    QStringList lineas;
    for (const QString& columna : Columnas(viejo, nuevo)) {
        const QString a = texto(viejo.value(columna)), d = texto(nuevo.value(columna));
        if (viejo.isEmpty() || nuevo.isEmpty()) {
            if (!(a + d).isEmpty())
                lineas << NombreDeCampo(columna) + QStringLiteral(": ") + a + d;
        } else if (a != d) {
            lineas << NombreDeCampo(columna) + QStringLiteral(": ") + a + QStringLiteral(" → ") + d;
        }
    }
    return lineas;
}

QString FechaLocal(const QString& fecha)
{
    if (!fecha.endsWith(QLatin1Char('Z')))
        return fecha;
    QDateTime utc = QDateTime::fromString(fecha.chopped(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!utc.isValid())
        return fecha;
    utc.setTimeZone(QTimeZone::utc());
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString NombreDeOperacion(const QString& operacion)
{
    if (operacion == QLatin1String("ALTA"))
        return QStringLiteral("Alta");
    if (operacion == QLatin1String("BAJA"))
        return QStringLiteral("Baja");
    if (operacion == QLatin1String("CLAVE"))
        return QStringLiteral("Cambio de clave");
    return QStringLiteral("Cambio");
}

namespace {

// A LIKE pattern, escaped with '!', for a text in lower case: its start, or any part of it.
QString patron(const QString& texto, bool soloAlPrincipio)
{
    QString escapado = texto.trimmed().toLower();
    escapado.replace(QLatin1Char('!'), QStringLiteral("!!"))
        .replace(QLatin1Char('%'), QStringLiteral("!%"))
        .replace(QLatin1Char('_'), QStringLiteral("!_"));
    return (soloAlPrincipio ? QString() : QStringLiteral("%")) + escapado + QLatin1Char('%');
}

// The statement for the filter's key, operator and dates, older than `antesDe`, newest first.
QString consulta(const Filtro& filtro, qint64 antesDe, int limite, QVariantList& valores)
{
    QString sql = QStringLiteral("SELECT His_Id, His_Fecha, His_Operacion, His_Clave, His_Antes, His_Despues,"
                                 " His_Operador, His_Usuario_Base FROM Kes_Historial"
                                 " WHERE His_Tabla = 'Grupo_Cuenta_Contable'");
    if (!filtro.clave.trimmed().isEmpty()) {
        sql +=
            QStringLiteral(" AND (lower(His_Clave) LIKE ? ESCAPE '!' OR lower(His_Clave_Anterior) LIKE ? ESCAPE '!')");
        valores << patron(filtro.clave, true) << patron(filtro.clave, true);
    }
    if (!filtro.operador.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND lower(His_Operador) LIKE ? ESCAPE '!'");
        valores << patron(filtro.operador, false);
    }
    // Times are "yyyy-MM-dd HH:mm:ss": they compare as text.
    if (filtro.desde.isValid()) {
        sql += QStringLiteral(" AND His_Fecha >= ?");
        valores << filtro.desde.toString(Qt::ISODate);
    }
    if (filtro.hasta.isValid()) {
        sql += QStringLiteral(" AND His_Fecha < ?");
        valores << filtro.hasta.addDays(1).toString(Qt::ISODate);
    }
    if (antesDe > 0) {
        sql += QStringLiteral(" AND His_Id < ?");
        valores << antesDe;
    }
    return sql + QStringLiteral(" ORDER BY His_Id DESC LIMIT %1").arg(qMax(1, limite));
}

// Whether the group's description or code, before or after the change, holds `texto`.
bool tieneTexto(const QHash<QString, QJsonValue>& antes, const QHash<QString, QJsonValue>& despues,
                const QString& buscado)
{
    for (const auto* f : {&antes, &despues})
        for (const char* columna : {"gcc_descripcion", "gcc_codigo"})
            if (texto(f->value(QLatin1String(columna))).contains(buscado, Qt::CaseInsensitive))
                return true;
    return false;
}

}  // namespace

QList<Cambio> Leer(Connection& conexion, const Filtro& filtro, qint64 antesDe, int limite)
{
    // Descriptions and codes live in the rows' JSON, which the two databases query each their
    // own way: they are looked for here, in batches, until the page is full.
    const QString buscado = filtro.texto.trimmed();
    const int lote = buscado.isEmpty() ? limite : qMax(limite, 500);
    QList<Cambio> cambios;
    for (qint64 desde = antesDe;;) {
        QVariantList valores;
        int leidos = 0;
        for (auto rs = conexion.Execute(consulta(filtro, desde, lote, valores), valores); !rs->Eof(); rs->MoveNext()) {
            ++leidos;
            const auto campo = [&](const char* nombre) { return rs->Fields(QLatin1String(nombre)).toString(); };
            desde = rs->Fields(QStringLiteral("His_Id")).toLongLong();
            const QString antes = campo("His_Antes"), despues = campo("His_Despues");
            const auto filaAntes = FilaDeJson(antes), filaDespues = FilaDeJson(despues);
            if (!buscado.isEmpty() && !tieneTexto(filaAntes, filaDespues, buscado))
                continue;
            const auto& delGrupo = filaDespues.isEmpty() ? filaAntes : filaDespues;
            cambios << Cambio{desde,
                              FechaLocal(campo("His_Fecha")),
                              campo("His_Operacion"),
                              campo("His_Clave"),
                              campo("His_Operador"),
                              campo("His_Usuario_Base"),
                              CamposCambiados(antes, despues),
                              texto(delGrupo.value(QStringLiteral("gcc_codigo"))),
                              texto(delGrupo.value(QStringLiteral("gcc_descripcion")))};
            if (cambios.size() == limite)
                return cambios;
        }
        if (leidos < lote)
            return cambios;
    }
}

}  // namespace Historial
