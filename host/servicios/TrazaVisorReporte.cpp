#include "TrazaVisorReporte.h"

#include "Trazado.h"

TrazaVisorReporte::TrazaVisorReporte(std::unique_ptr<VisorReporte> interior)
    : m_interior(std::move(interior))
{}

void TrazaVisorReporte::MostrarReporte(const QString& listado, const QString& titulo, long n1, long n2, long n3,
                                       long n4, long n5, long n6)
{
    if (!Sesion::TrazaActiva())
        return m_interior->MostrarReporte(listado, titulo, n1, n2, n3, n4, n5, n6);
    QJsonArray numeros;
    for (long n : {n1, n2, n3, n4, n5, n6})
        numeros.append(static_cast<qint64>(n));
    Trazado::Ejecutar({{QStringLiteral("llamada"), QStringLiteral("MostrarReporte")},
                       {QStringLiteral("listado"), listado},
                       {QStringLiteral("titulo"), titulo},
                       {QStringLiteral("numeros"), numeros}},
                      [&] { m_interior->MostrarReporte(listado, titulo, n1, n2, n3, n4, n5, n6); });
}
