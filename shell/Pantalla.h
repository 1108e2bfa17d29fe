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
    // shows it. Every call returns the same form.
    QVariant GetPantalla() override;

    // Objects and server locks alive, for DllCanUnloadNow.
    static long ObjetosVivos();
    static void Bloquear(bool bloquear);

private:
    ~Pantalla();
    std::atomic<unsigned long> m_referencias{1};
};
