#include "AccesoDatosKes.h"

#include "ErrorEjecucion.h"
#include "Sesion.h"

#include <QDateTime>

namespace {

QVariant convertir(const QString& nombre, const QString& tipo, const QString& texto)
{
    const QString t = tipo.trimmed().toUpper();
    if (t == QLatin1String("N")) {
        bool ok = false;
        const qlonglong entero = texto.trimmed().toLongLong(&ok);
        if (ok)
            return entero;
        const double real = texto.trimmed().toDouble(&ok);
        if (ok)
            return real;
        throw ErrorEjecucion(QStringLiteral("El parámetro %1 debe ser un número y vale \"%2\"").arg(nombre, texto));
    }
    if (t == QLatin1String("L") || t == QLatin1String("B")) {
        static const QStringList verdaderos = {QStringLiteral("1"),  QStringLiteral("S"),   QStringLiteral("SI"),
                                               QStringLiteral("SÍ"), QStringLiteral("V"),   QStringLiteral("VERDADERO"),
                                               QStringLiteral("T"),  QStringLiteral("TRUE")};
        return verdaderos.contains(texto.trimmed().toUpper());
    }
    if (t == QLatin1String("F") || t == QLatin1String("D")) {
        QDateTime fecha = QDateTime::fromString(texto.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!fecha.isValid())
            fecha = QDateTime(QDate::fromString(texto.trimmed(), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
        if (!fecha.isValid())
            throw ErrorEjecucion(
                QStringLiteral("El parámetro %1 debe ser una fecha (aaaa-mm-dd) y vale \"%2\"").arg(nombre, texto));
        return fecha;
    }
    return texto;
}

}  // namespace

Connection* AccesoDatosKes::Conexion()
{
    return Sesion::Conexion();
}

QString AccesoDatosKes::Operador()
{
    return Sesion::Operador();
}

QVariant AccesoDatosKes::ObtenerParametro(const QString& nombre, long numero, const QString& tipo,
                                          const QVariant& predeterminado)
{
    auto rs = Sesion::Conexion()->Execute(
        QStringLiteral("SELECT Par_Tipo, Par_Valor FROM Kes_Parametro WHERE Par_Nombre = ? AND Par_Numero = ?"),
        QVariantList{nombre, static_cast<qlonglong>(numero)});
    if (rs->Eof())
        return predeterminado;
    const QVariant valor = rs->Fields(QStringLiteral("Par_Valor"));
    if (valor.isNull())
        return predeterminado;
    const QString tipoEfectivo = tipo.trimmed().isEmpty() ? rs->Fields(QStringLiteral("Par_Tipo")).toString() : tipo;
    return convertir(nombre, tipoEfectivo, valor.toString());
}

void AccesoDatosKes::Mensaje(const QString& texto, long estilo, const QString& titulo, qintptr ventana,
                             const QString& proyecto, const QString& idError)
{
    Sesion::MostrarMensaje({texto, estilo, titulo, ventana, proyecto, idError});
}

void AccesoDatosKes::EstablecerParametro(const QString& nombre, long numero, const QString& tipo, const QVariant& valor)
{
    const QString texto = valor.typeId() == QMetaType::QDateTime
                              ? valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                              : valor.toString();
    Sesion::Conexion()->Execute(
        QStringLiteral("INSERT INTO Kes_Parametro (Par_Nombre, Par_Numero, Par_Tipo, Par_Valor) VALUES (?, ?, ?, ?) "
                       "ON CONFLICT (Par_Nombre, Par_Numero) DO UPDATE SET Par_Tipo = excluded.Par_Tipo, "
                       "Par_Valor = excluded.Par_Valor"),
        QVariantList{nombre, static_cast<qlonglong>(numero), tipo, valor.isNull() ? QVariant() : QVariant(texto)});
}
