#include "Historial.h"

#include "Ado.h"
#include "CatalogoCsv.h"
#include "ColumnasCsv.h"
#include "Esquema.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace Historial {

namespace {

// The names of the catalogue's columns in the window, those of its files but the parent's;
// other columns keep their own.
QString nombreDeCampo(const QString& columna)
{
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    const auto it = std::find_if(columnas.cbegin(), columnas.cend(),
                                 [&](const QString& c) { return c.compare(columna, Qt::CaseInsensitive) == 0; });
    if (it == columnas.cend())
        return columna;
    const qsizetype i = it - columnas.cbegin();
    return i == CatalogoCsv::Columnas::kPadre ? QStringLiteral("Grupo padre") : CatalogoCsv::Encabezados()[i];
}

QString texto(const QJsonValue& valor)
{
    if (valor.isDouble())
        return QString::number(valor.toDouble(), 'g', 15);
    return valor.isNull() || valor.isUndefined() ? QString() : valor.toVariant().toString();
}

// A row as the trigger wrote it, by column name in lower case (PostgreSQL folds names).
QHash<QString, QJsonValue> fila(const QString& json)
{
    QHash<QString, QJsonValue> valores;
    const QJsonObject objeto = QJsonDocument::fromJson(json.toUtf8()).object();
    for (auto it = objeto.begin(); it != objeto.end(); ++it)
        valores.insert(it.key().toLower(), it.value());
    return valores;
}

}  // namespace

QStringList CamposCambiados(const QString& antes, const QString& despues)
{
    const auto viejo = fila(antes), nuevo = fila(despues);
    // The table's columns in their order, then any other the rows hold.
    QStringList columnas;
    for (const QString& columna : Esquema::ColumnasDeGrupo())
        columnas << columna.toLower();
    QStringList otras;
    for (const auto* f : {&viejo, &nuevo})
        for (auto it = f->cbegin(); it != f->cend(); ++it)
            if (!columnas.contains(it.key()) && !otras.contains(it.key()))
                otras << it.key();
    otras.sort();
    QStringList lineas;
    for (const QString& columna : columnas + otras) {
        const QString a = texto(viejo.value(columna)), d = texto(nuevo.value(columna));
        if (viejo.isEmpty() || nuevo.isEmpty()) {
            if (!(a + d).isEmpty())
                lineas << nombreDeCampo(columna) + QStringLiteral(": ") + a + d;
        } else if (a != d) {
            lineas << nombreDeCampo(columna) + QStringLiteral(": ") + a + QStringLiteral(" → ") + d;
        }
    }
    return lineas;
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

QList<Cambio> Leer(Connection& conexion, const Filtro& filtro, qint64 antesDe, int limite)
{
    QString sql = QStringLiteral("SELECT His_Id, His_Fecha, His_Operacion, His_Clave, His_Antes, His_Despues,"
                                 " His_Operador, His_Usuario_Base FROM Kes_Historial"
                                 " WHERE His_Tabla = 'Grupo_Cuenta_Contable'");
    QVariantList valores;
    if (!filtro.clave.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND (His_Clave = ? OR His_Clave_Anterior = ?)");
        valores << filtro.clave.trimmed() << filtro.clave.trimmed();
    }
    if (!filtro.operador.trimmed().isEmpty()) {
        QString patron = filtro.operador.trimmed().toLower();
        patron.replace(QLatin1Char('!'), QStringLiteral("!!"))
            .replace(QLatin1Char('%'), QStringLiteral("!%"))
            .replace(QLatin1Char('_'), QStringLiteral("!_"));
        sql += QStringLiteral(" AND lower(His_Operador) LIKE ? ESCAPE '!'");
        valores << QLatin1Char('%') + patron + QLatin1Char('%');
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
    sql += QStringLiteral(" ORDER BY His_Id DESC LIMIT %1").arg(qMax(1, limite));
    QList<Cambio> cambios;
    for (auto rs = conexion.Execute(sql, valores); !rs->Eof(); rs->MoveNext()) {
        const auto campo = [&](const char* nombre) { return rs->Fields(QLatin1String(nombre)).toString(); };
        cambios << Cambio{rs->Fields(QStringLiteral("His_Id")).toLongLong(),
                          campo("His_Fecha"),
                          campo("His_Operacion"),
                          campo("His_Clave"),
                          campo("His_Operador"),
                          campo("His_Usuario_Base"),
                          CamposCambiados(campo("His_Antes"), campo("His_Despues"))};
    }
    return cambios;
}

}  // namespace Historial
