#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

// The data-access interfaces the component uses, as far as it uses them: a connection that
// runs statement texts and holds one transaction at a time, and the recordset it returns.
// The host's services library implements both, for SQLite and for PostgreSQL.
// Every failure is thrown as ErrorEjecucion.

class Recordset
{
public:
    virtual ~Recordset() = default;

    // Bof()/Eof(), not BOF()/EOF(): EOF is a macro of the C library. They behave as ADO's
    // do: on an empty result both are true; otherwise both are false on the first row.
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    virtual void MoveNext() = 0;
    virtual void Close() = 0;

    // The current row's value of a column, found by name ignoring case (PostgreSQL folds
    // unquoted names to lower case). SQL NULL is a null QVariant. An unknown column, or a
    // read past the end or after Close, throws ErrorEjecucion.
    virtual QVariant Fields(const QString& columna) const = 0;
    // The same by the column's position in the result, 0 for the first.
    virtual QVariant Fields(int indice) const = 0;
};

class Connection
{
public:
    virtual ~Connection() = default;

    // Runs a statement text. The recordset gives the rows as they stood when the statement
    // ran, whatever runs afterwards (a static cursor), and any number of recordsets can be
    // open at once. Statements that return no
    // rows give an empty recordset. `opciones` is accepted for fidelity; -1 is the default.
    virtual std::unique_ptr<Recordset> Execute(const QString& sql, long opciones = -1) = 0;

    // Runs a statement whose "?" placeholders are bound to `parametros` in order. The values
    // never become part of the statement's text.
    virtual std::unique_ptr<Recordset> Execute(const QString& sql, const QVariantList& parametros) = 0;

    // The same for a write whose outcome the caller needs before nothing but CommitTrans. Inside
    // a transaction a connection across a network may send it with its next statement or with
    // the COMMIT; a failure is then thrown there, with the statement's own message.
    virtual void ExecuteSinRespuesta(const QString& sql, const QVariantList& parametros)
    {
        Execute(sql, parametros);
    }

    // One transaction at a time: a second BeginTrans while one is open throws, and
    // CommitTrans/RollbackTrans without one throw too.
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void RollbackTrans() = 0;
    virtual bool EnTransaccion() const = 0;
};
