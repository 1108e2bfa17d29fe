#pragma once

#include "Sesion.h"

#include <QString>

class Connection;

// Whether the catalogue's change history can be trusted, as the command line and the history
// window tell it: every sealed row's seal matches its content and the seal of the row before
// (a row edited, deleted or inserted by hand breaks the chain), each group's "before" is the
// "after" of its change before, and each group in the table is as its last change left it (a
// change made with the triggers off or dropped shows there).
namespace VerificacionHistorial {

struct Veredicto
{
    bool integro = false;
    QString texto;  // one line in Spanish: "Historial íntegro: ..." or the first fault found
};

Veredicto Verificar(Connection& conexion, Sesion::Configuracion::Motor motor);

}  // namespace VerificacionHistorial
