#include "GuardaTransaccion.h"

GuardaTransaccion::GuardaTransaccion(Connection* conexion)
    : m_conexion(conexion)
{
    m_conexion->BeginTrans();
    m_abierta = true;
}

GuardaTransaccion::~GuardaTransaccion()
{
    RollbackSiAbierta();
}

void GuardaTransaccion::CommitTrans()
{
    m_conexion->CommitTrans();
    m_abierta = false;
}

void GuardaTransaccion::RollbackTrans()
{
    m_abierta = false;
    m_conexion->RollbackTrans();
}

void GuardaTransaccion::RollbackSiAbierta() noexcept
{
    if (!m_abierta)
        return;
    m_abierta = false;
    try {
        m_conexion->RollbackTrans();
    } catch (...) {
    }
}
