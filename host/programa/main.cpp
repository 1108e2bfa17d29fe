// The host program of the account-group catalogue: it opens the configured database,
// registers and loads the TQ614 component by its class, gives the catalogue screen a window
// of its own and shows it.

#include "AccesoDatosKes.h"
#include "AplicacionHost.h"
#include "AvisoDeArranque.h"
#include "Cantidades.h"
#include "CargadorComponente.h"
#include "CatalogoCsv.h"
#include "CatalogoEjemplo.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"
#include "Opciones.h"
#include "Reorganizacion.h"
#include "Servicios.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"
#include "VentanaPrincipal.h"
#include "VerificacionHistorial.h"

#include <QFileInfo>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

extern "C" void* KesCrearObjeto(const char* clase);

namespace {

QStringList argumentosDe(int argc, char** argv)
{
    QStringList argumentos;
    for (int i = 0; i < argc; ++i)
        argumentos << QString::fromLocal8Bit(argv[i]);
    return argumentos;
}

// Only the window needs a display: every other run (an action, the help, a mistaken command
// line) is told so before Qt starts, so that it works over ssh and in scripts.
void elegirPlataforma(int argc, char** argv)
{
    if (!PidenVentana(argumentosDe(argc, argv)))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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

// --exportar, --exportar-historial and --importar: the outcome on the standard output, the reasons
// on the error one.
int intercambiar(const Opciones& opciones)
{
    QString error;
    if (opciones.accion == Accion::ExportarHistorial) {
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
    if (opciones.accion == Accion::Exportar) {
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

// --mover, --restaurar and --deshacer: what was done on the standard output, a refusal on the
// error one.
int reorganizar(const Opciones& opciones)
{
    Connection& conexion = *Sesion::Conexion();
    UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
    QString error, clave;
    QString hecho;
    if (opciones.accion == Accion::Mover) {
        if (Reorganizacion::Mover(conexion, utilerias, opciones.mover, opciones.moverA, &error))
            hecho = QStringLiteral("Se movió el grupo %1 bajo %2")
                        .arg(opciones.mover,
                             opciones.moverA == QLatin1String("0") ? QStringLiteral("la raíz") : opciones.moverA);
    } else if (opciones.accion == Accion::Restaurar) {
        if (Reorganizacion::Restaurar(conexion, utilerias, opciones.restaurar, &error, &clave))
            hecho = QStringLiteral("Se restauró el grupo %1").arg(clave);
    } else if (Reorganizacion::Deshacer(conexion, utilerias, opciones.deshacer, &error, &clave)) {
        hecho = QStringLiteral("Se deshizo el cambio %1").arg(opciones.deshacer);
    }
    if (hecho.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(hecho));
    return 0;
}

// --preparar-servidor, run by the database's owner: the schema, the roles and the rights.
int prepararServidor(const Opciones& opciones)
{
    Sesion::Configurar(opciones.base);
    if (const QString aviso = Sesion::PrepararServidor(); !aviso.isEmpty())
        std::printf("%s\n", qPrintable(aviso));
    const bool servidor = opciones.base.motor == Sesion::Configuracion::PostgreSQL;
    std::printf("Base de datos preparada (versión %d del esquema%s).\n", Esquema::kVersion,
                servidor ? ", roles tq614_lectura y tq614_edicion" : "");
    return 0;
}

// --verificar-historial: the verdict on one line; the exit code says whether all holds.
int verificarHistorial(const Opciones& opciones)
{
    Sesion::Configurar(opciones.base);
    Connection* conexion = Sesion::Conexion();
    for (const Sesion::MensajeRegistrado& aviso : Sesion::MensajesRegistrados())  // triggers restored
        std::fprintf(stderr, "%s\n", qPrintable(aviso.texto));
    const auto veredicto = VerificacionHistorial::Verificar(*conexion, opciones.base.motor);
    std::printf("%s\n", qPrintable(veredicto.texto));
    return veredicto.integro ? 0 : 1;
}

int registrar(const Opciones& opciones)
{
    const QString componente = CargadorComponente::ComponenteJuntoAlPrograma();
    const bool alta = opciones.accion == Accion::Registrar;
    alta ? CargadorComponente::Registrar(componente) : CargadorComponente::Desregistrar(componente);
    std::printf("%s\n", alta ? "Componente TQ614 registrado." : "Registro de TQ614 eliminado.");
    return 0;
}

int capturarHistorial(const Opciones& opciones)
{
    VentanaHistorial historial;
    historial.show();
    QCoreApplication::processEvents();
    return guardarImagen(historial, opciones.capturaHistorial) ? 0 : 1;
}

int capturarPantalla(const Opciones& opciones)
{
    if (!opciones.traza.isEmpty())
        Sesion::EstablecerTraza(opciones.traza);
    CargadorComponente componente;
    VentanaPrincipal ventana;
    ventana.MostrarPantalla(componente.CrearPantalla());
    return capturar(ventana, opciones);
}

// An action of the command line: nobody is there to answer a message or a password prompt,
// so they go to the error output, with the exit code.
int ejecutarAccion(const Opciones& opciones)
{
    Sesion::RegistrarMensajes(true);
    switch (opciones.accion) {
    case Accion::Registrar:
    case Accion::Desregistrar:
        return registrar(opciones);
    case Accion::Exportar:
    case Accion::ExportarHistorial:
    case Accion::Importar:
        abrirBase(opciones);
        return intercambiar(opciones);
    case Accion::CapturaHistorial:
        abrirBase(opciones);
        return capturarHistorial(opciones);
    case Accion::Captura:
        abrirBase(opciones);
        return capturarPantalla(opciones);
    case Accion::Mover:
    case Accion::Restaurar:
    case Accion::Deshacer:
        abrirBase(opciones);
        return reorganizar(opciones);
    case Accion::PrepararServidor:
        return prepararServidor(opciones);
    case Accion::VerificarHistorial:
        return verificarHistorial(opciones);
    case Accion::Ventana:
        break;
    }
    return 2;
}

// The window: a failure to start is told in a message box, with what to do, never by
// vanishing.
int abrirVentana(AplicacionHost& aplicacion, Opciones opciones)
{
    const auto abrir = [&] {
        // The settings file is read again on each try: the user may have just corrected it.
        if (!opciones.archivoConfiguracion.isEmpty())
            if (std::optional<Opciones> releidas = LeerOpciones(aplicacion.arguments()))
                opciones = *releidas;
        if (!opciones.errorDeConfiguracion.isEmpty())
            throw ErrorEjecucion(opciones.errorDeConfiguracion);
        abrirBase(opciones);
    };
    if (!AvisoDeArranque::AbrirConReintento(abrir, opciones.archivoConfiguracion))
        return 1;
    // The trace is of the component's calls: it starts once the host's own set-up is done.
    if (!opciones.traza.isEmpty())
        Sesion::EstablecerTraza(opciones.traza);
    CargadorComponente componente;
    VentanaPrincipal ventana;
    try {
        ventana.MostrarPantalla(componente.CrearPantalla());
    } catch (const ErrorEjecucion& error) {
        AvisoDeArranque::Mostrar(error, AvisoDeArranque::Salida::SoloSalir, opciones.archivoConfiguracion);
        return 1;
    }
    ventana.show();
    return aplicacion.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    elegirPlataforma(argc, argv);
    AplicacionHost aplicacion(argc, argv);
    const std::optional<Opciones> opciones = LeerOpciones(aplicacion.arguments());
    if (!opciones)
        return 2;
    try {
        return opciones->accion == Accion::Ventana ? abrirVentana(aplicacion, *opciones) : ejecutarAccion(*opciones);
    } catch (const ErrorEjecucion& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.Description()));
        return 1;
    }
}
