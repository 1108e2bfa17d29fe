#pragma once

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

// Finding a node of a tree by part of its text, the way a user expects: ignoring case and
// accents ("economia" finds "Economía"), in the order the nodes are shown (depth first),
// from the node after the current one and round to the beginning.
class BusquedaEnArbol
{
public:
    // The text folded for comparison: decomposed, without its combining marks, case-folded.
    static QString Normalizar(const QString& texto);

    // The next node whose text contains `texto`, or nullptr. Collapsed branches are searched
    // too. With no current node the search starts at the first node; the current node itself
    // is tried last, so a single match is found again.
    static QTreeWidgetItem* Siguiente(const QTreeWidget* arbol, const QString& texto);

    // Selects the node, expands its ancestors and scrolls it into view.
    static void Mostrar(QTreeWidget* arbol, QTreeWidgetItem* nodo);
};
