#pragma once

#include <QTreeWidgetItem>

// A node of TreeView. Its key and picture index live in the node itself, and the picture is
// taken from the tree's image list when the node is drawn: adding a node then costs no more
// than adding a plain item, and a list assigned later shows on every node at once.
class NodoArbol : public QTreeWidgetItem
{
public:
    NodoArbol(const QString& clave, const QString& texto, int imagen);
    ~NodoArbol() override;

    QVariant data(int columna, int rol) const override;

    // The roles under which a node answers for its key, its picture index and its Tag.
    static constexpr int kRolClave = Qt::UserRole;
    static constexpr int kRolTag = Qt::UserRole + 1;
    static constexpr int kRolImagen = Qt::UserRole + 2;

private:
    QString m_clave;
    int m_imagen;
};
