#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "Historial.h"
#include "Sesion.h"

// What one run of the program does: open the window, or one action that needs no display and
// ends (its value, a file, in the field its line of the table in Opciones.cpp names).
enum class Accion {
    Ventana,
    Registrar,
    Desregistrar,
    Captura,
    CapturaHistorial,
    Exportar,
    ExportarHistorial,
    Importar,
    Mover,
    Restaurar,
    Deshacer,
    PrepararServidor,
    VerificarHistorial
};

// What the host program was asked to do, from its command line and settings file.
struct Opciones
{
    Sesion::Configuracion base;
    QString archivoConfiguracion;  // --config, named when a connection fails
    QString errorDeConfiguracion;  // why the window cannot use that file (an action refuses to start)
    Accion accion = Accion::Ventana;
    QString opcionDeAccion;  // as typed (--exportar), for messages
    QString captura;  // render the screen to this PNG and exit
    int nivelesCaptura = 2;  // tree levels expanded in the picture
    QString traza;  // write every call to the host services here
    bool ejemplo = true;  // fill a new, empty database with the sample catalogue
    QString exportar;  // write the catalogue to this CSV file and exit
    QString importar;  // add the groups of this CSV file to the catalogue and exit
    char separador = ',';  // of the CSV file written
    QString capturaHistorial;  // render the change history to this PNG and exit
    QString exportarHistorial;  // write the changes that pass `filtroHistorial` to this CSV file and exit
    Historial::Filtro filtroHistorial;
    QString mover, moverA;  // move this group under that parent and exit
    qint64 restaurar = 0;  // restore the deletion of this number of the history and exit
    qint64 deshacer = 0;  // undo the change of this number of the history and exit
};

// Parses the arguments (--help and --version exit here); returns nothing and prints the
// reason, with how to get the help, when they are wrong.
std::optional<Opciones> LeerOpciones(const QStringList& argumentos);

// Whether the arguments open the window: read before Qt starts, so that every other run (an
// action, the help, a mistake) is told to need no display. Prints nothing.
bool PidenVentana(const QStringList& argumentos);
