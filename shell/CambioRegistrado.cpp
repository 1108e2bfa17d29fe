#include "CambioRegistrado.h"

#include "ApoyoFormas.h"
#include "GuardaTransaccion.h"

bool EscribirCambio(const CambioRegistrado& cambio, const std::function<bool(GuardaTransaccion&)>& escribir,
                    const std::function<void()>& antesDeConfirmar)
{
    GuardaTransaccion transaccion(&Conexion());
    if (!escribir(transaccion))
        return false;
    if (!Util().RegistrarCambio(cambio.tabla, cambio.clave, QString())) {
        transaccion.RollbackTrans();
        Datos().Mensaje(Util().UltimoError(), cambio.estiloRechazo, kKestrima, cambio.ventana, kProyecto,
                        cambio.idRechazo);
        return false;
    }
    if (antesDeConfirmar)
        antesDeConfirmar();
    transaccion.CommitTrans();
    return true;
}
