#pragma once

#include "Ado.h"
#include "ColumnasRecordset.h"
#include "Sesion.h"

#include <QCache>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
class SentenciaParametrizada;

// The connection over an SQLite file. Statement texts that differ only in their quoted
// literals share one cached prepared statement (see SentenciaParametrizada); every result is
// read whole before Execute returns. Transactions are BEGIN IMMEDIATE, so a writer waits for
// another writer (up to esperaBloqueoMs) when it begins rather than failing in the middle;
// the file runs in write-ahead-log mode, so a process killed mid-change leaves the last
// committed state and readers do not wait for writers.
class ConexionSqlite : public Connection
{
public:
    explicit ConexionSqlite(const Sesion::Configuracion& configuracion);
    ~ConexionSqlite() override;
    ConexionSqlite(const ConexionSqlite&) = delete;
    ConexionSqlite& operator=(const ConexionSqlite&) = delete;

    std::unique_ptr<Recordset> Execute(const QString& sql, long opciones = -1) override;
    std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    bool EnTransaccion() const override;

    // Prepared statements held in the cache (for tests of the cache itself).
    int SentenciasEnCache() const { return static_cast<int>(m_cache.size()); }

private:
    struct Sentencia;

    std::unique_ptr<Sentencia> preparar(const QString& texto, bool persistente);
    std::unique_ptr<Recordset> ejecutar(const SentenciaParametrizada& forma);
    std::unique_ptr<Recordset> correr(Sentencia& sentencia, const QVariantList& valores);
    void enlazar(sqlite3_stmt* sentencia, const QVariantList& valores);
    void ejecutarControl(const char* sql);
    void exigirTransaccionViva() const;
    [[noreturn]] void lanzar(int codigo, const QString& contexto = {}) const;

    sqlite3* m_db = nullptr;
    QCache<QString, Sentencia> m_cache;
    bool m_transaccion = false;
};
