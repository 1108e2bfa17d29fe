#pragma once

#include <QStyledItemDelegate>
#include <functional>

// The editor of a node's label. It does not write the text into the node: it hands the
// text to the tree, which raises AfterLabelEdit once the editor has closed and applies the
// text only when the handler lets it.
class DelegadoEtiqueta : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using Anotar = std::function<void(const QModelIndex& indice, const QString& texto)>;

    DelegadoEtiqueta(Anotar anotar, QObject* padre);

    void setModelData(QWidget* editor, QAbstractItemModel* modelo, const QModelIndex& indice) const override;

private:
    Anotar m_anotar;
};
