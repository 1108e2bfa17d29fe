#pragma once

#include "Ado.h"
#include "CacheSentenciasSqlite.h"
#include "FilasDeRafagaSqlite.h"

#include <QString>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// What a shape's statement keeps for its bursts (CacheSentenciasSqlite::Sentencia::rafaga).
struct FormaRafagaSqlite
{
    int lectura = 0;  // the shared read that `ejecuciones` and `lote` belong to
    int ejecuciones = 0;
    std::shared_ptr<const LoteRafagaSqlite> lote;  // shared with the answers still open
    bool noCalifica = false;  // in this read: the plan does not allow it, or too many rows
    int version = -1;  // the schema version `rafaga` was made for; -1: never analysed
    sqlite3_stmt* rafaga = nullptr;  // the burst's statement; null when the shape does not qualify
    quint64 columnas = 0;  // the columns read by callers when `rafaga` was made (ColumnasRecordset::Leidas)
    std::vector<int> posiciones;  // where `rafaga` holds each column of the shape's result, or -1

    ~FormaRafagaSqlite();
};

// Reads of one shape that differ only in the text compared with one column, answered from one
// scan of the table's index instead of one search per value. A screen walks a tree with one
// such query per node; on a local file each costs a search of the index, a lookup of every
// row it finds and the statement's own setup, several times what reading the same rows in
// one pass costs.
//
// A shape qualifies when it reads as
//     SELECT <*, or columns> FROM <table> WHERE <column> = ? [ORDER BY <columns or numbers>]
// and SQLite's own plan for it is a search of one index on that column alone, with no sort
// of its own: its rows then come in the index's order (its columns, then the rowid). The
// index must be a plain one (no expression, no condition, no descending column) whose first
// column compares texts byte by byte (BINARY), on a column of text affinity in a UTF-8
// file: then `= '<text>'` finds exactly the rows whose value is that text. The burst reads
//     SELECT <the same list>, <column> FROM <table> INDEXED BY <index> ORDER BY <its columns>
// whose plan must be a scan of that index without a sort: the rows of each value come
// together, in the very order the search would give them, and are kept as they come.
//
// The connection asks only outside a transaction, inside its shared read (one snapshot), and
// the rows serve only while that read lasts: it ends at any write, at BeginTrans, when the
// event loop runs and as soon as another connection commits. A shape runs on its own until
// it has run a few times in the same read, so that a single read never scans a table.
class RafagaSqlite
{
public:
    // `filasMaximas` is the most rows a burst holds; 0 answers every statement on its own.
    RafagaSqlite(sqlite3* db, int filasMaximas);
    ~RafagaSqlite();
    RafagaSqlite(const RafagaSqlite&) = delete;
    RafagaSqlite& operator=(const RafagaSqlite&) = delete;

    // The answer to `sentencia` (the statement of shape `forma`, one marker) with `valor`
    // bound to its marker, read from the rows of the shape's burst in shared read number
    // `lectura`; nullptr when the statement must run on its own.
    std::unique_ptr<Recordset> Responder(CacheSentenciasSqlite::Sentencia& sentencia, const QString& forma,
                                         QStringView valor, int lectura);
    int Leidas() const { return m_leidas; }
    // Makes every answer that lacks columns read them from its statement, in the shared read
    // about to end.
    void RetenerParciales() noexcept;

private:
    using Forma = FormaRafagaSqlite;
    using Lote = LoteRafagaSqlite;

    bool analizar(Forma& forma, const CacheSentenciasSqlite::Sentencia& sentencia, const QString& texto);
    std::shared_ptr<const Lote> cargar(Forma& forma, const QString& texto);
    int versionDelEsquema();

    sqlite3* m_db;
    int m_filasMaximas;
    sqlite3_stmt* m_version = nullptr;  // PRAGMA schema_version, prepared once
    std::string m_clave;  // the value asked for, as UTF-8
    int m_leidas = 0;
    RespuestaRafagaSqlite::Parciales m_parciales;
};
