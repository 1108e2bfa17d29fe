#include "Reorganizacion.h"

#include "Ado.h"
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "GuardaTransaccion.h"
#include "Historial.h"
#include "Identificador.h"
#include "Servicios.h"
#include "Sesion.h"

#include <QSet>
#include <cmath>
#include <functional>
#include <optional>

namespace Reorganizacion {

namespace {

const QString kPadre = QStringLiteral("gcc_padre");
const QString kClave = QStringLiteral("gcc_cve_grupo_cuenta_contable");

bool fallar(QString* error, const QString& razon)
{
    if (error)
        *error = razon;
    return false;
}

QString bajo(const QString& padre)
{
    return padre == GrupoCuenta::kClaveRaiz ? QStringLiteral("la raíz del catálogo")
                                            : QStringLiteral("el grupo %1").arg(padre);
}

// On PostgreSQL a read inside the transaction locks what it reads: `FOR SHARE` makes it wait for
// another user's change of that row and then read what was committed; SQLite writes one at a time.
QString bloqueando(const char* como)
{
    return Sesion::ConfiguracionActual().motor == Sesion::Configuracion::PostgreSQL ? QLatin1String(como) : QString();
}

enum class Bloqueo { Ninguno, Compartido };

std::optional<QString> padreDe(Connection& conexion, const QString& clave, Bloqueo bloqueo = Bloqueo::Ninguno)
{
    auto rs = conexion.Execute(
        QStringLiteral("SELECT Gcc_Padre FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?")
            + (bloqueo == Bloqueo::Compartido ? bloqueando(" FOR SHARE") : QString()),
        QVariantList{clave});
    if (rs->Eof())
        return std::nullopt;
    return rs->Fields(0).toString();
}

bool existe(Connection& conexion, const QString& clave)
{
    return padreDe(conexion, clave).has_value();
}

// Why `clave` may not hang from `padre`: the parent is missing or does not reach the root, or it
// is `clave` itself or one of its descendants. Walked from `padre` up to the root.
QString razonDeAntecesores(Connection& conexion, const QString& clave, const QString& padre, Bloqueo bloqueo)
{
    QSet<QString> vistos;
    for (QString actual = padre; actual != GrupoCuenta::kClaveRaiz;) {
        if (actual == clave)
            return padre == clave
                       ? QStringLiteral("El grupo %1 no se puede mover debajo de sí mismo").arg(clave)
                       : QStringLiteral("El grupo %1 no se puede mover debajo de %2, que es uno de sus subgrupos")
                             .arg(clave, padre);
        if (vistos.contains(actual))
            return QStringLiteral("El grupo %1 no cuelga de la raíz del catálogo: sus antecesores forman un ciclo")
                .arg(padre);
        vistos.insert(actual);
        const std::optional<QString> siguiente = padreDe(conexion, actual, bloqueo);
        if (!siguiente)
            return actual == padre
                       ? QStringLiteral("El grupo padre %1 no existe").arg(padre)
                       : QStringLiteral("El grupo %1 no cuelga de la raíz del catálogo: su antecesor %2 no existe")
                             .arg(padre, actual);
        actual = *siguiente;
    }
    return {};
}

bool registrarYConfirmar(GuardaTransaccion& transaccion, Utilerias& utilerias, const QString& clave, QString* error)
{
    if (!utilerias.RegistrarCambio(GrupoCuenta::kTabla, clave, QString()))
        return fallar(error, utilerias.UltimoError());
    transaccion.CommitTrans();
    return true;
}

// A change of the history, its rows as JSON objects by column name in lower case.
struct Cambio
{
    qint64 id = 0;
    QString operacion, clave, claveAnterior;
    QHash<QString, QJsonValue> antes, despues;
};

// A deletion is restored; every other change is undone.
enum class Tipo { Baja, OtroQueBaja };

// The change `id` when it is of the kind `tipo`; else nothing, with the reason in `error`.
std::optional<Cambio> leerCambio(Connection& conexion, qint64 id, Tipo tipo, QString* error)
{
    auto rs = conexion.Execute(QStringLiteral("SELECT His_Operacion, His_Clave, His_Clave_Anterior, His_Antes,"
                                              " His_Despues FROM Kes_Historial"
                                              " WHERE His_Id = ? AND His_Tabla = 'Grupo_Cuenta_Contable'"),
                               QVariantList{id});
    if (rs->Eof()) {
        fallar(error, QStringLiteral("No hay un cambio %1 en el historial del catálogo").arg(id));
        return std::nullopt;
    }
    Cambio cambio{id,
                  rs->Fields(0).toString(),
                  rs->Fields(1).toString(),
                  rs->Fields(2).toString(),
                  Historial::FilaDeJson(rs->Fields(3).toString()),
                  Historial::FilaDeJson(rs->Fields(4).toString())};
    const bool baja = cambio.operacion == QLatin1String("BAJA");
    if (baja == (tipo == Tipo::Baja))
        return cambio;
    fallar(error, baja ? QStringLiteral("El cambio %1 es la baja del grupo %2: se restaura con Restaurar")
                             .arg(id)
                             .arg(cambio.clave)
                       : QStringLiteral("El cambio %1 no es una baja: se deshace con Deshacer").arg(id));
    return std::nullopt;
}

// A value of the history as it goes back into the table: whole numbers as integers, so that an
// integer column gets its integer back.
QVariant valor(const QJsonValue& json)
{
    if (json.isNull() || json.isUndefined())
        return {};
    if (json.isBool())
        return int(json.toBool());
    if (json.isDouble()) {
        const double numero = json.toDouble();
        if (numero == std::trunc(numero) && std::abs(numero) < 9e15)
            return qint64(numero);
        return numero;
    }
    return json.toString();
}

// Values compared as the history writes them: numbers to 15 digits, NULL apart from any text.
std::optional<QString> comparable(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

QString mostrado(const std::optional<QString>& v)
{
    return v ? QStringLiteral("«%1»").arg(*v) : QStringLiteral("nulo");
}

// The columns of a row of the history, each checked to be a plain name before it is written
// into a statement.
QStringList columnasDe(const QHash<QString, QJsonValue>& fila)
{
    QStringList columnas;
    for (const QString& columna : Historial::Columnas(fila)) {
        if (!fila.contains(columna))
            continue;
        if (!Identificador::EsValido(columna))
            throw ErrorEjecucion(QStringLiteral("La columna «%1» del historial no es un nombre válido").arg(columna));
        columnas << columna;
    }
    return columnas;
}

// Why the group no longer holds what the change left (one line per column that differs), or
// empty when it does. The row is locked for the undo that follows.
QString diferencias(Connection& conexion, const Cambio& cambio)
{
    const QHash<QString, QJsonValue>& fila = cambio.despues;
    auto rs = conexion.Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable"
                                              " WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?")
                                   + bloqueando(" FOR UPDATE"),
                               QVariantList{cambio.clave});
    if (rs->Eof())
        return QStringLiteral("No hay un grupo con la clave %1: se eliminó o cambió de clave después del cambio %2")
            .arg(cambio.clave)
            .arg(cambio.id);
    QStringList lineas;
    for (const QString& columna : columnasDe(fila)) {
        const auto entonces = comparable(valor(fila.value(columna))), ahora = comparable(rs->Fields(columna));
        if (entonces != ahora)
            lineas << QStringLiteral("%1: el cambio lo dejó en %2 y ahora es %3")
                          .arg(Historial::NombreDeCampo(columna), mostrado(entonces), mostrado(ahora));
    }
    if (lineas.isEmpty())
        return {};
    return QStringLiteral("El grupo %1 cambió después del cambio %2, que ya no se puede deshacer: %3")
        .arg(cambio.clave)
        .arg(cambio.id)
        .arg(lineas.join(QStringLiteral("; ")));
}

// A creation undone: the group deleted, as the screen's Delete would.
QString eliminar(Connection& conexion, const Cambio& cambio, QString* aMostrar)
{
    if (!conexion
             .Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable"
                                     " WHERE Gcc_Padre = ?"),
                      QVariantList{cambio.clave})
             ->Eof())
        return QStringLiteral("El grupo %1 tiene subgrupos y no se puede eliminar").arg(cambio.clave);
    conexion.Execute(QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
                     QVariantList{cambio.clave});
    *aMostrar = valor(cambio.despues.value(kPadre)).toString();
    return {};
}

