#pragma once

#include <QRect>

// Positions and sizes of the forms are designed in twips (1/1440 inch); they become pixels
// at the screen's logical resolution.
namespace Twips {

double PixelesPorPulgada();
int APixeles(double twips);
double DePixeles(int pixeles);
QRect Rectangulo(double izquierda, double arriba, double ancho, double alto);

}  // namespace Twips
