#include "UsuarioDePantalla.h"

#include "CajaDeEntrada.h"
#include "FabricaServicios.h"
#include "GrupoCuenta.h"
#include "Publico.h"
#include "Sesion.h"
#include "TreeView.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QCoreApplication>

namespace {

// The level the editor's code box derives from a code (1 plus its dots); for an empty code
// or "000" the level is the one typed (or stored).
QString nivelDe(const QString& codigo, const QString& tecleado)
{
    if (codigo.isEmpty() || codigo == GrupoCuenta::kCodigoNivelManual)
        return tecleado;
    return QString::number(1 + codigo.count(QLatin1Char('.')));
}

} // namespace

UsuarioDePantalla::UsuarioDePantalla()
{
    Publico::EstablecerFabrica(&KesCrearObjeto);
    Publico::Main();
    txtKES::EstablecerConexion(Sesion::Conexion());
    frmTQ614& forma = frmTQ614::Instancia();
    forma.setPadre(&forma);
    forma.Show(FormaBase::vbModeless);
    QCoreApplication::processEvents();
}

UsuarioDePantalla::~UsuarioDePantalla()
{
    if (frmCATAddCuCo::Existe())
        frmCATAddCuCo::Destruir();
    frmTQ614::Destruir();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    txtKES::EstablecerConexion(nullptr);
    Publico::EstablecerFabrica({});
}

frmTQ614& UsuarioDePantalla::Forma() const
{
    return frmTQ614::Instancia();
}

TreeView& UsuarioDePantalla::Arbol() const
{
    TreeView* arbol = Forma().tvCuentas();
    if (!arbol)
        qFatal("La pantalla no está cargada");
    return *arbol;
}

QTreeWidgetItem* UsuarioDePantalla::Nodo(const QString& clave) const
{
    return Arbol().Buscar(QLatin1Char('N') + clave);
}

bool UsuarioDePantalla::Seleccionar(const QString& clave)
{
    QTreeWidgetItem* nodo = Nodo(clave);
    if (!nodo)
        return false;
    Arbol().Seleccionar(nodo);
    Forma().tvCuentas_NodeClick(nodo);
    return true;
}

bool UsuarioDePantalla::Eliminar(const QString& clave)
{
    if (!Seleccionar(clave))
        return false;
    Forma().Controles_Eliminar();
    return true;
}

bool UsuarioDePantalla::Renombrar(const QString& clave, const QString& texto)
{
    if (!Seleccionar(clave))
        return false;
    int cancelar = 0;
    QString nuevo = texto;
    Forma().tvCuentas_AfterLabelEdit(cancelar, nuevo);
    return true;
}

bool UsuarioDePantalla::CambiarClave(const QString& clave, const QString& nueva, int* cuadros)
{
    if (!Seleccionar(clave))
        return false;
    // A duplicate brings the box back: the second box is cancelled, which ends both runs.
    CajaDeEntrada caja({nueva, std::nullopt});
    Forma().Controles_B2Click();
    if (cuadros)
        *cuadros = caja.Vistas().size();
    return true;
}

bool UsuarioDePantalla::Nuevo(const QString& padre, const QString& clave, const QString& descripcion,
                              const QString& codigo, const QString& nivel)
{
    frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
    editor.Load();
    editor.txtPadre()->setText(padre);
    editor.ClaveAutomatica();
    if (!clave.isEmpty())
        editor.txtClave()->setText(clave);
    editor.txtDescripcion()->setText(descripcion);
    editor.txtCodigo()->setText(codigo);
    editor.txtNivel()->setText(nivelDe(codigo, nivel));
    m_ultimaClave = editor.txtClave()->text().toUpper();
    editor.cmdAceptar();
    const bool aceptado = editor.Aceptado;
    editor.Unload();
    return aceptado;
}

bool UsuarioDePantalla::Editar(const QString& clave, const QString& descripcion, const QString& codigo)
{
    // The stored row, read as the Edit command reads it.
    auto rs = Sesion::Conexion()->Execute(
        QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"), QVariantList{clave});
    if (rs->Eof())
        return false;
    frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
    editor.Load();
    editor.txtClave()->setText(clave);
    editor.txtPadre()->setText(rs->Fields(QStringLiteral("Gcc_Padre")).toString());
    const QString nuevoCodigo = codigo.isNull() ? rs->Fields(QStringLiteral("Gcc_Codigo")).toString() : codigo;
    editor.txtDescripcion()->setText(descripcion);
    editor.txtCodigo()->setText(nuevoCodigo);
    editor.txtNivel()->setText(nivelDe(nuevoCodigo, rs->Fields(QStringLiteral("Gcc_Nivel")).toString()));
    editor.txtClave()->setEnabled(true);
    editor.txtClave()->setLocked(true);
    editor.cmdAceptar();
    const bool aceptado = editor.Aceptado;
    editor.Unload();
    return aceptado;
}
