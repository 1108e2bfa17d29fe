#include "MenuCatalogo.h"

#include "AccesoDatosKes.h"
#include "BusquedaEnArbol.h"
#include "Cantidades.h"
#include "CatalogoCsv.h"
#include "DialogoCsv.h"
#include "DialogoMover.h"
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "Reorganizacion.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

const QString kImportar = QStringLiteral("Agregar grupos al catálogo");

// The lines of a file that cannot be imported, each with its reason.
void mostrarErrores(QWidget* padre, const QString& archivo, const QStringList& errores)
{
    QDialog ventana(padre);
    ventana.setObjectName(QStringLiteral("VentanaErroresImportacion"));
    ventana.setWindowTitle(QStringLiteral("No se agregó ningún grupo"));
    auto* resumen = new QLabel(
        QStringLiteral("No se importó ningún grupo de %1. Corrija lo siguiente y vuelva a importarlo:").arg(archivo),
        &ventana);
    resumen->setWordWrap(true);
    auto* lista = new QPlainTextEdit(errores.join(QLatin1Char('\n')), &ventana);
    lista->setObjectName(QStringLiteral("txtErrores"));
    lista->setReadOnly(true);
    lista->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* botones = new QDialogButtonBox(QDialogButtonBox::Ok, &ventana);
    QObject::connect(botones, &QDialogButtonBox::accepted, &ventana, &QDialog::accept);
    auto* disposicion = new QVBoxLayout(&ventana);
    disposicion->addWidget(resumen);
    disposicion->addWidget(lista);
    disposicion->addWidget(botones);
    ventana.resize(640, 360);
    ventana.exec();
}

}  // namespace

MenuCatalogo::MenuCatalogo(QWidget* ventana, std::function<QString()> claveSeleccionada,
                           std::function<void(const QString&)> mostrarGrupo)
    : QMenu(QStringLiteral("&Catálogo"), ventana)
    , m_ventana(ventana)
    , m_claveSeleccionada(std::move(claveSeleccionada))
    , m_mostrarGrupo(std::move(mostrarGrupo))
{
    setObjectName(QStringLiteral("mnuCatalogo"));
    QAction* historial = addAction(QStringLiteral("&Historial de cambios…"), this, [this] { AbrirHistorial(); });
    historial->setObjectName(QStringLiteral("accHistorial"));
    historial->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    QAction* mover = addAction(QStringLiteral("&Mover grupo…"), this, [this] { Mover(); });
    mover->setObjectName(QStringLiteral("accMover"));
    mover->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    addSeparator();
    QAction* exportar = addAction(QStringLiteral("&Exportar a CSV…"), this, [this] {
        char separador = ',';
        const QString archivo = DialogoCsv::Guardar(m_ventana, QStringLiteral("Exportar el catálogo"),
                                                    QStringLiteral("catalogo"), &separador);
        if (!archivo.isEmpty())
            Exportar(archivo, separador);
    });
    exportar->setObjectName(QStringLiteral("accExportar"));
    QAction* importar = addAction(QStringLiteral("&Agregar grupos desde un archivo CSV…"), this, [this] {
        const QString archivo = DialogoCsv::Abrir(m_ventana, kImportar);
        if (!archivo.isEmpty())
            Importar(archivo);
    });
    importar->setObjectName(QStringLiteral("accImportar"));
}

QString MenuCatalogo::ClaveSeleccionadaEn(const QWidget* pantalla)
{
    const auto* clave = pantalla ? pantalla->findChild<QLineEdit*>(QStringLiteral("txtClave")) : nullptr;
    return clave ? clave->text() : QString();
}

VentanaHistorial* MenuCatalogo::AbrirHistorial()
{
    if (m_historial) {
        m_historial->Buscar();
    } else {
        m_historial = new VentanaHistorial(m_claveSeleccionada ? m_claveSeleccionada() : QString(), m_ventana);
        m_historial->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_historial, &VentanaHistorial::CatalogoCambiado, this, [this](const QString& clave) {
            if (m_mostrarGrupo)
                m_mostrarGrupo(clave);
        });
    }
    m_historial->show();
    m_historial->raise();
    m_historial->activateWindow();
    return m_historial;
}

bool MenuCatalogo::Exportar(const QString& archivo, char separador)
{
    const QString titulo = QStringLiteral("Exportar catálogo");
    try {
        QString error;
        const int grupos = CatalogoCsv::Exportar(*Sesion::Conexion(), archivo, separador, &error);
        if (grupos >= 0) {
            avisar(CatalogoCsv::Exportados(grupos, archivo), AccesoDatos::vbInformation, titulo);
            return true;
        }
        avisar(error, AccesoDatos::vbCritical, titulo);
    } catch (const ErrorEjecucion& error) {
        avisar(error.Description(), AccesoDatos::vbCritical, titulo);
    }
    return false;
}

