#pragma once

#include <QString>

// Table and column names come from code, never from a user, but they are written into a
// statement's text as they are: anything but a plain identifier is refused.
namespace Identificador {

bool EsValido(const QString& nombre);
// Returns the name, or throws ErrorEjecucion naming `que` ("tabla", "campo").
const QString& Exigir(const QString& nombre, const char* que);

}  // namespace Identificador
