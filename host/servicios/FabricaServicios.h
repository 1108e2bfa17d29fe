#pragma once

#include "Servicios.h"

#include <memory>

// The services as the component receives them: the real objects wrapped in their trace
// decorators, which write nothing while the trace is off, so that a trace switched on later
// (by a test, by support staff) sees every call.
namespace FabricaServicios {

std::unique_ptr<AccesoDatos> CrearAccesoDatos();
std::unique_ptr<Utilerias> CrearUtilerias();
std::unique_ptr<VisorReporte> CrearVisorReporte();

}  // namespace FabricaServicios

// The factory the component's start-up routine finds in the host process: a new
// AccesoDatos, Utilerias or VisorReporte (as void*, owned by the caller) by class name, or
// nullptr for a name it does not know.
extern "C" Q_DECL_EXPORT void* KesCrearObjeto(const char* clase);
