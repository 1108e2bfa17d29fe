#include "CargadorComponente.h"

#include "ErrorEjecucion.h"
#include "Registro.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString hex(HRESULT_KES resultado)
{
    return QStringLiteral("0x%1").arg(quint32(resultado), 8, 16, QLatin1Char('0'));
}

}  // namespace

CargadorComponente::~CargadorComponente()
{
    LiberarPantalla();
}

template <class F>
F CargadorComponente::resolver(QLibrary& libreria, const char* nombre)
{
    auto funcion = reinterpret_cast<F>(libreria.resolve(nombre));
    if (!funcion)
        throw ErrorEjecucion(
            QStringLiteral("La librería %1 no exporta %2").arg(libreria.fileName(), QLatin1String(nombre)));
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

QString CargadorComponente::ComponenteJuntoAlPrograma()
{
    const QDir programa(QCoreApplication::applicationDirPath());
    const QStringList lugares{programa.filePath(QStringLiteral("libTQ614.so")),
                              programa.filePath(QStringLiteral(TQ614_LIBRERIAS_PRIVADAS "/libTQ614.so"))};
    for (const QString& lugar : lugares)
        if (QFileInfo::exists(lugar))
            return QFileInfo(lugar).canonicalFilePath();
    return QDir::cleanPath(lugares.last());
}

QObject* CargadorComponente::CrearPantalla()
{
    const std::optional<Registro::Clase> registrada = Registro::BuscarClase(QLatin1String(kProgIdPantalla));
    const QString ruta = registrada ? registrada->libreria : ComponenteJuntoAlPrograma();
    if (!QFileInfo::exists(ruta))
        throw ErrorEjecucion(
            QStringLiteral("No se encuentra el componente TQ614: la clase %1 no está registrada (%2) "
                           "ni instalada junto al programa (%3). Reinstale el programa, o registre "
                           "el componente con --registrar del tq614-host que está junto a él.")
                .arg(QLatin1String(kProgIdPantalla), Registro::ArchivosLeidos().join(QStringLiteral(", ")), ruta));
    m_libreria.setFileName(ruta);
    if (!m_libreria.load())
        throw ErrorEjecucion(QStringLiteral("No se pudo cargar %1: %2").arg(ruta, m_libreria.errorString()));

    const QString clsid = registrada ? registrada->clsid : QLatin1String(kClsidPantalla);
    void* objeto = nullptr;
    HRESULT_KES resultado = resolver<DllGetClassObjectFn>(m_libreria, "DllGetClassObject")(clsid.toLatin1().constData(),
                                                                                           kIidClassFactory, &objeto);
    if (resultado != S_OK_KES || !objeto)
        throw ErrorEjecucion(QStringLiteral("DllGetClassObject falló (%1)").arg(hex(resultado)));
    auto* fabrica = static_cast<IClassFactoryKes*>(objeto);

    resultado = fabrica->CreateInstance(kIidPantalla, &objeto);
    fabrica->Release();
    if (resultado == CTL_E_CANTCREATEOBJECT_KES)
        throw ErrorEjecucion(QStringLiteral("El componente no pudo crear los servicios del host"));
    if (resultado != S_OK_KES || !objeto)
        throw ErrorEjecucion(
            QStringLiteral("No se pudo crear %1 (%2)").arg(QLatin1String(kProgIdPantalla), hex(resultado)));
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
