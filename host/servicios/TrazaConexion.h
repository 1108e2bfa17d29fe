#pragma once

#include "Ado.h"
#include "Servicios.h"

// The connection as the component sees it when the trace is on: every statement text (with
// its parameters and the number of rows it returned) and every transaction call becomes a
// line of the trace. Each call goes to the connection the data service returns at that
// moment, so it stays valid when the session switches databases.
class TrazaConexion : public Connection
{
public:
    explicit TrazaConexion(AccesoDatos* datos)
        : m_datos(datos)
    {}

    std::unique_ptr<Recordset> Execute(const QString& sql, long opciones = -1) override;
    std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    bool EnTransaccion() const override;

private:
    Connection* real() const { return m_datos->Conexion(); }

    AccesoDatos* m_datos;
};
