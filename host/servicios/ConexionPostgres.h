#pragma once

#include "Ado.h"
#include "AnalizadorSentencias.h"
#include "ColumnasRecordset.h"
#include "Sesion.h"

#include <QByteArray>
#include <QCache>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;

// The connection to a PostgreSQL server through libpq. Each distinct statement shape (the
// text with its quoted literals taken out, see SentenciaParametrizada) is prepared once on
// the server and then run with PQexecPrepared, so texts that differ only in their literals
// cost one round trip each. Every result is read whole before Execute returns.
//
// When the server ends the session (the backend is terminated, the network drops), the next
// statement outside a transaction reconnects once and runs again; inside a transaction the
// error is thrown, and the transaction counts as ended once RollbackTrans is called.
class ConexionPostgres : public Connection
{
public:
    explicit ConexionPostgres(const Sesion::Configuracion& configuracion);
    ~ConexionPostgres() override;
    ConexionPostgres(const ConexionPostgres&) = delete;
    ConexionPostgres& operator=(const ConexionPostgres&) = delete;

    std::unique_ptr<Recordset> Execute(const QString& sql, long opciones = -1) override;
    std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    bool EnTransaccion() const override;

    // For tests and diagnostics.
    int SentenciasEnCache() const { return static_cast<int>(m_cache.size()); }
    int Preparaciones() const { return m_preparaciones; }
    int Reconexiones() const { return m_reconexiones; }
    int ProcesoDelServidor() const;

private:
    struct Sentencia;
    using Resultado = std::unique_ptr<pg_result, void (*)(pg_result*)>;

    std::unique_ptr<Recordset> conReconexion(const std::function<std::unique_ptr<Recordset>()>& ejecutar);
    std::unique_ptr<Recordset> ejecutar(const QString& sql, const QVariantList& parametros);
    Sentencia* preparar(const SentenciaParametrizada& forma);
    std::unique_ptr<Recordset> leer(const Resultado& resultado, Sentencia* sentencia);
    Resultado comprobar(pg_result* resultado);
    void ejecutarControl(const char* sql);
    void reconectar();
    void identificarOperador();
    void liberarPendientes();
    bool conexionPerdida() const;

    pg_conn* m_conn = nullptr;
    AnalizadorSentencias m_analizador{SentenciaParametrizada::Marcador::Dolar};
    QString m_descripcionServidor;
    QByteArray m_operador;
    std::vector<QByteArray> m_porLiberar;  // prepared statements evicted from the cache
    QCache<QString, Sentencia> m_cache;
    quint64 m_siguienteNombre = 0;
    int m_preparaciones = 0;
    int m_reconexiones = 0;
    bool m_transaccion = false;
    bool m_ultimoErrorFueDeConexion = false;
};
