#include "FabricaServicios.h"

#include "AccesoDatosKes.h"
#include "TrazaAccesoDatos.h"
#include "TrazaUtilerias.h"
#include "TrazaVisorReporte.h"
#include "UtileriasKes.h"
#include "VisorReporteKes.h"

#include <cstring>

namespace FabricaServicios {

std::unique_ptr<AccesoDatos> CrearAccesoDatos()
{
    return std::make_unique<TrazaAccesoDatos>(std::make_unique<AccesoDatosKes>());
}

std::unique_ptr<Utilerias> CrearUtilerias()
{
    return std::make_unique<TrazaUtilerias>(std::make_unique<UtileriasKes>(CrearAccesoDatos()));
}

std::unique_ptr<VisorReporte> CrearVisorReporte()
{
    return std::make_unique<TrazaVisorReporte>(std::make_unique<VisorReporteKes>());
}

}  // namespace FabricaServicios

extern "C" Q_DECL_EXPORT void* KesCrearObjeto(const char* clase)
{
    if (!clase)
        return nullptr;
    // Each object is handed over through its interface's pointer, which the caller casts back.
    if (std::strcmp(clase, "AccesoDatos") == 0)
        return static_cast<AccesoDatos*>(FabricaServicios::CrearAccesoDatos().release());
    if (std::strcmp(clase, "Utilerias") == 0)
        return static_cast<Utilerias*>(FabricaServicios::CrearUtilerias().release());
    if (std::strcmp(clase, "VisorReporte") == 0)
        return static_cast<VisorReporte*>(FabricaServicios::CrearVisorReporte().release());
    return nullptr;
}
