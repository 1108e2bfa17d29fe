#pragma once

#include <QString>
#include <functional>

// The error report every trapped procedure of the component makes: Mensaje with the error's
// description, style 16, the procedure's name and "()" as title, the form's window handle,
// "TQ614" and the procedure's own error id.
namespace ReporteError {

void Reportar(const QString& descripcion, const QString& procedimiento, qintptr ventana, const QString& idError);

// The description of the error being handled; call it inside a catch block.
QString DescripcionDelError();

// Runs a procedure's body under its error trap. An error that escapes the body is reported
// (after `antesDeReportar`, which rolls back or restores what the procedure must) and
// cleared: the caller carries on. Returns whether the body ran to its end.
template <class Cuerpo>
bool ConTrampa(const QString& procedimiento, const QString& idError, qintptr ventana, Cuerpo&& cuerpo,
               const std::function<void()>& antesDeReportar = {})
{
    try {
        cuerpo();
        return true;
    } catch (...) {
        const QString descripcion = DescripcionDelError();
        if (antesDeReportar)
            antesDeReportar();
        Reportar(descripcion, procedimiento, ventana, idError);
        return false;
    }
}

}  // namespace ReporteError
