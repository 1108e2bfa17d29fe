#pragma once

#include "Servicios.h"
#include "TrazaConexion.h"

#include <memory>

// The data service with every call written to the trace when it is on; the connection it
// returns traces its statements and transactions too.
class TrazaAccesoDatos : public AccesoDatos
{
public:
    explicit TrazaAccesoDatos(std::unique_ptr<AccesoDatos> interior);

    Connection* Conexion() override;
    QString Operador() override;
    QVariant ObtenerParametro(const QString& nombre, long numero, const QString& tipo,
                              const QVariant& predeterminado) override;
    void Mensaje(const QString& texto, long estilo, const QString& titulo, qintptr ventana, const QString& proyecto,
                 const QString& idError) override;

private:
    std::unique_ptr<AccesoDatos> m_interior;
    TrazaConexion m_conexion;
};
