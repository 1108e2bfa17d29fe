// The host program of the account-group catalogue: it opens the configured database,
// registers and loads the TQ614 component by its class, gives the catalogue screen a window
// of its own and shows it.

#include "AccesoDatosKes.h"
#include "AplicacionHost.h"
#include "Cantidades.h"
#include "CargadorComponente.h"
#include "CatalogoCsv.h"
#include "CatalogoEjemplo.h"
#include "ErrorEjecucion.h"
#include "Opciones.h"
#include "Servicios.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"
#include "VentanaPrincipal.h"

#include <QFileInfo>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>
#include <memory>

extern "C" void* KesCrearObjeto(const char* clase);

namespace {

// Registering and drawing a picture need no screen: the offscreen platform is chosen
// before Qt starts, so they also work where there is no display.
void elegirPlataformaSinVentana(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--captura", 9) == 0 || std::strcmp(argv[i], "--registrar") == 0
            || std::strcmp(argv[i], "--desregistrar") == 0 || std::strncmp(argv[i], "--exportar", 10) == 0
            || std::strncmp(argv[i], "--importar", 10) == 0)
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// A database file that did not exist before this run gets the sample catalogue.
void abrirBase(const Opciones& opciones)
{
    Sesion::Configurar(opciones.base);
    const bool nueva = opciones.base.motor == Sesion::Configuracion::SQLite
                       && !QFileInfo::exists(Sesion::ConfiguracionActual().archivo);
    Connection* conexion = Sesion::Conexion();
    if (!nueva || !opciones.ejemplo)
        return;
    std::unique_ptr<AccesoDatos> datos(static_cast<AccesoDatos*>(KesCrearObjeto("AccesoDatos")));
    std::unique_ptr<Utilerias> util(static_cast<Utilerias*>(KesCrearObjeto("Utilerias")));
    const QDateTime ahora = util->FechaActual();
    CatalogoEjemplo::Cargar(conexion, datos->Operador(), util->FormatoFecha(ahora), util->FormatoFechaRegistro(ahora));
}

void expandir(QTreeWidgetItem* nodo, int niveles)
{
    if (niveles <= 0)
        return;
    nodo->setExpanded(true);
    for (int i = 0; i < nodo->childCount(); ++i)
        expandir(nodo->child(i), niveles - 1);
}

bool guardarImagen(QWidget& ventana, const QString& archivo)
{
    if (ventana.grab().save(archivo, "PNG"))
        return true;
    std::fprintf(stderr, "No se pudo guardar %s\n", qPrintable(archivo));
    return false;
}

int capturar(VentanaPrincipal& ventana, const Opciones& opciones)
{
    ventana.show();
    QCoreApplication::processEvents();
    if (auto* arbol = ventana.findChild<QTreeWidget*>(QStringLiteral("tvCuentas"))) {
        for (int i = 0; i < arbol->topLevelItemCount(); ++i)
            expandir(arbol->topLevelItem(i), opciones.nivelesCaptura + 1);  // the root, then its levels
        if (arbol->topLevelItemCount() > 0)
            arbol->setCurrentItem(arbol->topLevelItem(0));
    }
    QCoreApplication::processEvents();
    const bool guardada = guardarImagen(ventana, opciones.captura);
    ventana.close();
    return guardada ? 0 : 1;
}

// --exportar, --exportar-historial and --importar: the outcome on the standard output, the
// reasons on the error one.
int intercambiar(const Opciones& opciones)
{
    QString error;
    if (!opciones.exportarHistorial.isEmpty()) {
        const int cambios = VentanaHistorial::Exportar(opciones.filtroHistorial, opciones.exportarHistorial,
                                                       opciones.separador, &error);
        if (cambios < 0) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        const QString cuantos = Cantidades::De(cambios, QStringLiteral("cambio"), QStringLiteral("cambios"));
        std::printf("%s\n", qPrintable((cambios == 1 ? QStringLiteral("Se exportó %1 del historial a %2")
                                                      : QStringLiteral("Se exportaron %1 del historial a %2"))
                                           .arg(cuantos, opciones.exportarHistorial)));
        return 0;
    }
    if (!opciones.exportar.isEmpty()) {
        const int grupos = CatalogoCsv::Exportar(*Sesion::Conexion(), opciones.exportar, opciones.separador, &error);
        if (grupos < 0) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(CatalogoCsv::Exportados(grupos, opciones.exportar)));
        return 0;
    }
    CatalogoCsv::Importacion importacion;
    UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
    if (!importacion.Revisar(opciones.importar, *Sesion::Conexion())
        || !importacion.Escribir(*Sesion::Conexion(), utilerias)) {
        std::fprintf(stderr, "No se importó ningún grupo de %s:\n%s\n", qPrintable(opciones.importar),
                     qPrintable(importacion.TextosDeError().join(QLatin1Char('\n'))));
        return 1;
    }
    std::printf("%s\n", qPrintable(CatalogoCsv::Importados(importacion.Grupos(), opciones.importar)));
    return 0;
}

int ejecutar(AplicacionHost& aplicacion, const Opciones& opciones)
{
    if (opciones.registrar || opciones.desregistrar) {
        const QString componente = CargadorComponente::ComponenteJuntoAlPrograma();
        opciones.registrar ? CargadorComponente::Registrar(componente) : CargadorComponente::Desregistrar(componente);
        std::printf("%s\n", opciones.registrar ? "Componente TQ614 registrado." : "Registro de TQ614 eliminado.");
        return 0;
    }
    // A picture drawn off screen, or a file written or read from the command line, has nobody
    // to answer a message or a password prompt.
    const bool intercambio =
        !opciones.exportar.isEmpty() || !opciones.importar.isEmpty() || !opciones.exportarHistorial.isEmpty();
    if (!opciones.captura.isEmpty() || !opciones.capturaHistorial.isEmpty() || intercambio)
        Sesion::RegistrarMensajes(true);
    abrirBase(opciones);
    if (intercambio)
        return intercambiar(opciones);
    if (!opciones.capturaHistorial.isEmpty()) {
        VentanaHistorial historial;
        historial.show();
        QCoreApplication::processEvents();
        return guardarImagen(historial, opciones.capturaHistorial) ? 0 : 1;
    }
    // The trace is of the component's calls: it starts once the host's own set-up is done.
    if (!opciones.traza.isEmpty())
        Sesion::EstablecerTraza(opciones.traza);

    CargadorComponente componente;
    VentanaPrincipal ventana;
    ventana.MostrarPantalla(componente.CrearPantalla());
    if (!opciones.captura.isEmpty())
        return capturar(ventana, opciones);
    ventana.show();
    return aplicacion.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    elegirPlataformaSinVentana(argc, argv);
    AplicacionHost aplicacion(argc, argv);
    const std::optional<Opciones> opciones = LeerOpciones(aplicacion.arguments());
    if (!opciones)
        return 2;
    try {
        return ejecutar(aplicacion, *opciones);
    } catch (const ErrorEjecucion& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.Description()));
        return 1;
    }
}
