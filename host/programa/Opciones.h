#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "Historial.h"
#include "Sesion.h"

// What the host program was asked to do, from its command line and settings file.
struct Opciones
{
    Sesion::Configuracion base;
    bool registrar = false;
    bool desregistrar = false;
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
};

// Parses the arguments (--help and --version exit here); returns nothing and prints the
// reason when they are wrong.
std::optional<Opciones> LeerOpciones(const QStringList& argumentos);
