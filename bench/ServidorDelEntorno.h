#pragma once

#include "Sesion.h"

#include <optional>

// The PostgreSQL server named by the environment (TQ614_PG_HOST, _PORT, _USUARIO, _BASE; the
// password in libpq's password file), as ./test.sh and scripts/postgres-prueba.sh export it;
// nothing when it names none.
std::optional<Sesion::Configuracion> ServidorDelEntorno();
