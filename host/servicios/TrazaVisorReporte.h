#pragma once

#include "Servicios.h"

#include <memory>

// The report viewer with its call written to the trace when it is on.
class TrazaVisorReporte : public VisorReporte
{
public:
    explicit TrazaVisorReporte(std::unique_ptr<VisorReporte> interior);

    void MostrarReporte(const QString& listado, const QString& titulo, long n1, long n2, long n3, long n4, long n5,
                        long n6) override;

private:
    std::unique_ptr<VisorReporte> m_interior;
};
