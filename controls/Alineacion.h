#pragma once

#include <Qt>

// The horizontal alignment as the forms store it (0 left, 1 right, 2 centre) and as Qt
// draws it, vertically centred.
namespace Alineacion {

inline Qt::Alignment AQt(int alineacion)
{
    switch (alineacion) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

inline int Guardada(Qt::Alignment alineacion)
{
    if (alineacion & Qt::AlignRight)
        return 1;
    return alineacion & Qt::AlignHCenter ? 2 : 0;
}

}  // namespace Alineacion
