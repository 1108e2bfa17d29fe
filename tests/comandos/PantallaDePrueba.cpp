#include "PantallaDePrueba.h"

#include "BaseDePrueba.h"
#include "FabricaServicios.h"
#include "Publico.h"
#include "TreeView.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"

#include <QTest>

PantallaDePrueba::PantallaDePrueba(BaseDePrueba& base)
    : m_base(base)
{
    Publico::EstablecerFabrica(&KesCrearObjeto);
    Publico::Main();
    frmTQ614& forma = frmTQ614::Instancia();
    forma.setPadre(&forma);
    forma.Show(FormaBase::vbModeless);
    // The first layout and activation run as they do for a real window.
    QCoreApplication::processEvents();
}

PantallaDePrueba::~PantallaDePrueba()
{
    if (frmCATAddCuCo::Existe())
        frmCATAddCuCo::Destruir();
    frmTQ614::Destruir();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Publico::EstablecerFabrica({});
}

frmTQ614& PantallaDePrueba::Forma() const
{
    return frmTQ614::Instancia();
}

TreeView& PantallaDePrueba::Arbol() const
{
    TreeView* arbol = Forma().tvCuentas();
    if (!arbol)
        qFatal("La pantalla no está cargada");
    return *arbol;
}

QTreeWidgetItem* PantallaDePrueba::Nodo(const QString& clave) const
{
    return Arbol().Buscar(QLatin1Char('N') + clave);
}

void PantallaDePrueba::Seleccionar(const QString& clave)
{
    QTreeWidgetItem* nodo = Nodo(clave);
    if (!nodo)
        qFatal("No hay nodo para la clave %s", qPrintable(clave));
    Arbol().Seleccionar(nodo);
    Forma().tvCuentas_NodeClick(nodo);
}

void PantallaDePrueba::SeleccionarParaComando(const QString& clave)
{
    Seleccionar(clave);
    m_base.LimpiarMensajes();
    m_base.LimpiarTraza();
}

QStringList PantallaDePrueba::Nodos() const
{
    QStringList claves;
    std::function<void(QTreeWidgetItem*)> recorrer = [&](QTreeWidgetItem* nodo) {
        claves << TreeView::Key(nodo);
        for (int i = 0; i < nodo->childCount(); ++i)
            recorrer(nodo->child(i));
    };
    for (int i = 0; i < Arbol().topLevelItemCount(); ++i)
        recorrer(Arbol().topLevelItem(i));
    return claves;
}

QStringList PantallaDePrueba::Huerfanos(BaseDePrueba& base)
{
    QStringList huerfanos;
    auto rs = base.Conexion()->Execute(QStringLiteral(
        "SELECT h.Gcc_Cve_Grupo_Cuenta_Contable AS Clave FROM Grupo_Cuenta_Contable h "
        "WHERE h.Gcc_Padre <> '0' AND NOT EXISTS (SELECT 1 FROM Grupo_Cuenta_Contable p "
        "WHERE p.Gcc_Cve_Grupo_Cuenta_Contable = h.Gcc_Padre)"));
    for (; !rs->Eof(); rs->MoveNext())
        huerfanos << rs->Fields(QStringLiteral("Clave")).toString();
    return huerfanos;
}

QStringList PantallaDePrueba::Llamadas(const BaseDePrueba& base)
{
    QStringList nombres;
    for (const QJsonObject& llamada : base.Traza()) {
        const QString nombre = llamada.value(QStringLiteral("llamada")).toString();
        if (nombre != QLatin1String("Conexion"))
            nombres << nombre;
    }
    return nombres;
}

QStringList PantallaDePrueba::Mensajes(const BaseDePrueba& base)
{
    QStringList resumen;
    for (const Sesion::MensajeRegistrado& m : base.Mensajes())
        resumen << QStringLiteral("%1 | %2 | %3 | %4").arg(m.estilo).arg(m.titulo, m.idError, m.texto);
    return resumen;
}
