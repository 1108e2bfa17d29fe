#pragma once

#include "Ado.h"
#include "AnalizadorSentencias.h"
#include "CacheSentenciasSqlite.h"
#include "LecturaCompartidaSqlite.h"
#include "RafagaSqlite.h"
#include "Sesion.h"

#include <QString>
#include <memory>

struct sqlite3;

// The connection over an SQLite file. Statement texts that differ only in their quoted
// literals share one prepared statement (CacheSentenciasSqlite). A result is read whole
// before Execute returns, except inside the read transaction that a run of queries shares
// (LecturaCompartidaSqlite), where it is read as the caller moves and nothing can change it
// meanwhile. Transactions are BEGIN IMMEDIATE, so a writer waits for another writer (up to
// esperaBloqueoMs) when it begins rather than failing in the middle; the file runs in
// write-ahead-log mode, so a process killed mid-change leaves the last committed state and
// readers do not wait for writers.
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

    // Registers on `db` the functions through which the database's own triggers name who
    // changes the catalogue: kes_operador() (the configured operator, else the system user)
    // and kes_usuario_base() (the system user), and seal what they write: kes_sello() (see
    // Esquema::Sello). A program without them cannot change the catalogue, so no change goes
    // unrecorded.
    static int RegistrarFuncionesDeSesion(sqlite3* db, const QString& operador);

    // Prepared statements held in the cache (for tests of the cache itself).
    int SentenciasEnCache() const { return m_sentencias.Cantidad(); }
    // Whether a shared read transaction is open now (for tests).
    bool LecturaAbierta() const { return m_lectura.Abierta(); }
    // How many bursts of reads were read (for tests).
    int RafagasLeidas() const { return m_rafaga.Leidas(); }

private:
    using Sentencia = CacheSentenciasSqlite::Sentencia;

    std::unique_ptr<Recordset> ejecutar(const SentenciaParametrizada& forma);
    std::unique_ptr<Recordset> correr(Sentencia& sentencia, const QVariantList& valores, bool enCache);
    std::unique_ptr<Recordset> correr(Sentencia& sentencia, QStringView literal);
    std::unique_ptr<Recordset> leer(Sentencia& sentencia, bool enCache);
    std::unique_ptr<Recordset> deLaRafaga(const QString& forma, QStringView valor);
    void enlazar(Sentencia& sentencia, const QVariantList& valores);
    void antesDe(const Sentencia& sentencia);
    void exigirTransaccionViva() const;

    sqlite3* m_db;
    AnalizadorSentencias m_analizador{SentenciaParametrizada::Marcador::Interrogacion};
    CacheSentenciasSqlite m_sentencias;
    LecturaCompartidaSqlite m_lectura;
    RafagaSqlite m_rafaga;
    bool m_transaccion = false;
};
