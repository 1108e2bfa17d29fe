#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "Sesion.h"

// What the host program was asked to do, from its command line and settings file.
struct Opciones
{
    Sesion::Configuracion base;
    bool registrar = false;
    bool desregistrar = false;
    QString captura;        // render the screen to this PNG and exit
    int nivelesCaptura = 2; // tree levels expanded in the picture
    QString traza;          // write every call to the host services here
    bool ejemplo = true;    // fill a new, empty database with the sample catalogue
};

// Parses the arguments (--help and --version exit here); returns nothing and prints the
// reason when they are wrong.
std::optional<Opciones> LeerOpciones(const QStringList& argumentos);
