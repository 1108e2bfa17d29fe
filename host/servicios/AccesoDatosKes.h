#pragma once

#include "Servicios.h"

// The data service: the shared connection of the session, the operator, the host's
// parameters (table Kes_Parametro) and the messages to the user.
class AccesoDatosKes : public AccesoDatos
{
public:
    Connection* Conexion() override;
    QString Operador() override;
    // The stored value converted by `tipo` ("T" text, "N" number, "L" logical, "F" date;
    // an empty type uses the stored one), or `predeterminado` when the parameter is not
    // stored or stored empty (NULL).
    QVariant ObtenerParametro(const QString& nombre, long numero, const QString& tipo,
                              const QVariant& predeterminado) override;
    void Mensaje(const QString& texto, long estilo, const QString& titulo, qintptr ventana, const QString& proyecto,
                 const QString& idError) override;

    // Stores a parameter (for the host's configuration screens and for tests).
    void EstablecerParametro(const QString& nombre, long numero, const QString& tipo, const QVariant& valor);
};
