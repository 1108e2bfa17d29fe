// The tree search of the services on a real QTreeWidget: order, wrap-around, case and
// accents, collapsed branches, and the message when nothing matches.
#include "BaseDePrueba.h"
#include "FabricaServicios.h"

#include <QTreeWidget>
#include <QtTest>

class PruebaBuscarEnArbol : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void encuentraSinDistinguirMayusculasNiAcentos();
    void siguienteDesdeElActualYVueltaAlPrincipio();
    void ramaPlegadaSeDespliegaYQuedaALaVista();
    void sinCoincidenciaAvisaYNoMueve();

private:
    QTreeWidgetItem* nodo(const QString& texto) const;
    QString actual() const;

    std::unique_ptr<BaseDePrueba> m_base;
    std::unique_ptr<Utilerias> m_util;
    std::unique_ptr<QTreeWidget> m_arbol;
};

void PruebaBuscarEnArbol::init()
{
    m_base = std::make_unique<BaseDePrueba>();
    m_util = FabricaServicios::CrearUtilerias();
    m_arbol = std::make_unique<QTreeWidget>();
    m_arbol->setObjectName(QStringLiteral("tvCuentas"));
    m_arbol->setHeaderHidden(true);
    m_arbol->resize(240, 120);  // small: most nodes lie outside the view
    // "/" > Activo > (Circulante > Caja, Bancos), Fijo ; Pasivo ; Economía ; Capital > Caja chica
    auto* raiz = new QTreeWidgetItem(m_arbol.get(), {QStringLiteral("/")});
    auto* activo = new QTreeWidgetItem(raiz, {QStringLiteral("Activo")});
    auto* circulante = new QTreeWidgetItem(activo, {QStringLiteral("Circulante")});
    new QTreeWidgetItem(circulante, {QStringLiteral("Caja")});
    new QTreeWidgetItem(circulante, {QStringLiteral("Bancos")});
    new QTreeWidgetItem(activo, {QStringLiteral("Fijo")});
    new QTreeWidgetItem(raiz, {QStringLiteral("Pasivo")});
    new QTreeWidgetItem(raiz, {QStringLiteral("ECONOMÍA Ñandú")});
    auto* capital = new QTreeWidgetItem(raiz, {QStringLiteral("Capital")});
    new QTreeWidgetItem(capital, {QStringLiteral("Caja chica")});
    raiz->setExpanded(true);
    m_arbol->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_arbol.get()));
}

void PruebaBuscarEnArbol::cleanup()
{
    m_arbol.reset();
    m_util.reset();
    m_base.reset();
}

QTreeWidgetItem* PruebaBuscarEnArbol::nodo(const QString& texto) const
{
    const auto encontrados = m_arbol->findItems(texto, Qt::MatchExactly | Qt::MatchRecursive);
    return encontrados.isEmpty() ? nullptr : encontrados.first();
}

QString PruebaBuscarEnArbol::actual() const
{
    return m_arbol->currentItem() ? m_arbol->currentItem()->text(0) : QString();
}

void PruebaBuscarEnArbol::encuentraSinDistinguirMayusculasNiAcentos()
{
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("economia"));
    QCOMPARE(actual(), QStringLiteral("ECONOMÍA Ñandú"));
    m_arbol->setCurrentItem(nodo(QStringLiteral("/")));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("NANDU"));
    QCOMPARE(actual(), QStringLiteral("ECONOMÍA Ñandú"));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("ircul"));  // inside the text
    QCOMPARE(actual(), QStringLiteral("Circulante"));
    QVERIFY(m_base->Mensajes().isEmpty());
    QCOMPARE(m_base->TrazaDe(QStringLiteral("BuscarEnArbol")).size(), 3);
    QCOMPARE(m_base->TrazaDe(QStringLiteral("BuscarEnArbol")).first().value(QStringLiteral("arbol")).toString(),
             QStringLiteral("tvCuentas"));
}

void PruebaBuscarEnArbol::siguienteDesdeElActualYVueltaAlPrincipio()
{
    // Without a current node the search starts at the first one.
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("caja"));
    QCOMPARE(actual(), QStringLiteral("Caja"));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("caja"));
    QCOMPARE(actual(), QStringLiteral("Caja chica"));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("caja"));  // round to the beginning
    QCOMPARE(actual(), QStringLiteral("Caja"));

    m_arbol->setCurrentItem(nodo(QStringLiteral("Pasivo")));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("activo"));  // only one, before the current
    QCOMPARE(actual(), QStringLiteral("Activo"));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("activo"));  // the single match again
    QCOMPARE(actual(), QStringLiteral("Activo"));
    QVERIFY(m_base->Mensajes().isEmpty());
}

void PruebaBuscarEnArbol::ramaPlegadaSeDespliegaYQuedaALaVista()
{
    QTreeWidgetItem* bancos = nodo(QStringLiteral("Bancos"));
    QVERIFY(!bancos->parent()->isExpanded());
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("bancos"));
    QCOMPARE(m_arbol->currentItem(), bancos);
    QVERIFY(bancos->isSelected());
    QVERIFY(bancos->parent()->isExpanded());
    QVERIFY(bancos->parent()->parent()->isExpanded());
    QTRY_VERIFY(m_arbol->viewport()->rect().contains(m_arbol->visualItemRect(bancos)));

    // The last node lies below the view until the search scrolls to it.
    m_arbol->expandAll();
    m_arbol->scrollToTop();
    QTreeWidgetItem* chica = nodo(QStringLiteral("Caja chica"));
    QVERIFY(!m_arbol->viewport()->rect().contains(m_arbol->visualItemRect(chica)));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("chica"));
    QCOMPARE(m_arbol->currentItem(), chica);
    QTRY_VERIFY(m_arbol->viewport()->rect().contains(m_arbol->visualItemRect(chica)));
}

void PruebaBuscarEnArbol::sinCoincidenciaAvisaYNoMueve()
{
    m_arbol->setCurrentItem(nodo(QStringLiteral("Fijo")));
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("Inventarios"));
    QCOMPARE(actual(), QStringLiteral("Fijo"));
    const auto mensajes = m_base->Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes.first().texto.contains(QStringLiteral("Inventarios")));
    QVERIFY(mensajes.first().texto.startsWith(QStringLiteral("No se encontró")));
    QCOMPARE(mensajes.first().estilo, 48L);
    QCOMPARE(mensajes.first().titulo, QStringLiteral("Buscar"));
    QCOMPARE(mensajes.first().ventana, static_cast<qintptr>(m_arbol->window()->winId()));
    // The message is traced like the component's own, inside the search's call.
    QCOMPARE(m_base->TrazaDe(QStringLiteral("Mensaje")).size(), 1);

    m_base->LimpiarMensajes();
    m_util->BuscarEnArbol(m_arbol.get(), QStringLiteral("   "));  // nothing to look for
    QCOMPARE(actual(), QStringLiteral("Fijo"));
    QVERIFY(m_base->Mensajes().isEmpty());
}

QTEST_MAIN(PruebaBuscarEnArbol)
#include "tst_BuscarEnArbol.moc"
