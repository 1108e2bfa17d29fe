#pragma once

#include <QString>
#include <functional>

class ErrorEjecucion;

// A failure while the program starts its window (the database does not open: the server,
// the password, the schema; the component is missing) told in a message box with what to do,
// instead of a silent exit. Without anyone to ask (the non-interactive mode) it goes to the
// error output.
namespace AvisoDeArranque {

enum class Salida { ReintentarOSalir, SoloSalir };

// Runs `abrir` until it succeeds, showing each failure and running it again when the user
// chooses Reintentar; false when the user chooses Salir (or nobody can be asked).
// `archivoConfiguracion`: the settings file in use (empty: none), named in the advice.
bool AbrirConReintento(const std::function<void()>& abrir, const QString& archivoConfiguracion);

// Shows one failure: the reason, what to do, and libpq's own text under Detalles. True when
// the user chose Reintentar.
bool Mostrar(const ErrorEjecucion& error, Salida salida, const QString& archivoConfiguracion);

// What the user can do about a failure, in a sentence or two.
QString QueHacer(const ErrorEjecucion& error, const QString& archivoConfiguracion);

}  // namespace AvisoDeArranque
