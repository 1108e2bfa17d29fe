#pragma once

#include "Servicios.h"

#include <QColor>
#include <QPointer>
#include <QString>

// What the component's three forms share besides their base class: the names their messages
// carry, the services and controls they require, and two functions of the forms runtime.

// The application and the project that the component's messages and transactions name.
inline const QString kKestrima = QStringLiteral("Kestrima");
inline const QString kProyecto = QStringLiteral("TQ614");

// A control of a form that is not loaded, or a service that was never created, is what the
// forms runtime reports as an object variable that was never set.
[[noreturn]] void FaltaObjeto();

template <class T>
T& Requerir(T* objeto)
{
    if (!objeto)
        FaltaObjeto();
    return *objeto;
}

template <class T>
T& Requerir(const QPointer<T>& control)
{
    return Requerir(control.data());
}

// The host's services that Publico::Main created, and their shared connection.
AccesoDatos& Datos();
Utilerias& Util();
Connection& Conexion();

// The runtime's RGB, and its Trim: spaces only, not tabs or line breaks.
QColor Rgb(int rojo, int verde, int azul);
QString Trim(const QString& texto);
