#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// A tree written out as text, one line per node in depth-first order (its depth, its
// picture and its text), so that the screen's tree can be compared with the yardstick's.
class FirmaArbol
{
public:
    using ImagenDe = std::function<int(const QTreeWidgetItem*)>;

    static QStringList De(const QTreeWidget& arbol, const ImagenDe& imagen);
    // Where two listings of lines first differ, as a readable text; empty when equal.
    static QString PrimeraDiferencia(const QStringList& nuestra, const QStringList& esperada);
};
