#include "VentanaPrincipal.h"

#include "ErrorEjecucion.h"
#include "MenuCatalogo.h"
#include "Sesion.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QStatusBar>

VentanaPrincipal::VentanaPrincipal(QWidget* padre)
    : QMainWindow(padre)
{
    setObjectName(QStringLiteral("VentanaPrincipal"));
    setWindowTitle(QStringLiteral("Kestrima - Catálogo de grupo de cuentas contables"));
    mostrarSiSoloLectura();
    menuBar()->addMenu(new MenuCatalogo(
        this, [this] { return MenuCatalogo::ClaveSeleccionadaEn(centralWidget()); },
        [this](const QString& clave) { MenuCatalogo::MostrarGrupo(m_pantalla, centralWidget(), clave); }));
}

// A session the server lets only read says so in the title and, with the reason, below.
void VentanaPrincipal::mostrarSiSoloLectura()
{
    QString motivo;
    try {
        motivo = Sesion::MotivoSoloLectura();
    } catch (const ErrorEjecucion&) {
        return;  // no database to ask: the screen reports it when it reads
    }
    if (motivo.isEmpty())
        return;
    setWindowTitle(windowTitle() + QStringLiteral(" (solo consulta)"));
    statusBar()->showMessage(QStringLiteral("Solo consulta: %1").arg(motivo));
}

QString VentanaPrincipal::Transaccion() const
{
    // The host's menu entry for the account-group catalogue.
    return QStringLiteral("CAT-GCC");
}

void VentanaPrincipal::MostrarPantalla(QObject* pantalla)
{
    m_pantalla = pantalla;
    pantalla->setProperty("Padre", QVariant::fromValue<QObject*>(this));
    QWidget* ventana = nullptr;
    // Reading the window loads the form, which fills the tree.
    if (!QMetaObject::invokeMethod(pantalla, "Ventana", Q_RETURN_ARG(QWidget*, ventana)) || !ventana)
        throw ErrorEjecucion(QStringLiteral("La pantalla no tiene ventana"));
    const QSize diseno = ventana->size();
    setCentralWidget(ventana);
    ventana->show();
    // The screen keeps its designed size below the menu.
    resize(diseno + QSize(0, menuBar()->sizeHint().height()));
}

void VentanaPrincipal::Unload()
{
    close();
}

void VentanaPrincipal::closeEvent(QCloseEvent* evento)
{
    if (m_pantalla) {
        // The screen's window is our content: take it back from the form before it goes.
        QWidget* ventana = takeCentralWidget();
        Q_UNUSED(ventana);
        QMetaObject::invokeMethod(m_pantalla, "Unload");
    }
    evento->accept();
}
