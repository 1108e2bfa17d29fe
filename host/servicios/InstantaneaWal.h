#pragma once

#include <array>

struct sqlite3;

// Whether any connection has committed to a write-ahead-log database since a moment, found
// without a system call: every commit rewrites the WAL-index header, which lives in the
// shared memory that all connections map (its layout is part of SQLite's documented file
// format). LecturaCompartidaSqlite uses it to keep one read transaction across a burst of
// queries and still see every commit made by others. It reads memory that SQLite owns, so it
// can be switched off: it then never captures, and no read is shared.
class InstantaneaWal
{
public:
    InstantaneaWal(sqlite3* db, bool activa)
        : m_db(db)
        , m_activa(activa)
    {}

    // Copies the current header. False when switched off, when the shared memory is not
    // mapped yet (before the first read) or the file is not in WAL mode.
    bool Capturar();
    // True when the header differs from the copy, or cannot be read. Only while the read
    // transaction begun after Capturar is open: SQLite unmaps the shared memory only when it
    // closes the log, never during a transaction, so the mapping found then is still valid
    // and asking for it again (a mutex and two calls) is not needed on every query.
    bool Cambio() const;

private:
    const volatile unsigned char* encabezado() const;

    sqlite3* m_db;
    bool m_activa;
    const volatile unsigned char* m_region = nullptr;
    std::array<unsigned char, 96> m_copia{};  // both copies of the 48-byte header
};
