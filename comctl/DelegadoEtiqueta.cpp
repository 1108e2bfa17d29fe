#include "DelegadoEtiqueta.h"

#include <QMetaProperty>

DelegadoEtiqueta::DelegadoEtiqueta(Anotar anotar, QObject* padre)
    : QStyledItemDelegate(padre)
    , m_anotar(std::move(anotar))
{}

void DelegadoEtiqueta::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& indice) const
{
    const QMetaProperty propiedad = editor->metaObject()->userProperty();
    const QString texto = propiedad.isValid() ? propiedad.read(editor).toString() : editor->property("text").toString();
    m_anotar(indice, texto);
}
