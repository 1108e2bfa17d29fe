#pragma once

#include "Componente.h"

#include <atomic>

// The component's one public class: it hands the host the catalogue screen.
class Pantalla final : public IPantallaKes
{
public:
    Pantalla();

    unsigned long AddRef() override;
    unsigned long Release() override;

    // Creates the shared catalogue screen on first use and returns it; neither loads nor
    // shows it. Every call returns the same form, in use by the host until it unloads it.
    QVariant GetPantalla() override;

    // Objects, server locks and forms in use (handed out, or with a window alive), for
    // DllCanUnloadNow.
    static long ObjetosVivos();
    static void Bloquear(bool bloquear);

private:
    ~Pantalla();
    std::atomic<unsigned long> m_referencias{1};
};
