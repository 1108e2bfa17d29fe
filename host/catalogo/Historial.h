#pragma once

#include <QDate>
#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// The change history of the catalogue, as the database's own triggers write it in
// Kes_Historial: read newest first, a page at a time, each change with the fields it changed.
namespace Historial {

struct Filtro
{
    QString clave;  // the start of the group's key before or after the change, in any case; empty: every group
    QString operador;  // part of the operator's name, in any case; empty: every operator
    QDate desde, hasta;  // both days included; an invalid date sets no bound
    QString texto;  // part of the group's description or code before or after the change, in any case
};

struct Cambio
{
    qint64 id = 0;
    QString fecha, operacion, clave, operador, usuarioBase;
    // One line per field: "Descripción: Caja → Caja chica" for a change, "Descripción: Caja"
    // for the values an added or deleted group had.
    QStringList campos;
    QString codigo, descripcion;  // the group's after the change (a deleted one's, before)
};

// Up to `limite` changes that pass the filter, newest first, older than the change with id
// `antesDe` (0: from the newest).
QList<Cambio> Leer(Connection& conexion, const Filtro& filtro, qint64 antesDe = 0, int limite = 200);

// The lines of the fields that differ between two rows (JSON objects; an empty text is no
// row), in the table's column order, each named as the window names it.
QStringList CamposCambiados(const QString& antes, const QString& despues);

// A row as the history holds it (a JSON object), by column name in lower case (PostgreSQL
// folds names); an empty text gives no columns.
QHash<QString, QJsonValue> FilaDeJson(const QString& json);
// The columns of the table in its order, then any other that the rows hold, sorted.
QStringList Columnas(const QHash<QString, QJsonValue>& una, const QHash<QString, QJsonValue>& otra = {});
// How the window names a column ("gcc_descripcion": "Descripción"); other columns keep their own.
QString NombreDeCampo(const QString& columna);
// A time of the history as the workstation's local time "yyyy-MM-dd HH:mm:ss": the database
// writes it in UTC ("...Z"); older rows, written in local time, are shown as they are.
QString FechaLocal(const QString& fecha);

// How an operation is shown: ALTA "Alta", CAMBIO "Cambio", CLAVE "Cambio de clave", BAJA "Baja".
QString NombreDeOperacion(const QString& operacion);

}  // namespace Historial
