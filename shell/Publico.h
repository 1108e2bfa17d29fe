#pragma once

#include "Servicios.h"

#include <QString>
#include <functional>
#include <memory>

// The component's globals, shared by its three forms on the user-interface thread.
namespace Publico {

extern QString sSQL;
extern AccesoDatos* oDatos;
extern Utilerias* oUtil;
extern QString sFormatoClave;

// Where service objects come from: a function that creates one by class name
// ("AccesoDatos", "Utilerias", "VisorReporte") and hands over its ownership.
using Fabrica = std::function<void*(const char* clase)>;

// The start-up routine: runs once, before the component's first object is handed out, and
// creates oDatos and oUtil. Without a factory of its own it asks the services library that
// the host process carries (its exported KesCrearObjeto).
void Main();

// The one seam for tests and hosts that bring their own services: replaces the factory and
// discards the objects already created, so the next Main() creates them anew.
void EstablecerFabrica(Fabrica fabrica);

// A new report viewer for one listing.
std::unique_ptr<VisorReporte> CrearVisorReporte();

}  // namespace Publico
