#include "PantallaDePrueba.h"

#include "BaseDePrueba.h"
#include "FabricaServicios.h"
#include "Publico.h"
#include "frmCATAddCuCo.h"
#include "frmInput.h"

#include <QTreeWidgetItemIterator>

PantallaDePrueba::PantallaDePrueba(BaseDePrueba& base, Apertura apertura) : m_base(base)
{
    frmTQ614::Destruir();
    frmInput::Destruir();
    Publico::EstablecerFabrica(&KesCrearObjeto);
    Publico::Main();
    Publico::sFormatoClave.clear();
    Publico::sSQL.clear();
    Forma().setPadre(&Forma());
    if (apertura == Apertura::Cargada) {
        Forma().Load();
    } else if (apertura == Apertura::Mostrada) {
        Forma().Show(FormaBase::vbModeless);
        Forma().Ventana()->activateWindow();
        Forma().tvCuentas()->setFocus();
        QCoreApplication::processEvents();  // the first layout and activation, as for a real window
    }
}

PantallaDePrueba::~PantallaDePrueba()
{
    if (frmCATAddCuCo::Existe())
        frmCATAddCuCo::Destruir();
    frmInput::Destruir();
    frmTQ614::Destruir();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Publico::EstablecerFabrica({});
}

TreeView& PantallaDePrueba::Arbol() const
{
    if (!Forma().tvCuentas())
        qFatal("La pantalla no está cargada");
    return *Forma().tvCuentas();
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

QStringList PantallaDePrueba::Nodos() const
{
    QStringList claves;
    for (QTreeWidgetItemIterator it(&Arbol()); *it; ++it)
        claves << TreeView::Key(*it);
    return claves;
}

QStringList PantallaDePrueba::Descripcion() const
{
    QStringList nodos;
    for (QTreeWidgetItemIterator it(&Arbol()); *it; ++it) {
        int profundidad = 0;
        for (auto* p = (*it)->parent(); p; p = p->parent())
            ++profundidad;
        nodos << QStringLiteral("%1|%2|%3|%4")
                     .arg(TreeView::Key(*it), TreeView::Text(*it))
                     .arg(TreeView::Image(*it))
                     .arg(profundidad);
    }
    return nodos;
}

QStringList PantallaDePrueba::Huerfanos(BaseDePrueba& base)
{
    QStringList huerfanos;
    auto rs = base.Conexion()->Execute(
        QStringLiteral("SELECT h.Gcc_Cve_Grupo_Cuenta_Contable AS Clave FROM Grupo_Cuenta_Contable h WHERE h.Gcc_Padre "
                       "<> '0' AND NOT EXISTS "
                       "(SELECT 1 FROM Grupo_Cuenta_Contable p WHERE p.Gcc_Cve_Grupo_Cuenta_Contable = h.Gcc_Padre)"));
    for (; !rs->Eof(); rs->MoveNext())
        huerfanos << rs->Fields(QStringLiteral("Clave")).toString();
    return huerfanos;
}

QStringList PantallaDePrueba::Llamadas(const BaseDePrueba& base)
{
    QStringList nombres;
    for (const QJsonObject& llamada : base.Traza())
        nombres << llamada.value(QStringLiteral("llamada")).toString();
    nombres.removeAll(QStringLiteral("Conexion"));
    return nombres;
}

QStringList PantallaDePrueba::Mensajes(const BaseDePrueba& base)
{
    QStringList resumen;
    for (const Sesion::MensajeRegistrado& m : base.Mensajes())
        resumen << QStringLiteral("%1 | %2 | %3 | %4").arg(m.estilo).arg(m.titulo, m.idError, m.texto);
    return resumen;
}

QStringList PantallaDePrueba::Titulos(const BaseDePrueba& base)
{
    QStringList titulos;
    for (const Sesion::MensajeRegistrado& m : base.Mensajes())
        titulos << m.titulo;
    return titulos;
}
