#include "Volcado.h"

#include "Ado.h"

namespace Volcado {

namespace {

const QStringList kColumnas{
    QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable"), QStringLiteral("Gcc_Descripcion"), QStringLiteral("Gcc_Codigo"),
    QStringLiteral("Gcc_Padre"), QStringLiteral("Gcc_Nivel"), QStringLiteral("Gcc_UserDef_1"),
    QStringLiteral("Gcc_UserDef_2"), QStringLiteral("Gcc_UserDef_3"), QStringLiteral("Gcc_UserDef_4"),
    QStringLiteral("Gcc_UserDef_5"), QStringLiteral("Gcc_UserDef_6"), QStringLiteral("Oper_Alta"),
    QStringLiteral("Oper_Ult_Modif"), QStringLiteral("Fecha_Alta"), QStringLiteral("Fecha_Ult_Modif"),
    QStringLiteral("Es_Cve_Estado")};

} // namespace

QStringList Grupos(Connection& conexion)
{
    QStringList filas;
    auto rs = conexion.Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable ORDER BY Gcc_Cve_Grupo_Cuenta_Contable"),
                               QVariantList());
    for (; !rs->Eof(); rs->MoveNext()) {
        QStringList valores;
        for (const QString& columna : kColumnas) {
            const QVariant valor = rs->Fields(columna);
            valores << (valor.isNull() ? QStringLiteral("<null>") : valor.toString());
        }
        filas << valores.join(QChar(0x1f));
    }
    return filas;
}

qlonglong Bitacora(Connection& conexion)
{
    auto rs = conexion.Execute(QStringLiteral("SELECT COUNT(*) AS Filas FROM Kes_Bitacora"), QVariantList());
    return rs->Fields(QStringLiteral("Filas")).toLongLong();
}

QStringList Huerfanos(Connection& conexion)
{
    QStringList claves;
    auto rs = conexion.Execute(
        QStringLiteral("SELECT h.Gcc_Cve_Grupo_Cuenta_Contable AS Clave FROM Grupo_Cuenta_Contable h"
                       " LEFT JOIN Grupo_Cuenta_Contable p ON p.Gcc_Cve_Grupo_Cuenta_Contable = h.Gcc_Padre"
                       " WHERE h.Gcc_Padre <> '0' AND p.Gcc_Cve_Grupo_Cuenta_Contable IS NULL"),
        QVariantList());
    for (; !rs->Eof(); rs->MoveNext())
        claves << rs->Fields(QStringLiteral("Clave")).toString();
    return claves;
}

} // namespace Volcado
