#include "Pantalla.h"

#include "frmTQ614.h"

namespace {
std::atomic<long> g_vivos{0};
}

Pantalla::Pantalla()
{
    ++g_vivos;
}

Pantalla::~Pantalla()
{
    --g_vivos;
}

unsigned long Pantalla::AddRef()
{
    return ++m_referencias;
}

unsigned long Pantalla::Release()
{
    const unsigned long quedan = --m_referencias;
    if (quedan == 0)
        delete this;
    return quedan;
}

QVariant Pantalla::GetPantalla()
{
    frmTQ614& pantalla = frmTQ614::Instancia();
    pantalla.Entregar();
    return QVariant::fromValue<QObject*>(&pantalla);
}

long Pantalla::ObjetosVivos()
{
    return g_vivos + FormaBase::FormasEnUso();
}

void Pantalla::Bloquear(bool bloquear)
{
    bloquear ? ++g_vivos : --g_vivos;
}
