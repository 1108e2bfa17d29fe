#include "FirmaArbol.h"

#include <QTreeWidget>
#include <utility>
#include <vector>

QStringList FirmaArbol::De(const QTreeWidget& arbol, const ImagenDe& imagen)
{
    QStringList lineas;
    // Explicit stack: a deep catalogue must not depend on the call stack.
    std::vector<std::pair<const QTreeWidgetItem*, int>> pendientes;
    for (int i = arbol.topLevelItemCount() - 1; i >= 0; --i)
        pendientes.emplace_back(arbol.topLevelItem(i), 0);
    while (!pendientes.empty()) {
        const auto [nodo, profundidad] = pendientes.back();
        pendientes.pop_back();
        lineas.append(QStringLiteral("%1|%2|%3").arg(profundidad).arg(imagen(nodo)).arg(nodo->text(0)));
        for (int i = nodo->childCount() - 1; i >= 0; --i)
            pendientes.emplace_back(nodo->child(i), profundidad + 1);
    }
    return lineas;
}

QString FirmaArbol::PrimeraDiferencia(const QStringList& nuestra, const QStringList& esperada)
{
    const qsizetype comunes = std::min(nuestra.size(), esperada.size());
    for (qsizetype i = 0; i < comunes; ++i) {
        if (nuestra[i] != esperada[i])
            return QStringLiteral("línea %1: «%2» en lugar de «%3»").arg(i + 1).arg(nuestra[i], esperada[i]);
    }
    if (nuestra.size() != esperada.size())
        return QStringLiteral("%1 líneas en lugar de %2").arg(nuestra.size()).arg(esperada.size());
    return {};
}