bool MenuCatalogo::Importar(const QString& archivo)
{
    CatalogoCsv::Importacion importacion;
    bool hecho = false;
    try {
        if (importacion.Revisar(archivo, *Sesion::Conexion())) {
            QProgressDialog progreso(QStringLiteral("Agregando %1…")
                                         .arg(Cantidades::De(importacion.Grupos(), QStringLiteral("grupo"),
                                                             QStringLiteral("grupos"))),
                                     QStringLiteral("Cancelar"), 0, importacion.Grupos(), m_ventana);
            progreso.setObjectName(QStringLiteral("dlgProgreso"));
            progreso.setWindowTitle(kImportar);
            progreso.setWindowModality(Qt::WindowModal);
            progreso.setMinimumDuration(esperaProgresoMs);
            progreso.setValue(0);
            UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
            hecho = importacion.Escribir(*Sesion::Conexion(), utilerias, [&](int hechos, int) {
                progreso.setValue(hechos);
                return !progreso.wasCanceled();
            });
        }
    } catch (const ErrorEjecucion& error) {
        avisar(error.Description(), AccesoDatos::vbCritical, kImportar);
        return false;
    }
    if (!hecho) {
        mostrarErrores(m_ventana, archivo, importacion.TextosDeError());
        return false;
    }
    if (m_mostrarGrupo)
        m_mostrarGrupo(QString());
    avisar(CatalogoCsv::Importados(importacion.Grupos(), archivo), AccesoDatos::vbInformation, kImportar);
    return true;
}

bool MenuCatalogo::Mover()
{
    const QString titulo = QStringLiteral("Mover grupo");
    const QString clave = m_claveSeleccionada ? m_claveSeleccionada() : QString();
    // The screen's key box is empty with the root selected, as with nothing selected.
    if (clave.isEmpty()) {
        avisar(QStringLiteral("Seleccione en el árbol el grupo que quiere mover: la raíz no se puede mover"),
               AccesoDatos::vbExclamation, titulo);
        return false;
    }
    QString error;
    try {
        Connection& conexion = *Sesion::Conexion();
        // The root is refused before the dialog; every other refusal in it, on the parent chosen.
        if (clave == GrupoCuenta::kClaveRaiz) {
            error = Reorganizacion::RazonParaNoMover(conexion, clave, QString());
        } else {
            DialogoMover dialogo(
                conexion, clave,
                [&](const QString& padre) { return Reorganizacion::RazonParaNoMover(conexion, clave, padre); },
                m_ventana);
            if (dialogo.exec() != QDialog::Accepted)
                return false;
            UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
            if (Reorganizacion::Mover(conexion, utilerias, clave, dialogo.Padre(), &error)) {
                if (m_mostrarGrupo)
                    m_mostrarGrupo(clave);
                return true;
            }
        }
    } catch (const ErrorEjecucion& e) {
        error = e.Description();
    }
    avisar(error, AccesoDatos::vbExclamation, titulo);
    return false;
}

void MenuCatalogo::MostrarGrupo(QObject* pantalla, QWidget* ventana, const QString& clave)
{
    if (!pantalla)
        return;
    QMetaObject::invokeMethod(pantalla, "CargarCuentas");
    auto* arbol = ventana ? ventana->findChild<QTreeWidget*>(QStringLiteral("tvCuentas")) : nullptr;
    if (!arbol || clave.isEmpty())
        return;
    // The screen's tree keys each node "N" + its group's key, under the item's user role.
    const QString nodoBuscado = QLatin1Char('N') + clave;
    for (QTreeWidgetItemIterator it(arbol); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() != nodoBuscado)
            continue;
        BusquedaEnArbol::Mostrar(arbol, *it);
        // The screen's boxes follow the tree's clicks: the group is shown as a click shows it.
        QMetaObject::invokeMethod(arbol, "NodeClick", Qt::DirectConnection, Q_ARG(QTreeWidgetItem*, *it));
        return;
    }
}

void MenuCatalogo::avisar(const QString& texto, long estilo, const QString& titulo)
{
    AccesoDatosKes().Mensaje(texto, estilo, titulo, m_ventana ? qintptr(m_ventana->winId()) : 0,
                             QStringLiteral("Kestrima"), QString());
}
