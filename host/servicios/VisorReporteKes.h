#pragma once

#include "Servicios.h"

// The report viewer: shows one listing in a modal window (DialogoReporte) from which the
// user prints, previews or saves it. While messages are recorded (the non-interactive
// mode) it records the listing instead, so nothing waits for a user.
class VisorReporteKes : public VisorReporte
{
public:
    // `titulo` names the window ("Reporte" when empty); n3 and n4 are its width and height
    // in pixels when positive; the other numbers are accepted and not used.
    void MostrarReporte(const QString& listado, const QString& titulo, long n1, long n2, long n3, long n4, long n5,
                        long n6) override;
};
