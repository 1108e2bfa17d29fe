#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace Twips {

double PixelesPorPulgada()
{
    QScreen* pantalla = QGuiApplication::primaryScreen();
    return pantalla ? pantalla->logicalDotsPerInchX() : 96.0;
}

int APixeles(double twips)
{
    return int(std::lround(twips * PixelesPorPulgada() / 1440.0));
}

double DePixeles(int pixeles)
{
    return pixeles * 1440.0 / PixelesPorPulgada();
}

QRect Rectangulo(double izquierda, double arriba, double ancho, double alto)
{
    return QRect(APixeles(izquierda), APixeles(arriba), APixeles(ancho), APixeles(alto));
}

}  // namespace Twips
