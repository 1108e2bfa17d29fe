#pragma once

#include "ErrorEjecucion.h"

#include <functional>

// "<error id> <description>" of the ErrorEjecucion the action throws (no id: the description), or "<sin error>".
inline QString ErrorDe(const std::function<void()>& accion)
{
    try {
        accion();
    } catch (const ErrorEjecucion& error) {
        return (error.Codigo().isEmpty() ? QString() : error.Codigo() + u' ') + error.Description();
    }
    return QStringLiteral("<sin error>");
}