// A change or a key change undone: the columns it changed get their earlier values back.
QString revertir(Connection& conexion, const Cambio& cambio, QString* aMostrar)
{
    QStringList asignaciones;
    QVariantList valores;
    for (const QString& columna : columnasDe(cambio.antes)) {
        const QVariant anterior = valor(cambio.antes.value(columna));
        if (comparable(anterior) != comparable(valor(cambio.despues.value(columna)))) {
            asignaciones << columna + QStringLiteral(" = ?");
            valores << anterior;
        }
    }
    if (asignaciones.isEmpty())
        return QStringLiteral("El cambio %1 no cambió ningún valor del grupo %2: no hay nada que deshacer")
            .arg(cambio.id)
            .arg(cambio.clave);
    const QString claveAnterior = valor(cambio.antes.value(kClave)).toString();
    const bool cambiaClave = claveAnterior != cambio.clave;
    if (cambiaClave && existe(conexion, claveAnterior))
        return QStringLiteral("La clave %1 ya la usa otro grupo: el grupo %2 no puede volver a ella")
            .arg(claveAnterior, cambio.clave);
    conexion.Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET %1 WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?")
                         .arg(asignaciones.join(QStringLiteral(", "))),
                     valores << cambio.clave);
    // The subgroups follow their group's key back, as they followed it.
    if (cambiaClave)
        conexion.Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Padre = ? WHERE Gcc_Padre = ?"),
                         QVariantList{claveAnterior, cambio.clave});
    const QString padre = valor(cambio.antes.value(kPadre)).toString();
    if (padre != valor(cambio.despues.value(kPadre)).toString())
        if (const QString razon = razonDeAntecesores(conexion, claveAnterior, padre, Bloqueo::Compartido);
            !razon.isEmpty())
            return razon;
    *aMostrar = claveAnterior;
    return {};
}

