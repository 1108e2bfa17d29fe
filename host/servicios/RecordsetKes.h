#pragma once

#include "Ado.h"
#include "ColumnasRecordset.h"
#include "ErrorEjecucion.h"

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
