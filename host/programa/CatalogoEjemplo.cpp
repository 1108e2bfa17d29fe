#include "CatalogoEjemplo.h"

#include "Ado.h"

namespace {

struct Grupo
{
    const char* clave;
    const char* descripcion;
    const char* codigo;
    const char* padre;
    int nivel;
};

// Headings carry letter keys and level 0; groups of the chart carry numeric keys and the
// level their code gives.
constexpr Grupo kGrupos[] = {
    {"ACT", "ACTIVO", "", "0", 0},
    {"ACTCIR", "ACTIVO CIRCULANTE", "", "ACT", 0},
    {"000001", "EFECTIVO Y EQUIVALENTES", "1", "ACTCIR", 1},
    {"000002", "CAJA", "1.1", "000001", 2},
    {"000003", "CAJA CHICA", "1.1.1", "000002", 3},
    {"000004", "FONDO FIJO DE CAJA", "1.1.2", "000002", 3},
    {"000005", "BANCOS", "1.2", "000001", 2},
    {"000006", "BANCOS NACIONALES", "1.2.1", "000005", 3},
    {"000007", "CUENTA DE CHEQUES", "1.2.1.1", "000006", 4},
    {"000008", "CLIENTES", "2", "ACTCIR", 1},
    {"000009", "CLIENTES NACIONALES", "2.1", "000008", 2},
    {"ACTFIJ", "ACTIVO FIJO", "", "ACT", 0},
    {"000010", "MOBILIARIO Y EQUIPO", "3", "ACTFIJ", 1},
    {"000011", "EQUIPO DE CÓMPUTO", "3.1", "000010", 2},
    {"PAS", "PASIVO", "", "0", 0},
    {"PASCP", "PASIVO A CORTO PLAZO", "", "PAS", 0},
    {"000012", "PROVEEDORES", "4", "PASCP", 1},
    {"000013", "PROVEEDORES NACIONALES", "4.1", "000012", 2},
    {"000014", "IMPUESTOS POR PAGAR", "5", "PASCP", 1},
    {"000015", "IVA POR PAGAR", "5.1", "000014", 2},
    {"000016", "ISR RETENIDO", "5.2", "000014", 2},
    {"CAP", "CAPITAL CONTABLE", "", "0", 0},
    {"000017", "CAPITAL SOCIAL", "6", "CAP", 1},
    {"RES", "RESULTADOS", "", "0", 0},
    {"000018", "INGRESOS", "7", "RES", 1},
    {"000019", "VENTAS", "7.1", "000018", 2},
    {"000020", "COSTOS Y GASTOS", "8", "RES", 1},
    {"000021", "COSTO DE VENTAS", "8.1", "000020", 2},
    {"000022", "GASTOS DE ADMINISTRACIÓN", "8.2", "000020", 2},
    {"000023", "SUELDOS Y SALARIOS", "8.2.1", "000022", 3},
};

}  // namespace

namespace CatalogoEjemplo {

void Cargar(Connection* conexion, const QString& operador, const QString& fecha, const QString& fechaRegistro)
{
    const QString insercion = QStringLiteral(
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, "
        "Gcc_Padre, Gcc_Nivel, Gcc_UserDef_1, Gcc_UserDef_2, Gcc_UserDef_3, Gcc_UserDef_4, Gcc_UserDef_5, "
        "Gcc_UserDef_6, Oper_Alta, Oper_Ult_Modif, Fecha_Alta, Fecha_Ult_Modif, Es_Cve_Estado) "
        "VALUES (?, ?, ?, ?, ?, '', '', 0, 0, ?, ?, ?, ?, ?, ?, 'AC')");
    conexion->BeginTrans();
    try {
        for (const Grupo& grupo : kGrupos) {
            conexion->Execute(insercion,
                              QVariantList{QString::fromUtf8(grupo.clave), QString::fromUtf8(grupo.descripcion),
                                           QString::fromUtf8(grupo.codigo), QString::fromUtf8(grupo.padre), grupo.nivel,
                                           fecha, fecha, operador, operador, fechaRegistro, fechaRegistro});
        }
        conexion->CommitTrans();
    } catch (...) {
        conexion->RollbackTrans();
        throw;
    }
}

}  // namespace CatalogoEjemplo
