#include "Publico.h"

#include "ErrorEjecucion.h"

#include <dlfcn.h>

namespace Publico {

QString sSQL;
AccesoDatos* oDatos = nullptr;
Utilerias* oUtil = nullptr;
QString sFormatoClave;

namespace {

Fabrica& fabricaActual()
{
    static Fabrica fabrica;
    return fabrica;
}

// The services library is loaded into the host process before the component; its factory
// is found there by name, as a COM client finds a registered class.
void* crearConLibreriaDelHost(const char* clase)
{
    auto crear = reinterpret_cast<KesCrearObjetoFn>(dlsym(RTLD_DEFAULT, "KesCrearObjeto"));
    if (!crear)
        throw ErrorEjecucion(QStringLiteral("El componente ActiveX no puede crear el objeto: "
                                            "la librería de servicios del host no está cargada"));
    return crear(clase);
}

template <class T>
T* crear(const char* clase)
{
    void* objeto = fabricaActual() ? fabricaActual()(clase) : crearConLibreriaDelHost(clase);
    if (!objeto)
        throw ErrorEjecucion(
            QStringLiteral("El componente ActiveX no puede crear el objeto %1").arg(QLatin1String(clase)));
    return static_cast<T*>(objeto);
}

}  // namespace

void Main()
{
    if (oDatos && oUtil)
        return;
    // The objects live as long as the component; they are never released by it.
    oDatos = crear<AccesoDatos>("AccesoDatos");
    oUtil = crear<Utilerias>("Utilerias");
}

void EstablecerFabrica(Fabrica fabrica)
{
    delete oDatos;
    delete oUtil;
    oDatos = nullptr;
    oUtil = nullptr;
    fabricaActual() = std::move(fabrica);
}

std::unique_ptr<VisorReporte> CrearVisorReporte()
{
    return std::unique_ptr<VisorReporte>(crear<VisorReporte>("VisorReporte"));
}

}  // namespace Publico
