#pragma once

#include "Ado.h"

#include <QStringList>
#include <QVariantList>

struct sqlite3;

// A connection over a real SQLite database for the text box's lookup tests: statements run
// as written, with "?" bound to the values given. It also keeps every statement text it ran,
// so a test can see that a typed value never became part of one.
class ConexionPrueba : public Connection
{
public:
    explicit ConexionPrueba(const QString& archivo);
    ~ConexionPrueba() override;

    std::unique_ptr<Recordset> Execute(const QString& sql, long opciones = -1) override;
    std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    bool EnTransaccion() const override;

    QStringList sentencias;

private:
    sqlite3* m_base = nullptr;
    bool m_enTransaccion = false;
};
