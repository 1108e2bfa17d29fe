// The component's entry points as a host uses them: the class factory, the start-up
// routine, GetPantalla, unloading, and self-registration.

#include "Componente.h"
#include "ErrorEjecucion.h"
#include "Publico.h"
#include "Registro.h"
#include "frmTQ614.h"

#include <QTemporaryDir>
#include <QtTest>

extern "C" {
HRESULT_KES DllGetClassObject(const char* clsid, const char* iid, void** objeto);
HRESULT_KES DllCanUnloadNow();
HRESULT_KES DllRegisterServer();
HRESULT_KES DllUnregisterServer();
void* KesCrearObjeto(const char* clase);
}

class tst_Componente : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void claseDesconocida();
    void fabricaCreaPantallaYArrancaPublico();
    void descargaSoloSinObjetosVivos();
    void autoRegistro();
    void fabricaSinServiciosDelHost();

private:
    IPantallaKes* crearPantalla();
    QTemporaryDir m_dir;
};

void tst_Componente::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The host process carries the services library; the component finds its factory there.
    QVERIFY(KesCrearObjeto("ClaseQueNoExiste") == nullptr);
    qputenv("KES_REGISTRO", m_dir.filePath(QStringLiteral("registro.ini")).toLocal8Bit());
}

IPantallaKes* tst_Componente::crearPantalla()
{
    void* objeto = nullptr;
    if (DllGetClassObject(kClsidPantalla, kIidClassFactory, &objeto) != S_OK_KES)
        return nullptr;
    auto* fabrica = static_cast<IClassFactoryKes*>(objeto);
    void* pantalla = nullptr;
    const HRESULT_KES resultado = fabrica->CreateInstance(kIidPantalla, &pantalla);
    fabrica->Release();
    return resultado == S_OK_KES ? static_cast<IPantallaKes*>(pantalla) : nullptr;
}

void tst_Componente::claseDesconocida()
{
    void* objeto = reinterpret_cast<void*>(1);
    QCOMPARE(DllGetClassObject("{00000000-0000-0000-0000-000000000000}", kIidClassFactory, &objeto),
             CLASS_E_CLASSNOTAVAILABLE_KES);
    QVERIFY(objeto == nullptr);
    QCOMPARE(DllGetClassObject(kClsidPantalla, "IDispatch", &objeto), E_NOINTERFACE_KES);
}

void tst_Componente::fabricaCreaPantallaYArrancaPublico()
{
    QVERIFY(Publico::oDatos == nullptr);
    IPantallaKes* pantalla = crearPantalla();
    QVERIFY(pantalla);
    QVERIFY(Publico::oDatos != nullptr);
    QVERIFY(Publico::oUtil != nullptr);
    AccesoDatos* datos = Publico::oDatos;

    // A second object does not run the start-up routine again.
    IPantallaKes* otra = crearPantalla();
    QVERIFY(otra);
    QCOMPARE(Publico::oDatos, datos);
    otra->Release();

    // GetPantalla gives always the same form, not loaded yet.
    QObject* primera = pantalla->GetPantalla().value<QObject*>();
    QObject* segunda = pantalla->GetPantalla().value<QObject*>();
    QVERIFY(primera);
    QCOMPARE(primera, segunda);
    QCOMPARE(primera, static_cast<QObject*>(&frmTQ614::Instancia()));
    QCOMPARE(primera->objectName(), QStringLiteral("frmTQ614"));
    QVERIFY(!frmTQ614::Instancia().Cargado());
    QVERIFY(Publico::sFormatoClave.isEmpty());
    pantalla->Release();
}

void tst_Componente::descargaSoloSinObjetosVivos()
{
    QCOMPARE(DllCanUnloadNow(), S_OK_KES);
    IPantallaKes* pantalla = crearPantalla();
    QCOMPARE(DllCanUnloadNow(), S_FALSE_KES);
    pantalla->AddRef();
    QCOMPARE(pantalla->Release(), 1UL);
    QCOMPARE(DllCanUnloadNow(), S_FALSE_KES);
    QCOMPARE(pantalla->Release(), 0UL);
    QCOMPARE(DllCanUnloadNow(), S_OK_KES);

    void* objeto = nullptr;
    QCOMPARE(DllGetClassObject(kClsidPantalla, kIidClassFactory, &objeto), S_OK_KES);
    auto* fabrica = static_cast<IClassFactoryKes*>(objeto);
    fabrica->LockServer(true);
    QCOMPARE(DllCanUnloadNow(), S_FALSE_KES);
    fabrica->LockServer(false);
    QCOMPARE(DllCanUnloadNow(), S_OK_KES);
}

void tst_Componente::autoRegistro()
{
    QVERIFY(Registro::LibreriaDeClase(QLatin1String(kProgIdPantalla)).isEmpty());
    QCOMPARE(DllRegisterServer(), S_OK_KES);
    const QString ruta = Registro::LibreriaDeClase(QLatin1String(kProgIdPantalla));
    QVERIFY2(ruta.endsWith(QStringLiteral("libTQ614.so")), qPrintable(ruta));
    QVERIFY(QFileInfo::exists(ruta));
    QCOMPARE(Registro::LibreriaDeClase(QLatin1String(kClsidPantalla)), ruta);
    QCOMPARE(Registro::ClsidDeNombre(QLatin1String(kProgIdPantalla)), QLatin1String(kClsidPantalla));
    QSettings registro(Registro::Archivo(), QSettings::IniFormat);
    QCOMPARE(registro.value(QStringLiteral("TypeLib/%1/Version").arg(QLatin1String(kLibidTQ614))).toString(),
             QStringLiteral("6.00.0048"));

    QCOMPARE(DllUnregisterServer(), S_OK_KES);
    QVERIFY(Registro::LibreriaDeClase(QLatin1String(kProgIdPantalla)).isEmpty());
}

void tst_Componente::fabricaSinServiciosDelHost()
{
    // A factory that cannot give the services makes object creation fail, not crash.
    Publico::EstablecerFabrica([](const char*) -> void* { return nullptr; });
    void* objeto = nullptr;
    QCOMPARE(DllGetClassObject(kClsidPantalla, kIidClassFactory, &objeto), S_OK_KES);
    auto* fabrica = static_cast<IClassFactoryKes*>(objeto);
    void* pantalla = reinterpret_cast<void*>(1);
    QCOMPARE(fabrica->CreateInstance(kIidPantalla, &pantalla), CTL_E_CANTCREATEOBJECT_KES);
    QVERIFY(pantalla == nullptr);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, Publico::Main());
    Publico::EstablecerFabrica({});
}

QTEST_MAIN(tst_Componente)
#include "tst_Componente.moc"
