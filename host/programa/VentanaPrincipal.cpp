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
    MostrarSoloLectura();
    // The reason can change under the open window (a failover, a standby promoted).
    auto* vigia = new QTimer(this);
    connect(vigia, &QTimer::timeout, this, &VentanaPrincipal::MostrarSoloLectura);
    vigia->start(500);
}

void VentanaPrincipal::MostrarSoloLectura()
{
    QString motivo;
    try {
        motivo = Sesion::MotivoSoloLectura();
    } catch (const ErrorEjecucion&) {
        return;  // no database to ask: the screen reports it when it reads
    }
    if (motivo == m_motivoSoloLectura)
        return;
    m_motivoSoloLectura = motivo;
    const QString aviso = QStringLiteral("Solo consulta: %1").arg(motivo);
    setWindowTitle(motivo.isEmpty() ? m_titulo : m_titulo + QStringLiteral(" (solo consulta)"));
    statusBar()->showMessage(motivo.isEmpty() ? QString() : aviso);
    if (!motivo.isEmpty())
        Sesion::MostrarMensaje(
            {aviso + u'.', AccesoDatos::vbInformation, QStringLiteral("Kestrima"), 0, QStringLiteral("TQ614"), {}});
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
