#include "BusquedaEnArbol.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <vector>

QString BusquedaEnArbol::Normalizar(const QString& texto)
{
    const QString descompuesto = texto.normalized(QString::NormalizationForm_D);
    QString resultado;
    resultado.reserve(descompuesto.size());
    for (const QChar c : descompuesto) {
        if (c.category() != QChar::Mark_NonSpacing)
            resultado.append(c);
    }
    return resultado.toCaseFolded();
}

QTreeWidgetItem* BusquedaEnArbol::Siguiente(const QTreeWidget* arbol, const QString& texto)
{
    const QString buscado = Normalizar(texto);
    if (!arbol || buscado.isEmpty())
        return nullptr;
    // QTreeWidgetItemIterator walks every item in display order, collapsed ones included.
    std::vector<QTreeWidgetItem*> nodos;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(arbol)); *it; ++it)
        nodos.push_back(*it);
    if (nodos.empty())
        return nullptr;
    const QTreeWidgetItem* actual = arbol->currentItem();
    size_t inicio = 0;
    for (size_t i = 0; actual && i < nodos.size(); ++i) {
        if (nodos[i] == actual) {
            inicio = i + 1;
            break;
        }
    }
    for (size_t paso = 0; paso < nodos.size(); ++paso) {
        QTreeWidgetItem* nodo = nodos[(inicio + paso) % nodos.size()];
        if (Normalizar(nodo->text(0)).contains(buscado))
            return nodo;
    }
    return nullptr;
}

void BusquedaEnArbol::Mostrar(QTreeWidget* arbol, QTreeWidgetItem* nodo)
{
    for (QTreeWidgetItem* padre = nodo->parent(); padre; padre = padre->parent())
        padre->setExpanded(true);
    arbol->setCurrentItem(nodo);
    arbol->scrollToItem(nodo);
}
