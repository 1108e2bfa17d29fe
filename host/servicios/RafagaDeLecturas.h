#pragma once

#include "Ado.h"
#include "AlVolverAlBucle.h"
#include "AnalizadorSentencias.h"
#include "ResultadoPostgres.h"
#include "SentenciaParametrizada.h"

#include <QCache>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>

// Reads of one shape that differ only in the value compared with one column, answered from
// the table's rows fetched once. A screen walks a tree with one such query per node; across a
// network each one waits a round trip, while one statement without the condition brings every
// answer at once, on one snapshot, in the order the server sorts them.
//
// A shape qualifies when it reads as
//     SELECT <*, or columns> FROM <table> WHERE <column> = $1 [ORDER BY <columns or numbers>]
// and the server's `=` on that column is byte equality of its text: a text or varchar column
// of a table (a view may compute its rows) under a deterministic collation, on a UTF-8
// database. A column that holds one row per value (a unique one) is left to one statement
// per value, and so is a table of more rows than the guard. The first read of a qualifying
// shape fetches
//     SELECT <the same list>[, <column>] FROM <table> ORDER BY <the same order>, <primary key>
// (the primary key only settles ties, which the server's index would also settle by key),
// and the rows are split by the column's value keeping their order; the rows of one value are
// exactly what the statement would have returned on that snapshot. Rows are never sorted
// here, and stay as libpq received them: each answer reads the few values its caller asks for.
//
// The rows serve until the burst ends: at a statement other than a read, at BeginTrans, or
// when control returns to the event loop, so that the user's next action reads afresh and
// sees what other users committed. Where no event loop can end a burst, none begins.
class RafagaDeLecturas
{
public:
    // Runs a statement as written on the connection, its "?" bound to `valores`.
    using Ejecutor =
        std::function<std::shared_ptr<const ResultadoPostgres>(const QString& sql, const QVariantList& valores)>;

    // `filasMaximas` is the guard; 0 answers every statement on its own.
    RafagaDeLecturas(Ejecutor ejecutar, int filasMaximas);
    ~RafagaDeLecturas();
    RafagaDeLecturas(const RafagaDeLecturas&) = delete;
    RafagaDeLecturas& operator=(const RafagaDeLecturas&) = delete;

    // The answer from the burst's rows, or nullptr when the statement must run on its own;
    // a statement that is not a `lectura` (a read) ends the burst. Only for statements
    // outside a transaction.
    std::unique_ptr<Recordset> Responder(const SentenciaParametrizada& forma, bool lectura);
    // The same for a text of the shape answered last, read straight from the text before the
    // analyser takes it apart: a walk runs one shape thousands of times.
    std::unique_ptr<Recordset> ResponderMismaForma(const AnalizadorSentencias& analizador, const QString& sql);
    void Terminar();
    // Forgets what the server told about tables and columns, after one changed shape or the
    // session was opened anew: the next burst asks again.
    void Olvidar();

private:
    struct Columna;
    struct Forma;
    struct Lote;
    class Respuesta;

    Forma* forma(const QString& texto);
    const Columna& columna(const QString& tabla, const QString& nombre);
    std::shared_ptr<const Lote> cargar(const QString& texto, Forma& forma);
    std::unique_ptr<Recordset> responder(QStringView valor);

    Ejecutor m_ejecutar;
    int m_filasMaximas;
    QCache<QString, Forma> m_formas;
    QHash<QString, Columna> m_columnas;  // by table and column, as statements name them
    QHash<QString, std::shared_ptr<const Lote>> m_cargadas;  // the burst's rows, by shape
    QString m_ultimaForma;
    std::shared_ptr<const Lote> m_ultimoLote;
    AlVolverAlBucle m_fin{[this] { Terminar(); }};
};
