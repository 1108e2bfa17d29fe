// The host program of the account-group catalogue: it opens the configured database,
// registers and loads the TQ614 component by its class, gives the catalogue screen a window
// of its own and shows it.

#include "AccesoDatosKes.h"
#include "AplicacionHost.h"
#include "CargadorComponente.h"
#include "CatalogoCsv.h"
#include "CatalogoEjemplo.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"
#include "Opciones.h"
#include "Servicios.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"
#include "VentanaPrincipal.h"
#include "VerificacionHistorial.h"

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
            || std::strncmp(argv[i], "--importar", 10) == 0 || std::strcmp(argv[i], "--preparar-servidor") == 0
            || std::strcmp(argv[i], "--verificar-historial") == 0)
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

// --exportar and --importar: the outcome on the standard output, the reasons on the error one.
int intercambiar(const Opciones& opciones)
{
    QString error;
    if (!opciones.exportar.isEmpty()) {
        const int grupos = CatalogoCsv::Exportar(*Sesion::Conexion(), opciones.exportar, opciones.separador, &error);
        if (grupos < 0) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("Se exportaron %d grupos a %s\n", grupos, qPrintable(opciones.exportar));
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
    std::printf("Se importaron %d grupos de %s\n", importacion.Grupos(), qPrintable(opciones.importar));
    return 0;
}

// --preparar-servidor and --verificar-historial: one line on the standard output, and the
// exit code says whether all went well.
int administrar(const Opciones& opciones)
{
    Sesion::Configurar(opciones.base);
    if (opciones.prepararServidor) {
        Sesion::PrepararServidor();
        const bool servidor = opciones.base.motor == Sesion::Configuracion::PostgreSQL;
        std::printf("Base de datos preparada (versión %d del esquema%s).\n", Esquema::kVersion,
                    servidor ? ", roles tq614_lectura y tq614_edicion" : "");
        if (!opciones.verificarHistorial)
            return 0;
    }
    Connection* conexion = Sesion::Conexion();
    for (const Sesion::MensajeRegistrado& aviso : Sesion::MensajesRegistrados())  // triggers restored
        std::fprintf(stderr, "%s\n", qPrintable(aviso.texto));
    const auto veredicto = VerificacionHistorial::Verificar(*conexion, opciones.base.motor);
    std::printf("%s\n", qPrintable(veredicto.texto));
    return veredicto.integro ? 0 : 1;
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
    if (!opciones.captura.isEmpty() || !opciones.capturaHistorial.isEmpty() || !opciones.exportar.isEmpty()
        || !opciones.importar.isEmpty() || opciones.prepararServidor || opciones.verificarHistorial)
        Sesion::RegistrarMensajes(true);
    if (opciones.prepararServidor || opciones.verificarHistorial)
        return administrar(opciones);
    abrirBase(opciones);
    if (!opciones.exportar.isEmpty() || !opciones.importar.isEmpty())
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
        // A window that cannot open (no rights, a schema not prepared) tells its user why.
        if (!Sesion::MensajesRegistrandose())
            Sesion::MostrarMensaje({error.Description(), AccesoDatos::vbCritical, QStringLiteral("Kestrima"), 0,
                                    QStringLiteral("Kestrima"), QString()});
        return 1;
    }
}
