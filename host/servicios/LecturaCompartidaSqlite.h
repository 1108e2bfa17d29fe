#pragma once

#include "AlVolverAlBucle.h"
#include "InstantaneaWal.h"
#include "RecordsetSqlite.h"

#include <functional>

struct sqlite3;

// One read transaction shared by a run of queries outside BeginTrans, instead of one opened
// and closed by each (three system calls per statement, more than the query itself); inside
// it a result is read from its statement as the caller moves (RecordsetSqlite). It ends
// before any statement that writes, at BeginTrans, when the event loop next runs, after a
// few thousand queries, and as soon as another connection commits, which a look at the WAL
// index tells (InstantaneaWal). Without that look (switched off, or a database not in WAL
// mode) no read is shared: every query reads on its own and sees every commit.
class LecturaCompartidaSqlite
{
public:
    LecturaCompartidaSqlite(sqlite3* db, bool mirarIndiceWal);

    // Before a statement runs outside BeginTrans: a write ends the shared read (it commits on
    // its own, as always); a query joins the read, or begins a new one when the last one
    // may no longer see everything committed.
    void AntesDe(bool soloLectura)
    {
        if (!soloLectura) {
            Terminar();
            return;
        }
        if (m_abierta && (m_instantanea.Cambio() || ++m_consultas > kConsultasPorLectura))
            Terminar();  // another connection committed: the next query must see it
        if (!m_abierta)
            abrir();
    }
    void Terminar() noexcept;
    bool Abierta() const { return m_abierta; }
    // Whether the read is open and still sees every commit; ends it when another connection
    // committed. A query answered without the database (RafagaSqlite) asks this instead of
    // AntesDe, and does not count as one of the read's queries.
    bool Vigente()
    {
        if (m_abierta && m_instantanea.Cambio())
            Terminar();
        return m_abierta;
    }
    // Tells each read apart from the ones before it: what was read in one serves only while
    // the number stays the same.
    int Numero() const { return m_numero; }

    // The results that still read from their statements.
    RecordsetSqlite::Abiertos& Abiertos() { return m_abiertos; }
    // Makes each of them keep the rest of its rows: what they read must stay what it was
    // when they ran. So does `retenerOtros`, for results read some other way.
    void RetenerAbiertos() noexcept;
    void AlRetener(std::function<void()> retenerOtros) { m_retenerOtros = std::move(retenerOtros); }

private:
    // A shared read is renewed after this many queries even without an event loop, so that
    // other connections' checkpoints are never held back for long.
    static constexpr int kConsultasPorLectura = 4096;

    void abrir();

    sqlite3* m_db;
    InstantaneaWal m_instantanea;
    bool m_abierta = false;
    int m_consultas = 0;
    int m_numero = 0;
    RecordsetSqlite::Abiertos m_abiertos;
    std::function<void()> m_retenerOtros;
    AlVolverAlBucle m_fin{[this] { Terminar(); }};
};
