#pragma once

#include "Componente.h"

#include <QLibrary>
#include <QObject>
#include <QString>

// Finds a component by its class in the registration (or, unregistered, installed beside the
// program), loads its library and creates its objects through the entry points, as a COM
// client does.
class CargadorComponente
{
public:
    CargadorComponente() = default;
    ~CargadorComponente();
    CargadorComponente(const CargadorComponente&) = delete;
    CargadorComponente& operator=(const CargadorComponente&) = delete;

    // Has the library at `ruta` register (or unregister) itself. Throws ErrorEjecucion.
    static void Registrar(const QString& ruta);
    static void Desregistrar(const QString& ruta);

    // The component beside the program: in its folder (the build) or in the private library
    // folder it is installed with. Where it would be when it is in neither.
    static QString ComponenteJuntoAlPrograma();

    // Loads the library registered for TQ614.Pantalla, else the one beside the program,
    // creates a Pantalla and reads its GetPantalla: the catalogue screen. Throws
    // ErrorEjecucion with the reason.
    QObject* CrearPantalla();

    // Lets the object go and reports whether the library says it may be unloaded.
    bool LiberarPantalla();

private:
    template <class F>
    static F resolver(QLibrary& libreria, const char* nombre);

    QLibrary m_libreria;
    IPantallaKes* m_pantalla = nullptr;
};
