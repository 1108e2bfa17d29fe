#pragma once

#include "HashDeClave.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>
#include <QVariant>
#include <unordered_map>

class ImageList;

// A tree whose nodes are addressed by unique text keys, in the manner of the common
// controls' TreeView: nodes are added relative to another node's key, looked up and removed
// by key, carry a picture of an ImageList and a Tag. Node labels are edited in place only
// when the user clicks the node that is already selected (never by F2, never from code); the
// end of an edit is raised as AfterLabelEdit, whose handler may cancel it, change the text,
// or even rebuild the whole tree.
//
// Lookups of missing keys and duplicate keys are errors (ErrorEjecucion), as they are for
// the collection this stands in for.
class TreeView : public QTreeWidget
{
    Q_OBJECT

public:
    enum Relacion { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

    explicit TreeView(QWidget* padre = nullptr);
    ~TreeView() override;

    void setImageList(ImageList* imagenes);
    ImageList* imageList() const;

    // Nodes.Add: a node with `clave` placed by `relacion` to the node `relativo` (an empty
    // relative adds a top-level node). Throws when the key is in use or the relative is not.
    QTreeWidgetItem* Add(const QString& relativo, int relacion, const QString& clave, const QString& texto,
                         int imagen = 0);
    // Nodes.Clear: removes every node (and with them the selection).
    void Clear();

    // While a Lote lives, nodes appended at the top level wait outside the widget and join
    // it, with everything added under them, when the last Lote ends. A node added under one
    // the view shows makes the model signal and the view lay out on every Add, which is most
    // of the cost of loading thousands of nodes.
    class Lote
    {
    public:
        explicit Lote(TreeView& arbol)
            : m_arbol(arbol)
        {
            ++m_arbol.m_lotes;
        }
        ~Lote()
        {
            if (--m_arbol.m_lotes == 0)
                m_arbol.unirPendientes();
        }
        Lote(const Lote&) = delete;
        Lote& operator=(const Lote&) = delete;

    private:
        TreeView& m_arbol;
    };
    // Nodes.Remove: the node with that key and its descendants; throws when missing.
    void Remove(const QString& clave);
    // Nodes(clave): throws when missing.
    QTreeWidgetItem* Item(const QString& clave) const;
    // The node with that key, or nullptr.
    QTreeWidgetItem* Buscar(const QString& clave) const;
    // Nodes.Count: every node of the tree.
    int Count() const;

    QTreeWidgetItem* SelectedItem() const;
    // Node.Selected = True: selects the node without raising NodeClick.
    void Seleccionar(QTreeWidgetItem* nodo);
    // Node.EnsureVisible: expands its ancestors and scrolls it into view.
    void EnsureVisible(QTreeWidgetItem* nodo);

    static QString Key(const QTreeWidgetItem* nodo);
    static QString Text(const QTreeWidgetItem* nodo);
    static void setText(QTreeWidgetItem* nodo, const QString& texto);
    static QVariant Tag(const QTreeWidgetItem* nodo);
    static void setTag(QTreeWidgetItem* nodo, const QVariant& valor);
    static int Image(const QTreeWidgetItem* nodo);
    static int Children(const QTreeWidgetItem* nodo);
    static QTreeWidgetItem* Parent(const QTreeWidgetItem* nodo);

signals:
    // The user picked a node: a mouse click on it (also when already selected) or a move of
    // the selection with the keyboard. Never raised by code.
    void NodeClick(QTreeWidgetItem* nodo);
    void DblClick();
    // Before the tree handles a key; a handler that sets the code to 0 swallows the key.
    void KeyDown(int& codigoTecla, int mayusculas);
    // The user finished editing a label (Enter, Tab or leaving the editor) with a text other
    // than the label's; raised once the editor has closed. Cancel set to non-zero keeps the
    // old label; otherwise the label becomes nuevoTexto (as the handler left it), provided
    // the node still exists. Escape, or a label left as it was, raises nothing.
    void AfterLabelEdit(int& cancel, QString& nuevoTexto);
    // The tree received the focus.
    void GotFocus();

protected:
    void keyPressEvent(QKeyEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
    void focusInEvent(QFocusEvent* evento) override;

protected slots:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint sugerencia) override;

private:
    void InsertarNodo(QTreeWidgetItem* nodo, QTreeWidgetItem* relativo, int relacion);
    void AnotarEdicion(const QModelIndex& indice, const QString& texto);
    void LanzarAfterLabelEdit(const QPersistentModelIndex& indice, const QString& texto);
    void QuitarClaves(const QModelIndex& padre, int primera, int ultima);
    QTreeWidgetItem* NodoRelativo(const QString& clave);
    void OlvidarClaves();
    void unirPendientes();

    QPointer<ImageList> m_imagenes;
    std::unordered_map<QString, QTreeWidgetItem*, HashDeClave> m_nodos;
    // Top-level nodes added during a Lote, not yet in the widget.
    int m_lotes = 0;
    QList<QTreeWidgetItem*> m_pendientes;
    // The relative of the last Add: a tree is filled parent by parent, so the next Add
    // usually names the same node and needs no lookup in a table of thousands of keys.
    QString m_claveUltimoRelativo;
    QTreeWidgetItem* m_ultimoRelativo = nullptr;
    // The node under a left-button press, to tell a click on it from a drag.
    QPersistentModelIndex m_indicePulsado;
    // The edit the user committed, raised once its editor has closed.
    QPersistentModelIndex m_indiceEditado;
    QString m_textoEditado;
    bool m_hayEdicion = false;
    bool m_cerrandoEditor = false;
};
