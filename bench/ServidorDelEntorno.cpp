#include "ServidorDelEntorno.h"

std::optional<Sesion::Configuracion> ServidorDelEntorno()
{
    if (qEnvironmentVariableIsEmpty("TQ614_PG_HOST"))
        return std::nullopt;
    Sesion::Configuracion c;
    c.motor = Sesion::Configuracion::PostgreSQL;
    c.servidor = qEnvironmentVariable("TQ614_PG_HOST");
    c.puerto = qEnvironmentVariableIntValue("TQ614_PG_PORT");
    c.usuario = qEnvironmentVariable("TQ614_PG_USUARIO");
    c.base = qEnvironmentVariable("TQ614_PG_BASE");
    return c;
}
