#include "VentanaPrincipal.h"

#include "ErrorEjecucion.h"
#include "MenuCatalogo.h"
#include "Servicios.h"
#include "Sesion.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

VentanaPrincipal::VentanaPrincipal(QWidget* padre)
    : QMainWindow(padre)
{
    setObjectName(QStringLiteral("VentanaPrincipal"));
    m_titulo = QStringLiteral("Kestrima - Catálogo de grupo de cuentas contables");
    setWindowTitle(m_titulo);
    menuBar()->addMenu(new MenuCatalogo(
        this, [this] { return MenuCatalogo::ClaveSeleccionadaEn(centralWidget()); },
        [this](const QString& clave) { MenuCatalogo::MostrarGrupo(m_pantalla, centralWidget(), clave); }));
    // A failover can happen under the open window at any time.
    auto* vigia = new QTimer(this);
    connect(vigia, &QTimer::timeout, this, &VentanaPrincipal::MostrarSoloLectura);
    vigia->start(500);
}

void VentanaPrincipal::MostrarSoloLectura()
{
    const QString motivo = Sesion::MotivoSoloLectura();
    if (motivo == m_motivoSoloLectura)
        return;
    m_motivoSoloLectura = motivo;
    setWindowTitle(motivo.isEmpty() ? m_titulo : QStringLiteral("%1 (sólo consulta)").arg(m_titulo));
    statusBar()->showMessage(motivo);
    if (!motivo.isEmpty())
        Sesion::MostrarMensaje(
            {motivo + u'.', AccesoDatos::vbInformation, QStringLiteral("Kestrima"), 0, QStringLiteral("TQ614"), {}});
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
    MostrarSoloLectura();
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
