#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QSize>

// A list of pictures of one size, addressed by their 1-based index, for a TreeView.
class ImageList : public QObject
{
    Q_OBJECT

public:
    explicit ImageList(QObject* padre = nullptr, QSize tamano = QSize(16, 16));

    QSize Tamano() const;
    int Count() const;
    void Add(const QIcon& imagen);
    // The picture at a 1-based index; a null icon for 0 or an index out of range.
    QIcon Imagen(int indice) const;

private:
    QSize m_tamano;
    QList<QIcon> m_imagenes;
};
