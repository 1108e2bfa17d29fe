#pragma once

#include "AlmacenFilas.h"
#include "RecordsetKes.h"

#include <QByteArray>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The rows of one burst of SQLite reads (RafagaSqlite), kept by the value they were read for.
// Each row is its values one after the other: a byte for the type, then nothing (NULL),
// 8 bytes (a number) or a length and the bytes (a text, up to 255 bytes in one byte of
// length). A catalogue's rows hold many empty texts and zeros, which take 2 bytes here, and
// reading a value walks a row of a few dozen bytes. A burst may hold only the columns that
// callers of its shape have read so far; the answers fetch the rest when asked (see
// RespuestaRafagaSqlite).
class LoteRafagaSqlite
{
public:
    struct Rango
    {
        qsizetype primera = 0;
        qsizetype filas = 0;
    };

    // `forma`: the shape's text, to run it on its own. `posiciones`: for each column of the
    // shape's result, its place among the burst's columns, or -1 where the burst lacks it.
    LoteRafagaSqlite(QByteArray forma, std::vector<int> posiciones);

    // Appends the burst statement's current row, its first `columnas` values.
    void AgregarFila(sqlite3_stmt* stmt, int columnas);
    qsizetype Filas() const { return static_cast<qsizetype>(m_inicios.size()); }
    int Posicion(int columna) const { return m_posiciones[static_cast<size_t>(columna)]; }
    bool Completo() const { return m_completo; }
    QVariant Valor(qsizetype fila, int posicion) const;
    const QByteArray& Forma() const { return m_forma; }

    // The rows of each value (its UTF-8), in the order they were read.
    std::unordered_map<std::string, Rango> porValor;

private:
    enum Tipo : char { Nulo, Entero, Real, TextoCorto, Texto, Binario };
    void agregarBytes(Tipo corto, Tipo largo, const void* datos, qsizetype bytes);

    QByteArray m_forma;
    std::vector<int> m_posiciones;
    bool m_completo;
    std::string m_datos;
    std::vector<qsizetype> m_inicios;  // where each row begins in m_datos
};

// One value's rows of a burst, read as a static cursor reads its own. When the burst lacks a
// column the caller asks for, the answer runs its statement on its own, in the same shared
// read, and keeps every row whole from then on; so does every answer still open when that
// read is about to end (Retener). Either way it reads the snapshot the burst was read from.
class RespuestaRafagaSqlite final : public RecordsetDeFilas
{
public:
    // The answers that may still need to run their statement.
    using Parciales = std::vector<RespuestaRafagaSqlite*>;

    RespuestaRafagaSqlite(std::shared_ptr<const ColumnasRecordset> columnas,
                          std::shared_ptr<const LoteRafagaSqlite> lote, LoteRafagaSqlite::Rango rango,
                          const std::string& valor, sqlite3* db, Parciales& parciales);
    ~RespuestaRafagaSqlite() override;
    RespuestaRafagaSqlite(const RespuestaRafagaSqlite&) = delete;
    RespuestaRafagaSqlite& operator=(const RespuestaRafagaSqlite&) = delete;

    // Reads the rows whole from the statement run on its own; an error is thrown by the next
    // value read.
    void Retener() noexcept;

protected:
    QVariant Valor(qsizetype fila, int columna) const override;
    void Liberar() override;

private:
    void soltar() noexcept;

    std::shared_ptr<const LoteRafagaSqlite> m_lote;
    qsizetype m_primera;
    qsizetype m_filas;
    std::string m_valor;  // as bound, only while the statement may need to run
    sqlite3* m_db;
    Parciales* m_parciales = nullptr;  // while on that list
    std::unique_ptr<AlmacenFilas> m_retenidas;
    std::optional<ErrorEjecucion> m_error;
};
