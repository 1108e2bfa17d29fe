#pragma once

#include "Ado.h"
#include "AlVolverAlBucle.h"
#include "AnalizadorSentencias.h"
#include "ColumnasRecordset.h"
#include "RecordsetSqlite.h"
#include "Sesion.h"

#include <QByteArray>
#include <QCache>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
class InstantaneaWal;

// The connection over an SQLite file. Statement texts that differ only in their quoted
// literals share one cached prepared statement (see SentenciaParametrizada). A result is read
// whole before Execute returns, except inside the shared read described below, where it is
// read as the caller moves (RecordsetSqlite) and nothing can change it meanwhile; a statement
// still being read that is run again, as a recursive reader does, runs as a twin of itself. Transactions are BEGIN IMMEDIATE, so a writer waits for
// another writer (up to esperaBloqueoMs) when it begins rather than failing in the middle;
// the file runs in write-ahead-log mode, so a process killed mid-change leaves the last
// committed state and readers do not wait for writers.
//
// Outside BeginTrans, a run of queries shares one read transaction instead of opening and
// closing one each (which costs three system calls per statement, more than the query
// itself). The read transaction ends before any statement that writes, at BeginTrans, when
// the event loop next runs, and as soon as another connection commits (InstantaneaWal), so
// no query ever misses a committed change.
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
    // and kes_usuario_base() (the system user). A program without them cannot change the
    // catalogue, so no change goes unrecorded.
    static int RegistrarFuncionesDeSesion(sqlite3* db, const QString& operador);

    // Prepared statements held in the cache (for tests of the cache itself).
    int SentenciasEnCache() const { return static_cast<int>(m_cache.size()); }
    // Whether a shared read transaction is open now (for tests).
    bool LecturaAbierta() const { return m_lectura; }

private:
    struct Sentencia;

    std::unique_ptr<Sentencia> preparar(const QByteArray& utf8, bool persistente);
    std::unique_ptr<Recordset> ejecutar(const SentenciaParametrizada& forma);
    Sentencia& libre(Sentencia& enCache);
    std::unique_ptr<Recordset> correr(Sentencia& sentencia, const QVariantList& valores, bool enCache);
    std::unique_ptr<Recordset> correr(Sentencia& sentencia, QStringView literal);
    std::unique_ptr<Recordset> leer(Sentencia& sentencia, bool enCache);
    void enlazar(Sentencia& sentencia, const QVariantList& valores);
    void retenerAbiertos() noexcept;
    void ejecutarControl(const char* sql);
    void antesDe(const Sentencia& sentencia);
    void abrirLectura();
    void terminarLectura() noexcept;
    void exigirTransaccionViva() const;
    [[noreturn]] void lanzar(int codigo) const;

    sqlite3* m_db = nullptr;
    AnalizadorSentencias m_analizador{SentenciaParametrizada::Marcador::Interrogacion};
    QCache<QString, Sentencia> m_cache;
    // The last shape run from the cache. When it is also the analyser's last shape, the next
    // text of that shape runs its statement with the new literal bound straight from the
    // text: no analysis, no lookup, nothing allocated.
    QString m_ultimaForma;
    Sentencia* m_ultimaSentencia = nullptr;
    RecordsetSqlite::Abiertos m_abiertos;
    bool m_transaccion = false;
    bool m_wal = false;
    bool m_lectura = false;
    int m_consultasEnLectura = 0;
    std::unique_ptr<InstantaneaWal> m_instantanea;
    AlVolverAlBucle m_finDeLectura{[this] { terminarLectura(); }};
};
