// The component's entry points: the host finds the class factory of Pantalla here, asks
// whether the library may be unloaded, and has the component register itself.

#include "Componente.h"
#include "Pantalla.h"
#include "Publico.h"
#include "Registro.h"

#include <QFileInfo>
#include <cstring>
#include <dlfcn.h>

#define TQ614_EXPORTA extern "C" __attribute__((visibility("default")))

// The version resource: read by `strings`, by the host's --version and by support staff.
TQ614_EXPORTA const char TQ614_RecursoVersion[] =
    "FileVersion=6.00.0048\nProductVersion=6.00.0048\nInternalName=TQ614\n"
    "OriginalFilename=libTQ614.so\nProductName=TQ614\n";

namespace {

class FabricaPantalla final : public IClassFactoryKes
{
public:
    unsigned long AddRef() override { return 2; }  // a static object: never freed
    unsigned long Release() override { return 1; }

    HRESULT_KES CreateInstance(const char* iid, void** objeto) override
    {
        if (!objeto)
            return E_FAIL_KES;
        *objeto = nullptr;
        if (iid && std::strcmp(iid, kIidPantalla) != 0)
            return E_NOINTERFACE_KES;
        try {
            Publico::Main();  // once, before the first object is handed out
        } catch (...) {
            return CTL_E_CANTCREATEOBJECT_KES;
        }
        *objeto = static_cast<IPantallaKes*>(new Pantalla);
        return S_OK_KES;
    }

    HRESULT_KES LockServer(bool bloquear) override
    {
        Pantalla::Bloquear(bloquear);
        return S_OK_KES;
    }
};

FabricaPantalla g_fabrica;

QString rutaDeEstaLibreria()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&rutaDeEstaLibreria), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

}  // namespace

TQ614_EXPORTA HRESULT_KES DllGetClassObject(const char* clsid, const char* iid, void** objeto)
{
    if (!objeto)
        return E_FAIL_KES;
    *objeto = nullptr;
    if (!clsid || QString::fromLatin1(clsid).compare(QLatin1String(kClsidPantalla), Qt::CaseInsensitive) != 0)
        return CLASS_E_CLASSNOTAVAILABLE_KES;
    if (iid && std::strcmp(iid, kIidClassFactory) != 0)
        return E_NOINTERFACE_KES;
    *objeto = static_cast<IClassFactoryKes*>(&g_fabrica);
    return S_OK_KES;
}

TQ614_EXPORTA HRESULT_KES DllCanUnloadNow()
{
    return Pantalla::ObjetosVivos() == 0 ? S_OK_KES : S_FALSE_KES;
}

TQ614_EXPORTA HRESULT_KES DllRegisterServer()
{
    const QString ruta = rutaDeEstaLibreria();
    if (ruta.isEmpty())
        return SELFREG_E_CLASS_KES;
    QSettings registro = Registro::Abrir();
    const QString clase = QStringLiteral("CLSID/%1/").arg(QLatin1String(kClsidPantalla));
    registro.setValue(clase + QStringLiteral("Nombre"), QStringLiteral("TQ614.Pantalla"));
    registro.setValue(clase + QStringLiteral("InprocServer32"), ruta);
    registro.setValue(clase + QStringLiteral("ProgID"), QLatin1String(kProgIdPantalla));
    registro.setValue(clase + QStringLiteral("TypeLib"), QLatin1String(kLibidTQ614));
    registro.setValue(clase + QStringLiteral("Version"), QLatin1String(kVersionTQ614));
    registro.setValue(QStringLiteral("ProgID/%1/CLSID").arg(QLatin1String(kProgIdPantalla)),
                      QLatin1String(kClsidPantalla));
    const QString tipos = QStringLiteral("TypeLib/%1/").arg(QLatin1String(kLibidTQ614));
    registro.setValue(tipos + QStringLiteral("Nombre"), QStringLiteral("TQ614"));
    registro.setValue(tipos + QStringLiteral("Version"), QLatin1String(kVersionTQ614));
    registro.setValue(tipos + QStringLiteral("Ruta"), ruta);
    registro.sync();
    return registro.status() == QSettings::NoError ? S_OK_KES : SELFREG_E_CLASS_KES;
}

TQ614_EXPORTA HRESULT_KES DllUnregisterServer()
{
    QSettings registro = Registro::Abrir();
    registro.remove(QStringLiteral("CLSID/%1").arg(QLatin1String(kClsidPantalla)));
    registro.remove(QStringLiteral("ProgID/%1").arg(QLatin1String(kProgIdPantalla)));
    registro.remove(QStringLiteral("TypeLib/%1").arg(QLatin1String(kLibidTQ614)));
    registro.sync();
    return registro.status() == QSettings::NoError ? S_OK_KES : SELFREG_E_CLASS_KES;
}
