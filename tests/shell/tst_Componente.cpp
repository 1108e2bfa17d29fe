// The component's entry points as a host uses them, and the form base its three forms share.
#include "Componente.h"
#include "ErrorEjecucion.h"
#include "FormaBase.h"
#include "Publico.h"
#include "Registro.h"
#include "frmTQ614.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

extern "C" {
HRESULT_KES DllGetClassObject(const char* clsid, const char* iid, void** objeto);
HRESULT_KES DllCanUnloadNow();
HRESULT_KES DllRegisterServer();
HRESULT_KES DllUnregisterServer();
void* KesCrearObjeto(const char* clase);
}

namespace {

IClassFactoryKes* fabrica()
{
    void* objeto = nullptr;
    DllGetClassObject(kClsidPantalla, kIidClassFactory, &objeto);
    return static_cast<IClassFactoryKes*>(objeto);
}

// The object the factory creates, with its answer.
std::pair<HRESULT_KES, void*> crearPantalla()
{
    IClassFactoryKes* f = fabrica();
    void* pantalla = reinterpret_cast<void*>(1);
    const HRESULT_KES resultado = f->CreateInstance(kIidPantalla, &pantalla);
    f->Release();
    return {resultado, pantalla};
}

class FormaDePrueba : public FormaPredeterminada<FormaDePrueba>
{
public:
    FormaDePrueba()
        : FormaPredeterminada(QStringLiteral("frmPrueba"))
    {}
    QStringList eventos;
    bool cancelarCierre = false;

protected:
    void ConstruirVentana(QWidget* ventana) override { new QLineEdit(ventana); }
    void Form_Load() override { eventos << QStringLiteral("Load"); }
    void Form_Unload() override { eventos << QStringLiteral("Unload"); }
    void Form_QueryUnload(bool& cancel, int modo) override
    {
        eventos << QStringLiteral("QueryUnload %1").arg(modo);
        cancel = cancelarCierre;
    }
};

}  // namespace

class tst_Componente : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void cleanup()
    {
        FormaDePrueba::Destruir();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* ventana : QApplication::topLevelWidgets())
            QVERIFY(!ventana->isVisible());
    }

    // Start-up runs once; GetPantalla gives one form, not loaded. The library is in use while a reference,
    // the screen or a lock lives. Unknown classes and interfaces are refused, and so is creation without
    // the host's services.
    void creacionYDescarga()
    {
        QVERIFY(DllCanUnloadNow() == S_OK_KES && !Publico::oDatos);
        auto* pantalla = static_cast<IPantallaKes*>(crearPantalla().second);
        AccesoDatos* datos = Publico::oDatos;
        static_cast<IPantallaKes*>(crearPantalla().second)->Release();
        QVERIFY(pantalla && datos && Publico::oUtil && Publico::oDatos == datos);
        QObject* forma = pantalla->GetPantalla().value<QObject*>();
        QVERIFY(forma == &frmTQ614::Instancia() && pantalla->GetPantalla().value<QObject*>() == forma);
        QVERIFY(!frmTQ614::Instancia().Cargado() && Publico::sFormatoClave.isEmpty());
        pantalla->AddRef();
        QVERIFY(pantalla->Release() == 1 && pantalla->Release() == 0);
        QCOMPARE(DllCanUnloadNow(), S_FALSE_KES);  // the screen handed out, until the host unloads it
        frmTQ614::Instancia().Unload();
        QCOMPARE(DllCanUnloadNow(), S_OK_KES);
        IClassFactoryKes* f = fabrica();
        f->LockServer(true);
        QCOMPARE(DllCanUnloadNow(), S_FALSE_KES);
        f->LockServer(false);
        f->Release();
        QCOMPARE(DllCanUnloadNow(), S_OK_KES);
        void* objeto = reinterpret_cast<void*>(1);
        QVERIFY(DllGetClassObject("{00000000-0000-0000-0000-000000000000}", kIidClassFactory, &objeto)
                    == CLASS_E_CLASSNOTAVAILABLE_KES
                && !objeto);
        QCOMPARE(DllGetClassObject(kClsidPantalla, "IDispatch", &objeto), E_NOINTERFACE_KES);
        Publico::EstablecerFabrica([](const char*) -> void* { return nullptr; });
        const auto [resultado, rechazada] = crearPantalla();
        QVERIFY(resultado == CTL_E_CANTCREATEOBJECT_KES && !rechazada);
        Publico::EstablecerFabrica({});
    }

    // The component registers itself in the user's file and takes its registration away again (the
    // machine's file, from the packaged template: packaging/prueba-instalacion.sh).
    void autoRegistro()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("usuario")).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", m_dir.filePath(QStringLiteral("maquina")).toLocal8Bit());
        const QString nombre = QLatin1String(kProgIdPantalla);
        QVERIFY(!Registro::BuscarClase(nombre));
        QCOMPARE(DllRegisterServer(), S_OK_KES);
        const auto clase = Registro::BuscarClase(nombre);
        QVERIFY(clase && clase->libreria.endsWith(QStringLiteral("/libTQ614.so")));
        QCOMPARE(DllUnregisterServer(), S_OK_KES);
        QVERIFY(!Registro::BuscarClase(nombre));
    }

    // The form outlives its window, which keeps the library in use until deleted. A close asks the form
    // first, with its mode. A child form reads its parent's Transaccion, which reads the host's.
    void formaBase()
    {
        QVERIFY(!FormaDePrueba::Existe());
        FormaDePrueba& forma = FormaDePrueba::Instancia();
        QVERIFY(&FormaDePrueba::Instancia() == &forma && !forma.Cargado() && forma.hWnd() == 0);
        forma.Load();
        QPointer<QLineEdit> caja = forma.Ventana()->findChild<QLineEdit*>();
        forma.Unload();
        QVERIFY(!forma.Cargado() && DllCanUnloadNow() == S_FALSE_KES);  // the window goes when the event loop runs
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(caja.isNull() && DllCanUnloadNow() == S_OK_KES && forma.Ventana()->findChild<QLineEdit*>());
        forma.cancelarCierre = true;
        forma.Show();
        QVERIFY(!forma.Ventana()->close());
        forma.Unload();
        QVERIFY(forma.Cargado());  // refused by the form
        forma.cancelarCierre = false;
        QVERIFY(forma.Ventana()->close() && !forma.Cargado());
        // Query-unload modes: 0 the window closed by the user, 1 by code.
        QCOMPARE(forma.eventos, (QStringList{"Load", "QueryUnload 1", "Unload", "Load", "QueryUnload 0",
                                             "QueryUnload 1", "QueryUnload 0", "Unload"}));

        Publico::EstablecerFabrica(KesCrearObjeto);  // the services library, as a host carries it
        Publico::Main();
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Transaccion());
        QObject host;
        forma.setProperty("Padre", QVariant::fromValue<QObject*>(&host));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.Transaccion());
        host.setProperty("Transaccion", QStringLiteral("CAT-01"));
        FormaDePrueba hija;
        hija.setPadre(&forma);
        QCOMPARE(hija.Transaccion(), QStringLiteral("CAT-01"));
    }
};

QTEST_MAIN(tst_Componente)
#include "tst_Componente.moc"
