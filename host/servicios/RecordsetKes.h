#pragma once

#include "Ado.h"
#include "ColumnasRecordset.h"
#include "ErrorEjecucion.h"

#include <memory>

// What the services library's own results tell beyond Recordset: the names of their columns
// and how many rows they hold (for the trace and for tests).
class RecordsetKes : public Recordset
{
public:
    virtual const ColumnasRecordset& Columnas() const = 0;
    // Every row of the result, those already moved past included.
    virtual qsizetype Filas() = 0;

    // The errors of a recordset misused. The ids are ADO's own for the same situations, so a
    // support reader recognises them.
    static ErrorEjecucion CampoDesconocido(const QString& columna);
    static ErrorEjecucion SinRegistroActual(const QString& columna);
    static ErrorEjecucion YaAlFinal();
    static ErrorEjecucion Cerrado();
};

// A result whose rows are all known when its statement has run, read by a cursor that only
// moves forward, as a static client-side cursor reads them: the statement is free for the
// next Execute and any number of results can be open at once. Subclasses say where the
// values of a row are.
class RecordsetDeFilas : public RecordsetKes
{
public:
    bool Bof() const override;
    bool Eof() const override;
    void MoveNext() override;
    void Close() override;
    QVariant Fields(const QString& columna) const override;
    QVariant Fields(int indice) const override;
    const ColumnasRecordset& Columnas() const override { return *m_columnas; }
    qsizetype Filas() override { return m_filas; }

protected:
    RecordsetDeFilas(std::shared_ptr<const ColumnasRecordset> columnas, qsizetype filas);
    virtual QVariant Valor(qsizetype fila, int columna) const = 0;
    // Close lets the rows go.
    virtual void Liberar() {}

private:
    void exigirAbierto() const;
    QVariant valor(int indice, const QString& columna) const;

    std::shared_ptr<const ColumnasRecordset> m_columnas;
    qsizetype m_filas;
    qsizetype m_actual = 0;
    bool m_cerrado = false;
};
