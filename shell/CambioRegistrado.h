#pragma once

#include <QString>
#include <functional>

class GuardaTransaccion;

// A change to a group as every command writes it: its statements and the host's registration
// of the change share one transaction on the shared connection, which is committed only once
// the host has registered the change.
struct CambioRegistrado
{
    // The table and the key the host registers the change under.
    QString tabla;
    QString clave;
    // The message that gives the host's reason when it refuses the change: the command's
    // window, its style and its error id.
    qintptr ventana = 0;
    long estiloRechazo = 0;
    QString idRechazo;
};

// Begins the transaction and runs `escribir`, which executes the change's statements and
// answers false when it dropped the change itself (rolled back and told the user). Then the
// host registers the change: refused, the change is rolled back and the host's reason shown;
// registered, `antesDeConfirmar` runs and the change is committed. An error that escapes
// leaves the change rolled back before it reaches the command's error trap. Returns whether
// the change was committed.
bool EscribirCambio(const CambioRegistrado& cambio, const std::function<bool(GuardaTransaccion&)>& escribir,
                    const std::function<void()>& antesDeConfirmar = {});
