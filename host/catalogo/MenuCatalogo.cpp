#include "MenuCatalogo.h"

#include "AccesoDatosKes.h"
#include "Cantidades.h"
#include "CatalogoCsv.h"
#include "DialogoCsv.h"
#include "ErrorEjecucion.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
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
                           std::function<void()> alImportar)
    : QMenu(QStringLiteral("&Catálogo"), ventana)
    , m_ventana(ventana)
    , m_claveSeleccionada(std::move(claveSeleccionada))
    , m_alImportar(std::move(alImportar))
{
    setObjectName(QStringLiteral("mnuCatalogo"));
    QAction* historial = addAction(QStringLiteral("&Historial de cambios…"), this, [this] { AbrirHistorial(); });
    historial->setObjectName(QStringLiteral("accHistorial"));
    historial->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
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

VentanaHistorial* MenuCatalogo::AbrirHistorial()
{
    auto* ventana = new VentanaHistorial(m_claveSeleccionada ? m_claveSeleccionada() : QString(), m_ventana);
    ventana->setAttribute(Qt::WA_DeleteOnClose);
    ventana->show();
    return ventana;
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
    if (m_alImportar)
        m_alImportar();
    avisar(CatalogoCsv::Importados(importacion.Grupos(), archivo), AccesoDatos::vbInformation, kImportar);
    return true;
}

void MenuCatalogo::avisar(const QString& texto, long estilo, const QString& titulo)
{
    AccesoDatosKes().Mensaje(texto, estilo, titulo, m_ventana ? qintptr(m_ventana->winId()) : 0,
                             QStringLiteral("Kestrima"), QString());
}
