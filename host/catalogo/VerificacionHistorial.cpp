#include "VerificacionHistorial.h"

#include "Ado.h"
#include "Esquema.h"
#include "Historial.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace VerificacionHistorial {

namespace {

struct Fila
{
    qint64 id = 0;
    QVariantList campos;  // as sealed: table, operation, key, previous key, before, after, operator, login, time
    QVariant sello;

    QString campo(int i) const { return campos.value(i).toString(); }
    QString operacion() const { return campo(1); }
    QString clave() const { return campo(2); }
    QString anterior() const { return campo(3); }
    QVariant antes() const { return campos.value(4); }
    QVariant despues() const { return campos.value(5); }
    QString fecha() const { return campo(8); }
};

// Rows compare by their columns and values, not by how the engine spelt the JSON.
bool mismaFila(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return QJsonDocument::fromJson(a.toString().toUtf8()).object()
           == QJsonDocument::fromJson(b.toString().toUtf8()).object();
}

Veredicto roto(const Fila& fila, const QString& motivo)
{
    return {false, QStringLiteral("Historial alterado: el cambio %1 del %2 (clave %3): %4")
                       .arg(fila.id)
                       .arg(Historial::FechaLocal(fila.fecha()), fila.clave(), motivo)};
}

QList<Fila> leerHistorial(Connection& conexion)
{
    static const char* const kColumnas[] = {"His_Tabla",          "His_Operacion",    "His_Clave",
                                            "His_Clave_Anterior", "His_Antes",        "His_Despues",
                                            "His_Operador",       "His_Usuario_Base", "His_Fecha"};
    QList<Fila> filas;
    for (auto rs = conexion.Execute(QStringLiteral(
             "SELECT His_Id, His_Tabla, His_Operacion, His_Clave, His_Clave_Anterior, His_Antes, His_Despues,"
             " His_Operador, His_Usuario_Base, His_Fecha, His_Sello FROM Kes_Historial ORDER BY His_Id"));
         !rs->Eof(); rs->MoveNext()) {
        Fila fila{rs->Fields(QStringLiteral("His_Id")).toLongLong(), {}, rs->Fields(QStringLiteral("His_Sello"))};
        for (const char* columna : kColumnas) {
            const QVariant valor = rs->Fields(QLatin1String(columna));
            fila.campos << (valor.isNull() ? QVariant() : QVariant(valor.toString()));
        }
        filas << fila;
    }
    return filas;
}

// The chain: rows older than the seals (written before they existed) come first, unsealed.
std::optional<Veredicto> revisarCadena(const QList<Fila>& filas, int* sellados)
{
    QString anterior;
    for (const Fila& fila : filas) {
        if (fila.sello.isNull()) {
            if (*sellados > 0)
                return roto(fila, QStringLiteral("no tiene sello, y los cambios anteriores sí"));
            continue;
        }
        if (Esquema::Sello(anterior, fila.campos) != fila.sello.toString())
            return roto(fila, QStringLiteral("su sello no corresponde a su contenido ni al cambio anterior: el cambio "
                                             "se modificó, o se borró o insertó otro antes de él"));
        anterior = fila.sello.toString();
        ++*sellados;
    }
    return std::nullopt;
}

// Each group's changes follow one another; `ultimo` ends with each key's last "after"
// (null once the group was deleted or its key changed).
std::optional<Veredicto> revisarContinuidad(const QList<Fila>& filas, QHash<QString, QVariant>* ultimo)
{
    for (const Fila& fila : filas) {
        if (fila.campo(0) != QLatin1String("Grupo_Cuenta_Contable"))
            continue;
        const QString deDonde = fila.operacion() == QLatin1String("ALTA") ? fila.clave() : fila.anterior();
        const bool conocido = ultimo->contains(deDonde);
        const QVariant esperado = ultimo->value(deDonde);
        if (fila.operacion() == QLatin1String("ALTA")) {
            if (conocido && !esperado.isNull())
                return roto(fila, QStringLiteral("da de alta una clave que ya existía"));
        } else if (conocido && !mismaFila(esperado, fila.antes())) {
            return roto(fila, QStringLiteral("lo que había antes no es lo que dejó el cambio anterior del grupo: hubo "
                                             "cambios que el historial no registró"));
        }
        if (fila.operacion() == QLatin1String("CLAVE"))
            ultimo->insert(fila.anterior(), QVariant());
        ultimo->insert(fila.clave(), fila.despues());
    }
    return std::nullopt;
}

}  // namespace

Veredicto Verificar(Connection& conexion, Sesion::Configuracion::Motor motor)
{
    const QList<Fila> filas = leerHistorial(conexion);
    int sellados = 0;
    if (auto veredicto = revisarCadena(filas, &sellados))
        return *veredicto;
    QHash<QString, QVariant> ultimo;
    if (auto veredicto = revisarContinuidad(filas, &ultimo))
        return *veredicto;
    QHash<QString, qint64> ultimaFila;
    for (const Fila& fila : filas)
        ultimaFila.insert(fila.clave(), fila.id);
    QHash<QString, QVariant> enTabla;
    for (auto rs = conexion.Execute(QStringLiteral("SELECT g.Gcc_Cve_Grupo_Cuenta_Contable AS Clave, %1 AS Fila"
                                                   " FROM Grupo_Cuenta_Contable g")
                                        .arg(Esquema::FilaComoJson(conexion, motor, QStringLiteral("g"))));
         !rs->Eof(); rs->MoveNext())
        enTabla.insert(rs->Fields(QStringLiteral("Clave")).toString(), rs->Fields(QStringLiteral("Fila")));
    const auto fallaDe = [&](const QString& clave, const QString& motivo) {
        return Veredicto{false, QStringLiteral("Historial alterado: el grupo %1 %2").arg(clave, motivo)};
    };
    for (auto it = enTabla.cbegin(); it != enTabla.cend(); ++it) {
        if (!ultimo.contains(it.key()) || ultimo.value(it.key()).isNull())
            return fallaDe(it.key(), QStringLiteral("está en el catálogo y el historial no registra su alta"));
        if (!mismaFila(ultimo.value(it.key()), it.value()))
            return fallaDe(it.key(), QStringLiteral("no es como lo dejó su último cambio registrado (el %1): se cambió "
                                                    "sin pasar por el historial")
                                         .arg(ultimaFila.value(it.key())));
    }
    for (auto it = ultimo.cbegin(); it != ultimo.cend(); ++it) {
        if (!it.value().isNull() && !enTabla.contains(it.key()))
            return fallaDe(it.key(), QStringLiteral("falta en el catálogo y el historial no registra su baja"));
    }
    return {true, QStringLiteral("Historial íntegro: %1 cambios sellados en cadena; los %2 grupos del catálogo son "
                                 "como los dejó su último cambio")
                      .arg(sellados)
                      .arg(enTabla.size())};
}

}  // namespace VerificacionHistorial
