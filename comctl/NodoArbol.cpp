#include "NodoArbol.h"

#include "ImageList.h"
#include "TreeView.h"

NodoArbol::NodoArbol(const QString& clave, const QString& texto, int imagen)
    : QTreeWidgetItem(QTreeWidgetItem::UserType)
    , m_clave(clave)
    , m_imagen(imagen)
{
    setText(0, texto);
    setFlags(flags() | Qt::ItemIsEditable);
}

NodoArbol::~NodoArbol()
{
    // A node deleted while in the tree leaves it first, still whole, so that the tree can
    // read the keys of everything that goes with it.
    if (QTreeWidgetItem* padre = parent())
        padre->removeChild(this);
    else if (QTreeWidget* arbol = treeWidget())
        arbol->takeTopLevelItem(arbol->indexOfTopLevelItem(this));
}

QVariant NodoArbol::data(int columna, int rol) const
{
    if (columna == 0) {
        switch (rol) {
        case kRolClave:
            return m_clave;
        case kRolImagen:
            return m_imagen;
        case Qt::DecorationRole:
            if (m_imagen > 0) {
                const auto* arbol = qobject_cast<const TreeView*>(treeWidget());
                if (arbol && arbol->imageList())
                    return arbol->imageList()->Imagen(m_imagen);
            }
            break;
        default:
            break;
        }
    }
    return QTreeWidgetItem::data(columna, rol);
}
