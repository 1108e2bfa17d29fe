#include "LecturaCompartidaSqlite.h"

#include <sqlite3.h>

LecturaCompartidaSqlite::LecturaCompartidaSqlite(sqlite3* db, bool mirarIndiceWal)
    : m_db(db)
    , m_instantanea(db, mirarIndiceWal)
{}

void LecturaCompartidaSqlite::abrir()
{
    // The header is copied before the read begins: a commit in between makes the copy look
    // older than the snapshot, which only renews the read once more than needed.
    if (!m_instantanea.Capturar())
        return;  // nothing to look at (yet): one query at a time
    if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    m_abierta = true;
    m_consultas = 0;
    ++m_numero;
    m_fin.Programar();
}

void LecturaCompartidaSqlite::Terminar() noexcept
{
    if (!m_abierta)
        return;
    RetenerAbiertos();
    m_abierta = false;
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void LecturaCompartidaSqlite::RetenerAbiertos() noexcept
{
    while (!m_abiertos.empty())
        m_abiertos.back()->Retener();  // which takes it off the list
    if (m_retenerOtros)
        m_retenerOtros();
}
