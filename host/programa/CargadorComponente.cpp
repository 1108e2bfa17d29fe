#include "CargadorComponente.h"

#include "ErrorEjecucion.h"
#include "Registro.h"

namespace {

QString hex(HRESULT_KES resultado)
{
    return QStringLiteral("0x%1").arg(quint32(resultado), 8, 16, QLatin1Char('0'));
}

} // namespace

CargadorComponente::~CargadorComponente()
{
    LiberarPantalla();
}

template <class F>
F CargadorComponente::resolver(QLibrary& libreria, const char* nombre)
{
    auto funcion = reinterpret_cast<F>(libreria.resolve(nombre));
    if (!funcion)
        throw ErrorEjecucion(QStringLiteral("La librería %1 no exporta %2")
                                 .arg(libreria.fileName(), QLatin1String(nombre)));
    return funcion;
}

void CargadorComponente::Registrar(const QString& ruta)
{
    QLibrary libreria(ruta);
    if (!libreria.load())
        throw ErrorEjecucion(QStringLiteral("No se pudo cargar %1: %2").arg(ruta, libreria.errorString()));
    const HRESULT_KES resultado = resolver<DllRegisterServerFn>(libreria, "DllRegisterServer")();
    if (resultado != S_OK_KES)
        throw ErrorEjecucion(QStringLiteral("DllRegisterServer falló (%1)").arg(hex(resultado)));
}

void CargadorComponente::Desregistrar(const QString& ruta)
{
    QLibrary libreria(ruta);
    if (!libreria.load())
        throw ErrorEjecucion(QStringLiteral("No se pudo cargar %1: %2").arg(ruta, libreria.errorString()));
    const HRESULT_KES resultado = resolver<DllUnregisterServerFn>(libreria, "DllUnregisterServer")();
    if (resultado != S_OK_KES)
        throw ErrorEjecucion(QStringLiteral("DllUnregisterServer falló (%1)").arg(hex(resultado)));
}

QObject* CargadorComponente::CrearPantalla()
{
    const QString ruta = Registro::LibreriaDeClase(QLatin1String(kProgIdPantalla));
    if (ruta.isEmpty())
        throw ErrorEjecucion(QStringLiteral("La clase %1 no está registrada (%2). Ejecute el programa con --registrar.")
                                 .arg(QLatin1String(kProgIdPantalla), Registro::Archivo()));
    m_libreria.setFileName(ruta);
    if (!m_libreria.load())
        throw ErrorEjecucion(QStringLiteral("No se pudo cargar %1: %2").arg(ruta, m_libreria.errorString()));

    const QString clsid = Registro::ClsidDeNombre(QLatin1String(kProgIdPantalla));
    void* objeto = nullptr;
    HRESULT_KES resultado = resolver<DllGetClassObjectFn>(m_libreria, "DllGetClassObject")(
        clsid.toLatin1().constData(), kIidClassFactory, &objeto);
    if (resultado != S_OK_KES || !objeto)
        throw ErrorEjecucion(QStringLiteral("DllGetClassObject falló (%1)").arg(hex(resultado)));
    auto* fabrica = static_cast<IClassFactoryKes*>(objeto);

    resultado = fabrica->CreateInstance(kIidPantalla, &objeto);
    fabrica->Release();
    if (resultado == CTL_E_CANTCREATEOBJECT_KES)
        throw ErrorEjecucion(QStringLiteral("El componente no pudo crear los servicios del host"));
    if (resultado != S_OK_KES || !objeto)
        throw ErrorEjecucion(QStringLiteral("No se pudo crear %1 (%2)").arg(QLatin1String(kProgIdPantalla), hex(resultado)));
    m_pantalla = static_cast<IPantallaKes*>(objeto);

    QObject* pantalla = m_pantalla->GetPantalla().value<QObject*>();
    if (!pantalla)
        throw ErrorEjecucion(QStringLiteral("GetPantalla no devolvió una pantalla"));
    return pantalla;
}

bool CargadorComponente::LiberarPantalla()
{
    if (m_pantalla) {
        m_pantalla->Release();
        m_pantalla = nullptr;
    }
    if (!m_libreria.isLoaded())
        return true;
    auto puedeDescargar = reinterpret_cast<DllCanUnloadNowFn>(m_libreria.resolve("DllCanUnloadNow"));
    return puedeDescargar && puedeDescargar() == S_OK_KES;
}
