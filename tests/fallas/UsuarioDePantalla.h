#pragma once

#include "CajaDeEntrada.h"
#include "GrupoCuenta.h"
#include "PantallaDePrueba.h"
#include "Sesion.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"

// A user of the catalogue screen: each change runs through the screen's and the editor's own
// procedures as the toolbar and the tree run them; nothing here writes to the database itself.
// Eliminar, Renombrar and CambiarClave return false, with nothing run, when the tree has no
// node for the group; Nuevo and Editar return the editor's Aceptado.
class UsuarioDePantalla : public PantallaDePrueba
{
public:
    using PantallaDePrueba::PantallaDePrueba;

    bool Eliminar(const QString& clave) { return Seleccionar(clave) && (Forma().Controles_Eliminar(), true); }

    bool Renombrar(const QString& clave, QString texto)
    {
        int cancelar = 0;
        return Seleccionar(clave) && (Forma().tvCuentas_AfterLabelEdit(cancelar, texto), true);
    }

    // The input box answered with `nueva`; a second one (a duplicate) cancelled.
    bool CambiarClave(const QString& clave, const QString& nueva, int* cuadros = nullptr)
    {
        CajaDeEntrada caja({nueva, std::nullopt});
        const bool hay = Seleccionar(clave) && (Forma().Controles_B2Click(), true);
        if (cuadros)
            *cuadros = caja.Vistas().size();
        return hay;
    }

    // The editor as New opens it under `padre`; the level box gets `nivel` when the code gives none.
    bool Nuevo(const QString& padre, const QString& clave, const QString& descripcion, const QString& codigo,
               const QString& nivel = {})
    {
        return guardar(false, padre, clave, descripcion, codigo, nivel);
    }

    // The editor as Edit opens it on a stored group (a null code keeps the stored one).
    bool Editar(const QString& clave, const QString& descripcion, const QString& codigo)
    {
        auto rs = Sesion::Conexion()->Execute(
            QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
            QVariantList{clave});
        const auto campo = [&](const char* nombre) { return rs->Fields(QLatin1String(nombre)).toString(); };
        return !rs->Eof()
            && guardar(true, campo("Gcc_Padre"), clave, descripcion, codigo.isNull() ? campo("Gcc_Codigo") : codigo,
                       campo("Gcc_Nivel"));
    }

    // Every column of every group in key order, then the audit log's row count: what a failed
    // change must leave exactly as it was.
    static QStringList Estado(Connection& conexion)
    {
        QStringList filas;
        for (auto rs = conexion.Execute(QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable ORDER BY 1"), {});
             !rs->Eof(); rs->MoveNext()) {
            QStringList valores;
            for (const QString& columna :
                 QStringLiteral(
                     "Gcc_Cve_Grupo_Cuenta_Contable Gcc_Descripcion Gcc_Codigo Gcc_Padre Gcc_Nivel Gcc_UserDef_1 "
                     "Gcc_UserDef_2 "
                     "Gcc_UserDef_3 Gcc_UserDef_4 Gcc_UserDef_5 Gcc_UserDef_6 Oper_Alta Oper_Ult_Modif Fecha_Alta "
                     "Fecha_Ult_Modif Es_Cve_Estado")
                     .split(u' '))
                valores << (rs->Fields(columna).isNull() ? QStringLiteral("<null>") : rs->Fields(columna).toString());
            filas << valores.join(QChar(0x1f));
        }
        auto rs = conexion.Execute(QStringLiteral("SELECT COUNT(*) AS Filas FROM Kes_Bitacora"), {});
        return filas << QStringLiteral("Kes_Bitacora: ") + rs->Fields(QStringLiteral("Filas")).toString();
    }

private:
    bool guardar(bool edicion, const QString& padre, const QString& clave, const QString& descripcion,
                 const QString& codigo, const QString& nivel)
    {
        frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
        editor.Load();
        editor.txtPadre()->setText(padre);
        if (!edicion)
            editor.ClaveAutomatica();
        if (!clave.isEmpty())
            editor.txtClave()->setText(clave);
        editor.txtDescripcion()->setText(descripcion);
        editor.txtCodigo()->setText(codigo);
        // The code box derives the level from a code (1 plus its dots); "000" or none takes it typed.
        const bool manual = codigo.isEmpty() || codigo == GrupoCuenta::kCodigoNivelManual;
        editor.txtNivel()->setText(manual ? nivel : QString::number(1 + codigo.count(u'.')));
        editor.txtClave()->setLocked(edicion);  // as Edit leaves the key box: shown, not editable
        editor.cmdAceptar();
        const bool aceptado = editor.Aceptado;
        editor.Unload();
        return aceptado;
    }
};
