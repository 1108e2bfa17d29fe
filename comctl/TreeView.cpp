#include "TreeView.h"

#include "DelegadoEtiqueta.h"
#include "ErrorEjecucion.h"
#include "ImageList.h"
#include "NodoArbol.h"
#include "Teclado.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <utility>

namespace {

constexpr int kRolClave = NodoArbol::kRolClave;
constexpr int kRolTag = NodoArbol::kRolTag;
constexpr int kRolImagen = NodoArbol::kRolImagen;

[[noreturn]] void ElementoNoEncontrado()
{
    throw ErrorEjecucion(QStringLiteral("Elemento no encontrado"));
}

[[noreturn]] void FueraDeIntervalo()
{
    throw ErrorEjecucion(QStringLiteral("Índice fuera del intervalo"));
}

}  // namespace

TreeView::TreeView(QWidget* padre)
    : QTreeWidget(padre)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Labels are edited only when the user clicks the node that is already selected.
    setEditTriggers(QAbstractItemView::SelectedClicked);
    setItemDelegate(new DelegadoEtiqueta(
        [this](const QModelIndex& indice, const QString& texto) { AnotarEdicion(indice, texto); }, this));

    // Keys follow their nodes out of the tree however the nodes go (Remove, Clear, or a
    // plain delete by whoever holds a node).
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, &TreeView::QuitarClaves);
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, &TreeView::OlvidarClaves);
}

TreeView::~TreeView()
{
    // The model outlives this part of the tree and clears itself when it goes; the keys
    // are gone by then.
    disconnect(model(), nullptr, this, nullptr);
    qDeleteAll(m_pendientes);
}

void TreeView::setImageList(ImageList* imagenes)
{
    m_imagenes = imagenes;
    if (imagenes)
        setIconSize(imagenes->Tamano());
    // Nodes take their pictures from the list when drawn.
    viewport()->update();
}

ImageList* TreeView::imageList() const
{
    return m_imagenes;
}

QTreeWidgetItem* TreeView::Add(const QString& relativo, int relacion, const QString& clave, const QString& texto,
                               int imagen)
{
    QTreeWidgetItem* nodoRelativo = nullptr;
    if (!relativo.isEmpty()) {
        nodoRelativo = NodoRelativo(relativo);
    }
    if (relacion < tvwFirst || relacion > tvwChild)
        FueraDeIntervalo();
    if (m_imagenes && (imagen < 0 || imagen > m_imagenes->Count()))
        FueraDeIntervalo();

    // One lookup both tests the key and reserves its place.
    QTreeWidgetItem** ranura = nullptr;
    if (!clave.isEmpty()) {
        ranura = &m_nodos[clave];
        if (*ranura)
            throw ErrorEjecucion(QStringLiteral("La clave no es única en la colección"));
    }

    // Complete before it joins the tree, so that no change is signalled for each field.
    auto* nodo = new NodoArbol(clave, texto, imagen);
    if (ranura)
        *ranura = nodo;
    InsertarNodo(nodo, nodoRelativo, relacion);
    return nodo;
}

QTreeWidgetItem* TreeView::NodoRelativo(const QString& clave)
{
    if (m_ultimoRelativo && clave == m_claveUltimoRelativo)
        return m_ultimoRelativo;
    m_ultimoRelativo = Item(clave);
    m_claveUltimoRelativo = clave;
    return m_ultimoRelativo;
}

void TreeView::InsertarNodo(QTreeWidgetItem* nodo, QTreeWidgetItem* relativo, int relacion)
{
    if (relativo && relacion == tvwChild) {
        relativo->addChild(nodo);
        return;
    }
    QTreeWidgetItem* padre = relativo && relativo->parent() ? relativo->parent() : invisibleRootItem();
    if (padre == invisibleRootItem()) {
        if (m_lotes > 0 && !relativo && relacion != tvwFirst) {
            m_pendientes.append(nodo);
            return;
        }
        unirPendientes();  // the relative, or the position, may be one of them
    }
    switch (relativo ? relacion : (relacion == tvwFirst ? tvwFirst : tvwLast)) {
    case tvwFirst:
        padre->insertChild(0, nodo);
        break;
    case tvwNext:
        padre->insertChild(padre->indexOfChild(relativo) + 1, nodo);
        break;
    case tvwPrevious:
        padre->insertChild(padre->indexOfChild(relativo), nodo);
        break;
    default:
        padre->addChild(nodo);
        break;
    }
}

