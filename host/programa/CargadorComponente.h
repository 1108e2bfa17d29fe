#pragma once

#include "Componente.h"

#include <QLibrary>
#include <QObject>
#include <QString>

// Finds a component by its class in the registration, loads its library and creates its
// objects through the entry points, as a COM client does.
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

    // Loads the library registered for TQ614.Pantalla, creates a Pantalla and reads its
    // GetPantalla: the catalogue screen. Throws ErrorEjecucion with the reason.
    QObject* CrearPantalla();

    // Lets the object go and reports whether the library says it may be unloaded.
    bool LiberarPantalla();

private:
    template <class F>
    static F resolver(QLibrary& libreria, const char* nombre);

    QLibrary m_libreria;
    IPantallaKes* m_pantalla = nullptr;
};
