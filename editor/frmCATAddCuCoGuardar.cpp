// The save of the dialog that adds or edits a group: the checks of its input, in order, and
// the insert or update with its change registration in one transaction. The layout, the
// modes and the code's level live in frmCATAddCuCo.cpp.

#include "frmCATAddCuCo.h"

#include "ApoyoFormas.h"
#include "CambioRegistrado.h"
#include "Controles.h"
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "GuardaTransaccion.h"
#include "Publico.h"
#include "ReporteError.h"
#include "Sql.h"
#include "txtKES.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A number as it goes bare into a statement: whole numbers without a decimal part.
QString NumeroSql(double valor)
{
    return QString::number(valor, 'g', 15);
}

}  // namespace

bool frmCATAddCuCo::ModoNuevo() const
{
    return !m_txtClave->locked();
}

void frmCATAddCuCo::Avisar(const QString& texto, long estilo, const QString& titulo, const QString& idError,
                           txtKES* caja)
{
    Datos().Mensaje(texto, estilo, titulo, hWnd(), kProyecto, idError);
    if (!caja || !caja->isEnabled())
        return;
    if (caja == m_txtNivel && caja->locked())
        return;
    caja->setFocus(Qt::OtherFocusReason);
}

void frmCATAddCuCo::AvisarClaveExistente(const QString& clave)
{
    Avisar(QStringLiteral("El grupo de la cuenta contable ") + clave + QStringLiteral(" ya existe, especifique otra"),
           AccesoDatos::vbCritical, m_Controles1->Leyenda(), QStringLiteral("ERR-ID:7500019"), m_txtClave);
}

// Whether the insert of a new group failed because another user saved the same key between
// the check and the insert (two users pressing New at once get the same automatic key).
bool frmCATAddCuCo::ClaveTomadaPorOtro() const
{
    if (!ModoNuevo() || m_txtCodigo->text() == GrupoCuenta::kCodigoNivelManual)
        return false;
    // Asked for the key itself, the lookup tells a stored group even with an empty description.
    const QString clave = m_txtClave->text().toUpper();
    try {
        return Util().BuscarValor(GrupoCuenta::kTabla, GrupoCuenta::kCampoClave, clave, GrupoCuenta::kCampoClave, 0,
                                  QString(), QString(), QString())
               == clave;
    } catch (const ErrorEjecucion&) {
        return false;  // the insert's own error is the one worth reporting
    }
}

bool frmCATAddCuCo::EntradaValida()
{
    const QString clave = m_txtClave->text();
    const QString codigo = m_txtCodigo->text();
    const bool nuevo = ModoNuevo();
    const bool claveNumerica = GrupoCuenta::EsClaveNumerica(clave);

    if (nuevo && codigo != GrupoCuenta::kCodigoNivelManual
        && !Util()
                .BuscarValor(GrupoCuenta::kTabla, GrupoCuenta::kCampoClave, clave, GrupoCuenta::kCampoDescripcion, 0,
                             QString(), QString(), QString())
                .isEmpty()) {
        AvisarClaveExistente(clave);
        return false;
    }
    if (nuevo && GrupoCuenta::ClaveExcedeFormato(clave, Publico::sFormatoClave)) {
        Avisar(QStringLiteral("La longitud del código excede el límite, el formato definido es:") + kCrLf
                   + Publico::sFormatoClave,
               AccesoDatos::vbExclamation, QStringLiteral("Clave incorrecta"), QStringLiteral("ERR-ID:7500020"),
               m_txtClave);
        return false;
    }
    if (clave.isEmpty()) {
        Avisar(QStringLiteral("Debe especificar una clave!"), AccesoDatos::vbExclamation, kKestrima,
               QStringLiteral("ERR-ID:7500021"), m_txtClave);
        return false;
    }
    if (m_txtDescripcion->text().isEmpty()) {
        Avisar(QStringLiteral("Debe especificar una descripción!"), AccesoDatos::vbExclamation, kKestrima,
               QStringLiteral("ERR-ID:7500022"), m_txtDescripcion);
        return false;
    }
    if (codigo.isEmpty() && claveNumerica) {
        Avisar(QStringLiteral("Debe especificar un código!"), AccesoDatos::vbExclamation, kKestrima,
               QStringLiteral("ERR-ID:7500023"), m_txtCodigo);
        return false;
    }
    if (m_txtNivel->text().isEmpty()) {
        if (codigo == GrupoCuenta::kCodigoNivelManual) {
            Avisar(QStringLiteral("Debe indicar el nivel en el que se encuentra la cuenta o subcuenta en "
                                  "catálogo del contribuyente!")
                       + kCrLf + QStringLiteral("EJEMPLO: 1,2,3,4,5, etc..."),
                   AccesoDatos::vbExclamation, kKestrima, QStringLiteral("ERR-ID:7500024"), m_txtNivel);
            return false;
        }
        if (claveNumerica) {
            Avisar(QStringLiteral("Debe especificar un código para determinar el nivel!"), AccesoDatos::vbExclamation,
                   kKestrima, QStringLiteral("ERR-ID:7500025"), m_txtCodigo);
            return false;
        }
        // A heading without a level sits on level 0.
        m_txtNivel->setValor(0);
    }
    return true;
}