// A deletion undone: the group inserted again with every column the history kept.
QString reinsertar(Connection& conexion, const Cambio& cambio, QString* aMostrar)
{
    const QString padre = valor(cambio.antes.value(kPadre)).toString();
    QStringList faltas;
    if (existe(conexion, cambio.clave))
        faltas << QStringLiteral("la clave %1 ya la usa otro grupo").arg(cambio.clave);
    if (padre != GrupoCuenta::kClaveRaiz && !existe(conexion, padre))
        faltas << QStringLiteral("su grupo padre %1 no existe").arg(padre);
    if (!faltas.isEmpty())
        return QStringLiteral("El grupo %1 no se puede restaurar: %2")
            .arg(cambio.clave, faltas.join(QStringLiteral(" y ")));
    const QStringList columnas = columnasDe(cambio.antes);
    QVariantList valores;
    for (const QString& columna : columnas)
        valores << valor(cambio.antes.value(columna));
    conexion.Execute(QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (%1) VALUES (?%2)")
                         .arg(columnas.join(QStringLiteral(", ")), QStringLiteral(", ?").repeated(columnas.size() - 1)),
                     valores);
    *aMostrar = cambio.clave;
    return {};
}

// The change `id`, of the kind `tipo`, restored or undone by `accion` (which gives the reason it
// may not be, or empty) in one registered transaction.
bool aplicar(Connection& conexion, Utilerias& utilerias, qint64 id, Tipo tipo, QString* error, QString* clave,
             const std::function<QString(const Cambio&, QString* aMostrar)>& accion)
{
    try {
        const std::optional<Cambio> cambio = leerCambio(conexion, id, tipo, error);
        if (!cambio)
            return false;
        GuardaTransaccion transaccion(&conexion);
        QString aMostrar;
        if (const QString razon = accion(*cambio, &aMostrar); !razon.isEmpty())
            return fallar(error, razon);
        if (clave)
            *clave = aMostrar;
        return registrarYConfirmar(transaccion, utilerias, cambio->clave, error);
    } catch (const ErrorEjecucion& e) {
        return fallar(error, e.Description());
    }
}

}  // namespace

QString RazonParaNoMover(Connection& conexion, const QString& clave, const QString& padre)
{
    if (clave.isEmpty() || clave == GrupoCuenta::kClaveRaiz)
        return QStringLiteral("La raíz del catálogo no se puede mover");
    if (padre.isEmpty())
        return QStringLiteral("Falta el grupo padre al que se mueve el grupo %1").arg(clave);
    const std::optional<QString> actual = padreDe(conexion, clave);
    if (!actual)
        return QStringLiteral("El grupo %1 no existe").arg(clave);
    if (*actual == padre)
        return QStringLiteral("El grupo %1 ya está bajo %2").arg(clave, bajo(padre));
    return razonDeAntecesores(conexion, clave, padre, Bloqueo::Ninguno);
}

bool Mover(Connection& conexion, Utilerias& utilerias, const QString& clave, const QString& padre, QString* error)
{
    try {
        if (const QString razon = RazonParaNoMover(conexion, clave, padre); !razon.isEmpty())
            return fallar(error, razon);
        GuardaTransaccion transaccion(&conexion);
        conexion.Execute(
            QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Padre = ? WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
            QVariantList{padre, clave});
        if (padreDe(conexion, clave) != padre)
            return fallar(error, QStringLiteral("El grupo %1 ya no existe").arg(clave));
        // Checked again now that the row is ours: another user may have moved an ancestor meanwhile.
        if (const QString razon = razonDeAntecesores(conexion, clave, padre, Bloqueo::Compartido); !razon.isEmpty())
            return fallar(error, razon);
        return registrarYConfirmar(transaccion, utilerias, clave, error);
    } catch (const ErrorEjecucion& e) {
        return fallar(error, e.Description());
    }
}

bool Restaurar(Connection& conexion, Utilerias& utilerias, qint64 id, QString* error, QString* clave)
{
    return aplicar(conexion, utilerias, id, Tipo::Baja, error, clave,
                   [&](const Cambio& cambio, QString* aMostrar) { return reinsertar(conexion, cambio, aMostrar); });
}

bool Deshacer(Connection& conexion, Utilerias& utilerias, qint64 id, QString* error, QString* clave)
{
    return aplicar(conexion, utilerias, id, Tipo::OtroQueBaja, error, clave,
                   [&](const Cambio& cambio, QString* aMostrar) {
                       if (QString razon = diferencias(conexion, cambio); !razon.isEmpty())
                           return razon;
                       return cambio.operacion == QLatin1String("ALTA") ? eliminar(conexion, cambio, aMostrar)
                                                                        : revertir(conexion, cambio, aMostrar);
                   });
}

}  // namespace Reorganizacion
