#include "ImageList.h"

ImageList::ImageList(QObject* padre, QSize tamano)
    : QObject(padre)
    , m_tamano(tamano)
{}

QSize ImageList::Tamano() const
{
    return m_tamano;
}

int ImageList::Count() const
{
    return int(m_imagenes.size());
}

void ImageList::Add(const QIcon& imagen)
{
    m_imagenes.append(imagen);
}

QIcon ImageList::Imagen(int indice) const
{
    if (indice < 1 || indice > m_imagenes.size())
        return {};
    return m_imagenes.at(indice - 1);
}