void TreeView::Clear()
{
    qDeleteAll(std::exchange(m_pendientes, {}));
    clear();
    OlvidarClaves();
}

void TreeView::Remove(const QString& clave)
{
    unirPendientes();  // so that the model reports the removal and the keys go with it
    delete Item(clave);
}

void TreeView::unirPendientes()
{
    if (!m_pendientes.isEmpty())
        addTopLevelItems(std::exchange(m_pendientes, {}));
}

void TreeView::OlvidarClaves()
{
    m_nodos.clear();
    m_ultimoRelativo = nullptr;
}

void TreeView::QuitarClaves(const QModelIndex& padre, int primera, int ultima)
{
    m_ultimoRelativo = nullptr;
    for (int fila = primera; fila <= ultima; ++fila) {
        QTreeWidgetItem* nodo = itemFromIndex(model()->index(fila, 0, padre));
        if (!nodo)
            continue;
        QList<QTreeWidgetItem*> pendientes{nodo};
        while (!pendientes.isEmpty()) {
            QTreeWidgetItem* actual = pendientes.takeLast();
            const QString clave = Key(actual);
            if (const auto it = m_nodos.find(clave); it != m_nodos.end() && it->second == actual)
                m_nodos.erase(it);
            for (int i = 0; i < actual->childCount(); ++i)
                pendientes.append(actual->child(i));
        }
    }
}

QTreeWidgetItem* TreeView::Item(const QString& clave) const
{
    QTreeWidgetItem* nodo = Buscar(clave);
    if (!nodo)
        ElementoNoEncontrado();
    return nodo;
}

QTreeWidgetItem* TreeView::Buscar(const QString& clave) const
{
    const auto it = m_nodos.find(clave);
    return it == m_nodos.end() ? nullptr : it->second;
}

int TreeView::Count() const
{
    int cuenta = static_cast<int>(m_pendientes.size());
    QList<const QTreeWidgetItem*> pendientes{invisibleRootItem()};
    for (const QTreeWidgetItem* nodo : m_pendientes)
        pendientes.append(nodo);
    while (!pendientes.isEmpty()) {
        const QTreeWidgetItem* actual = pendientes.takeLast();
        cuenta += actual->childCount();
        for (int i = 0; i < actual->childCount(); ++i)
            if (actual->child(i)->childCount() > 0)
                pendientes.append(actual->child(i));
    }
    return cuenta;
}

QTreeWidgetItem* TreeView::SelectedItem() const
{
    const QList<QTreeWidgetItem*> seleccion = selectedItems();
    return seleccion.isEmpty() ? nullptr : seleccion.first();
}

void TreeView::Seleccionar(QTreeWidgetItem* nodo)
{
    setCurrentItem(nodo);
    if (nodo)
        nodo->setSelected(true);
}

void TreeView::EnsureVisible(QTreeWidgetItem* nodo)
{
    if (!nodo)
        return;
    for (QTreeWidgetItem* ancestro = nodo->parent(); ancestro; ancestro = ancestro->parent())
        ancestro->setExpanded(true);
    scrollToItem(nodo);
}

QString TreeView::Key(const QTreeWidgetItem* nodo)
{
    return nodo->data(0, kRolClave).toString();
}

QString TreeView::Text(const QTreeWidgetItem* nodo)
{
    return nodo->text(0);
}

void TreeView::setText(QTreeWidgetItem* nodo, const QString& texto)
{
    nodo->setText(0, texto);
}

QVariant TreeView::Tag(const QTreeWidgetItem* nodo)
{
    return nodo->data(0, kRolTag);
}

void TreeView::setTag(QTreeWidgetItem* nodo, const QVariant& valor)
{
    nodo->setData(0, kRolTag, valor);
}

int TreeView::Image(const QTreeWidgetItem* nodo)
{
    return nodo->data(0, kRolImagen).toInt();
}

int TreeView::Children(const QTreeWidgetItem* nodo)
{
    return nodo->childCount();
}

QTreeWidgetItem* TreeView::Parent(const QTreeWidgetItem* nodo)
{
    return nodo->parent();
}

