#pragma once

#include "Ado.h"

// One transaction on the shared connection that is rolled back unless it was committed, so
// that no error path can leave a change half-written or a transaction open.
class GuardaTransaccion
{
public:
    explicit GuardaTransaccion(Connection* conexion);
    ~GuardaTransaccion();
    GuardaTransaccion(const GuardaTransaccion&) = delete;
    GuardaTransaccion& operator=(const GuardaTransaccion&) = delete;

    void CommitTrans();
    void RollbackTrans();
    // Rolls back if still open, ignoring a failure of the rollback itself (the connection
    // may be the thing that failed); for error handlers.
    void RollbackSiAbierta() noexcept;
    bool Abierta() const { return m_abierta; }

private:
    Connection* m_conexion;
    bool m_abierta = false;
};
