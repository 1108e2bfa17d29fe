#pragma once

#include <QString>

class ErrorEjecucion;

// What became of a change whose end went unanswered: its COMMIT was sent (or, outside a
// transaction, the statement that commits itself) and the connection dropped or the server fell
// silent before the answer came. The server that keeps the transaction's status says which;
// the user gets one message that says it and what to do.
namespace DesenlaceIncierto {

enum class Desenlace { Guardado, NoGuardado, Desconocido };

// The answer of pg_xact_status for the transaction (committed, aborted, in progress), or the
// empty text when the server could not be asked or did not know the transaction.
Desenlace DeEstado(const QString& estado);

// `causa` says what happened ("Se perdió la conexión con el servidor de la base de datos al
// guardar el cambio").
QString Mensaje(Desenlace desenlace, const QString& causa);

// The error thrown for a change that was not saved, or whose fate is unknown: its message is
// the whole story, not the reason of a failure to be wrapped in another one.
inline constexpr const char* kCodigoNoGuardado = "40P91";
inline constexpr const char* kCodigoDesconocido = "40003";
bool EsDesenlace(const ErrorEjecucion& error);

}  // namespace DesenlaceIncierto