void TreeView::keyPressEvent(QKeyEvent* evento)
{
    QPointer<TreeView> vivo(this);
    int codigo = Teclado::CodigoTecla(evento);
    if (codigo != 0) {
        emit KeyDown(codigo, Teclado::Mayusculas(evento->modifiers()));
        if (!vivo)
            return;
        if (codigo == 0) {
            evento->accept();
            return;
        }
    }
    // The current node is noted after KeyDown, whose handler may rebuild the tree.
    const QPersistentModelIndex antes(currentIndex());
    QTreeWidget::keyPressEvent(evento);
    if (!vivo)
        return;
    if (currentIndex().isValid() && currentIndex() != antes)
        emit NodeClick(currentItem());
}

void TreeView::mousePressEvent(QMouseEvent* evento)
{
    // Only the left button picks a node: a right click that moved the selection would leave
    // it apart from what the last NodeClick showed.
    if (evento->button() != Qt::LeftButton) {
        m_indicePulsado = QPersistentModelIndex();
        evento->accept();
        return;
    }
    const QPoint punto = evento->position().toPoint();
    QTreeWidgetItem* nodo = itemAt(punto);
    // A press on the expand sign or beside the label is no click on the node.
    const bool sobreNodo = nodo && visualItemRect(nodo).contains(punto);
    m_indicePulsado = sobreNodo ? QPersistentModelIndex(indexFromItem(nodo)) : QPersistentModelIndex();
    QTreeWidget::mousePressEvent(evento);
}

void TreeView::mouseReleaseEvent(QMouseEvent* evento)
{
    const QPersistentModelIndex pulsado = m_indicePulsado;
    m_indicePulsado = QPersistentModelIndex();
    QPointer<TreeView> vivo(this);
    QTreeWidget::mouseReleaseEvent(evento);
    if (!vivo || evento->button() != Qt::LeftButton || !pulsado.isValid())
        return;
    if (indexAt(evento->position().toPoint()) != pulsado)
        return;
    if (QTreeWidgetItem* nodo = itemFromIndex(pulsado))
        emit NodeClick(nodo);
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* evento)
{
    // The release that ends a double click is no further click on the node.
    m_indicePulsado = QPersistentModelIndex();
    QPointer<TreeView> vivo(this);
    QTreeWidget::mouseDoubleClickEvent(evento);
    if (vivo)
        emit DblClick();
}

void TreeView::focusInEvent(QFocusEvent* evento)
{
    QTreeWidget::focusInEvent(evento);
    // The focus coming back from the tree's own label editor is no new arrival.
    if (!m_cerrandoEditor)
        emit GotFocus();
}

void TreeView::AnotarEdicion(const QModelIndex& indice, const QString& texto)
{
    m_indiceEditado = QPersistentModelIndex(indice);
    m_textoEditado = texto;
    m_hayEdicion = true;
}

void TreeView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint sugerencia)
{
    // Tab ends the edit; it does not open the next node's label.
    if (sugerencia == QAbstractItemDelegate::EditNextItem || sugerencia == QAbstractItemDelegate::EditPreviousItem)
        sugerencia = QAbstractItemDelegate::SubmitModelCache;
    m_cerrandoEditor = true;
    QPointer<TreeView> vivo(this);
    QTreeWidget::closeEditor(editor, sugerencia);
    if (!vivo)
        return;
    m_cerrandoEditor = false;
    if (!m_hayEdicion)
        return;
    // The editor is gone before the handler runs, so the handler may rebuild the tree.
    const QPersistentModelIndex indice = m_indiceEditado;
    const QString texto = m_textoEditado;
    m_hayEdicion = false;
    m_indiceEditado = QPersistentModelIndex();
    m_textoEditado.clear();
    LanzarAfterLabelEdit(indice, texto);
}

void TreeView::LanzarAfterLabelEdit(const QPersistentModelIndex& indice, const QString& texto)
{
    QTreeWidgetItem* nodo = itemFromIndex(indice);
    // Leaving the label as it was is no edit.
    if (!nodo || Text(nodo) == texto)
        return;
    int cancel = 0;
    QString nuevoTexto = texto;
    QPointer<TreeView> vivo(this);
    emit AfterLabelEdit(cancel, nuevoTexto);
    if (!vivo || cancel != 0)
        return;
    // The handler may have removed the node or rebuilt the whole tree: a node that is gone
    // keeps nothing of the edit.
    if (!indice.isValid() || itemFromIndex(indice) != nodo)
        return;
    nodo->setText(0, nuevoTexto);
}
