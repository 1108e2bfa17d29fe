#pragma once

#include "AlmacenFilas.h"
#include "RecordsetKes.h"

#include <QVariant>
#include <memory>

// A result held whole in memory, as a static client-side cursor holds it: the rows are read
// when the statement runs, so the statement is free for the next Execute and any number of
// recordsets can be open at once. The rows sit in a compact AlmacenFilas; the column names
// are shared with every other result of the same statement.
class RecordsetEnMemoria : public RecordsetKes
{
public:
    RecordsetEnMemoria(std::shared_ptr<const ColumnasRecordset> columnas, AlmacenFilas filas);
    // The result of a statement that returns no rows.
    static std::unique_ptr<Recordset> Vacio();

    bool Bof() const override;
    bool Eof() const override;
    void MoveNext() override;
    void Close() override;
    QVariant Fields(const QString& columna) const override;
    QVariant Fields(int indice) const override;

    const ColumnasRecordset& Columnas() const override { return *m_columnas; }
    qsizetype Filas() override { return m_filas; }

private:
    void exigirAbierto() const;
    QVariant valor(int indice, const QString& columna) const;

    std::shared_ptr<const ColumnasRecordset> m_columnas;
    AlmacenFilas m_almacen;
    qsizetype m_filas = 0;
    qsizetype m_actual = 0;
    bool m_cerrado = false;
};
