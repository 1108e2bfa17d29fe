#pragma once

#include "ErrorEjecucion.h"

struct sqlite3;

// The error SQLite reported for the last call on `db` that returned `codigo`: described in
// the user's words, with SQLite's own after them; its id is the primary result code.
ErrorEjecucion ErrorSqlite(sqlite3* db, int codigo);
