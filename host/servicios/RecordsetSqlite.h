#pragma once

#include "AlmacenFilas.h"
#include "RecordsetKes.h"

#include <memory>
#include <optional>
#include <vector>

struct sqlite3_stmt;
class RecordsetEnMemoria;

// A result read from its statement as the caller moves through it, instead of copied whole
// at Execute. The connection makes one only inside its shared read transaction, where no
// commit can change what the statement sees, and makes every open one keep the rest of its
// rows (Retener) before anything could change them: before the read ends (for a write, a
// transaction, another connection's commit or the event loop), before a cached statement
// could be dropped and before the connection closes. So the caller sees what Execute saw,
// as with any static cursor, while a result of many columns of which two are read costs two
// reads, not a copy of every column.
class RecordsetSqlite final : public RecordsetKes
{
public:
    // The connection's list of the results that still read from their statements.
    using Abiertos = std::vector<RecordsetSqlite*>;

    // Reads `stmt`, whose first step has just given a row. `enUso` stays set, so that the
    // connection does not bind the statement again, until the recordset gives it back.
    RecordsetSqlite(sqlite3_stmt* stmt, bool& enUso, std::shared_ptr<const ColumnasRecordset> columnas,
                    Abiertos& abiertos);
    ~RecordsetSqlite() override;
    RecordsetSqlite(const RecordsetSqlite&) = delete;
    RecordsetSqlite& operator=(const RecordsetSqlite&) = delete;

    bool Bof() const override;
    bool Eof() const override;
    void MoveNext() override;
    void Close() override;
    QVariant Fields(const QString& columna) const override;
    QVariant Fields(int indice) const override;
    const ColumnasRecordset& Columnas() const override { return *m_columnas; }
    qsizetype Filas() override;

    // Copies the rows not read yet and gives the statement back. An error of SQLite on the
    // way is thrown by the recordset's next use.
    void Retener() noexcept;

    // Appends the current row of `stmt` and every next one to `filas`; returns the code of
    // the step that ended them (SQLITE_DONE, or the error).
    static int CopiarHastaElFinal(sqlite3_stmt* stmt, int columnas, AlmacenFilas& filas);

private:
    void exigirUtilizable() const
    {
        if (m_cerrado || m_error) [[unlikely]]
            lanzarPorInutilizable();
    }
    [[noreturn]] void lanzarPorInutilizable() const;
    void soltar() noexcept;

    sqlite3_stmt* m_stmt;  // null once the statement is given back
    bool* m_enUso;
    std::shared_ptr<const ColumnasRecordset> m_columnas;
    Abiertos* m_abiertos;
    qsizetype m_pasadas = 0;  // rows moved past while reading from the statement
    std::unique_ptr<RecordsetEnMemoria> m_retenido;
    std::optional<ErrorEjecucion> m_error;
    bool m_cerrado = false;
};
