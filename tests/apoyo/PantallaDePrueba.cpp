#include "PantallaDePrueba.h"

#include "BaseDePrueba.h"
#include "CajaDeEntrada.h"
#include "FabricaServicios.h"
#include "GrupoCuenta.h"
#include "Publico.h"
#include "frmCATAddCuCo.h"
#include "frmInput.h"

#include <QTreeWidgetItemIterator>

PantallaDePrueba::PantallaDePrueba(BaseDePrueba& base, Apertura apertura)
    : m_base(base)
{
    frmTQ614::Destruir();
    frmInput::Destruir();
    // The host's services reach the component through its start-up routine.
    Publico::EstablecerFabrica(&KesCrearObjeto);
    Publico::Main();
    Publico::sFormatoClave.clear();
    Publico::sSQL.clear();
    Forma().setPadre(&Forma());
    if (apertura == Apertura::Cargada) {
        Forma().Load();
    } else {
        Forma().Show(FormaBase::vbModeless);
        Forma().Ventana()->activateWindow();
        Forma().tvCuentas()->setFocus();
        QCoreApplication::processEvents();  // the first layout and activation, as for a real window
    }
}

PantallaDePrueba::~PantallaDePrueba()
{
    frmCATAddCuCo::Destruir();
    frmInput::Destruir();
    frmTQ614::Destruir();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Publico::EstablecerFabrica({});
}

bool PantallaDePrueba::Seleccionar(const QString& clave)
{
    QTreeWidgetItem* nodo = Nodo(clave);
    if (nodo) {
        Arbol().Seleccionar(nodo);
        Forma().tvCuentas_NodeClick(nodo);
    }
    return nodo;
}

void PantallaDePrueba::SeleccionarParaComando(const QString& clave)
{
    if (!Seleccionar(clave))
        qFatal("No hay nodo para la clave %s", qPrintable(clave));
    m_base.LimpiarMensajes();
    m_base.LimpiarTraza();
}

QStringList PantallaDePrueba::Descripcion() const
{
    QStringList nodos;
    for (QTreeWidgetItemIterator it(&Arbol()); *it; ++it) {
        int profundidad = 0;
        for (auto* p = (*it)->parent(); p; p = p->parent())
            ++profundidad;
        nodos << QStringLiteral("%1|%2|%3|%4")
                     .arg(TreeView::Key(*it), TreeView::Text(*it), QString::number(TreeView::Image(*it)),
                          QString::number(profundidad));
    }
    return nodos;
}

bool PantallaDePrueba::Renombrar(const QString& clave, QString texto)
{
    int cancelar = 0;
    return Seleccionar(clave) && (Forma().tvCuentas_AfterLabelEdit(cancelar, texto), true);
}

bool PantallaDePrueba::CambiarClave(const QString& clave, const QString& nueva, int* cuadros)
{
    CajaDeEntrada caja({nueva, std::nullopt});
    const bool hay = Seleccionar(clave) && (Forma().Controles_B2Click(), true);
    if (cuadros)
        *cuadros = caja.Vistas().size();
    return hay;
}

bool PantallaDePrueba::Editar(const QString& clave, const QString& descripcion, const QString& codigo)
{
    const QStringList fila = m_base.Fila(clave, QStringLiteral("Gcc_Padre, Gcc_Codigo, Gcc_Nivel")).split(u'|');
    return fila.size() == 3 && guardar(true, fila[0], clave, descripcion, codigo.isNull() ? fila[1] : codigo, fila[2]);
}

bool PantallaDePrueba::guardar(bool edicion, const QString& padre, const QString& clave, const QString& descripcion,
                               const QString& codigo, const QString& nivel)
{
    frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
    editor.setPadre(Forma().Padre());  // as the screen opens it
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