void frmCATAddCuCo::cmdAceptar()
{
    // The checks share the trap of the write: a failing lookup or message during them is
    // reported like any other error of the save, with nothing written and the dialog open.
    ReporteError::ConTrampa(QStringLiteral("cmdAceptar"), QStringLiteral("ERR-ID:7500027"), hWnd(), [&] {
        if (!EntradaValida())
            return;
        const QString sello = Util().FormatoFechaRegistro(Util().FechaActual());
        const QString operador = Datos().Operador();
        // A refused change leaves the dialog open with the user's input, so the user can try
        // again or cancel.
        const CambioRegistrado cambio{.tabla = GrupoCuenta::kTabla,
                                      .clave = m_txtClave->text().toUpper(),
                                      .ventana = hWnd(),
                                      .estiloRechazo = AccesoDatos::vbExclamation,
                                      .idRechazo = QStringLiteral("ERR-ID:7500026")};
        const auto escribir = [&](GuardaTransaccion& transaccion) {
            return EscribirGrupo(transaccion, sello, operador);
        };
        if (!EscribirCambio(cambio, escribir))
            return;
        Aceptado = true;
        Ocultar();
    });
}

// The insert or the update, inside the save's transaction. False when the insert lost the key
// to another user: the change is then rolled back and the user told.
bool frmCATAddCuCo::EscribirGrupo(GuardaTransaccion& transaccion, const QString& sello, const QString& operador)
{
    if (ModoNuevo())
        ArmarInsercion(sello, operador);
    else
        ArmarActualizacion(sello, operador);
    try {
        Conexion().Execute(Publico::sSQL, -1);
        return true;
    } catch (const ErrorEjecucion&) {
        transaccion.RollbackSiAbierta();
        if (!ClaveTomadaPorOtro())
            throw;
        // The same answer as when the check finds the key, and the next free key proposed in
        // its place.
        AvisarClaveExistente(m_txtClave->text());
        ClaveAutomatica();
        m_txtClave->selectAll();
        return false;
    }
}

void frmCATAddCuCo::ArmarInsercion(const QString& sello, const QString& operador)
{
    QString& s = Publico::sSQL;
    s = QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (");
    s += QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable, ");
    s += QStringLiteral("Gcc_Descripcion, ");
    s += QStringLiteral("Gcc_Codigo, ");
    s += QStringLiteral("Gcc_Padre, ");
    s += QStringLiteral("Gcc_Nivel, ");
    s += QStringLiteral("Gcc_UserDef_1, ");
    s += QStringLiteral("Gcc_UserDef_2, ");
    s += QStringLiteral("Gcc_UserDef_3, ");
    s += QStringLiteral("Gcc_UserDef_4, ");
    s += QStringLiteral("Gcc_UserDef_5, ");
    s += QStringLiteral("Gcc_UserDef_6, ");
    s += QStringLiteral("Oper_Alta, ");
    s += QStringLiteral("Oper_Ult_Modif, ");
    s += QStringLiteral("Fecha_Alta, ");
    s += QStringLiteral("Fecha_Ult_Modif, ");
    s += QStringLiteral("Es_Cve_Estado");
    s += QStringLiteral(")VALUES(");
    s += QStringLiteral("'") + Sql::Texto(m_txtClave->text().toUpper()) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(m_txtDescripcion->text()) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(m_txtCodigo->text()) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(m_txtPadre->text()) + QStringLiteral("', ");
    s += QStringLiteral(" ") + NumeroSql(m_txtNivel->Valor()) + QStringLiteral(" , ");
    s += QStringLiteral("'', ");
    s += QStringLiteral("'', ");
    s += QStringLiteral("0, ");
    s += QStringLiteral("0, ");
    s += QStringLiteral("'") + Sql::Texto(Util().FormatoFecha(Util().FechaActual())) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(Util().FormatoFecha(Util().FechaActual())) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(operador) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(operador) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(sello) + QStringLiteral("', ");
    s += QStringLiteral("'") + Sql::Texto(sello) + QStringLiteral("','AC')");
}

void frmCATAddCuCo::ArmarActualizacion(const QString& sello, const QString& operador)
{
    QString& s = Publico::sSQL;
    s = QStringLiteral("UPDATE Grupo_Cuenta_Contable SET ");
    s += QStringLiteral("   Gcc_Descripcion='") + Sql::Texto(m_txtDescripcion->text()) + QStringLiteral("', ");
    s += QStringLiteral("   Gcc_Codigo = '") + Sql::Texto(Trim(m_txtCodigo->text())) + QStringLiteral("', ");
    s += QStringLiteral("   Gcc_Padre='") + Sql::Texto(m_txtPadre->text()) + QStringLiteral("', ");
    s += QStringLiteral("   Gcc_Nivel = ") + NumeroSql(m_txtNivel->Valor()) + QStringLiteral(" , ");
    s += QStringLiteral("   Oper_Ult_Modif='") + Sql::Texto(operador) + QStringLiteral("', ");
    s += QStringLiteral("   Fecha_Ult_Modif='") + Sql::Texto(sello) + QStringLiteral("' ");
    s += QStringLiteral("WHERE ");
    s += QStringLiteral("    Gcc_Cve_Grupo_Cuenta_Contable='") + Sql::Texto(m_txtClave->text()) + QStringLiteral("' ");
}
