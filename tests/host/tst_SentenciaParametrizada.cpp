// How a statement text is split into a shared shape and the values of its literals; texts the
// splitter cannot read safely run as written. Quotes, placeholders and comments inside literals
// are also sent through real databases in tst_Conexion.
#include "ErrorEjecucion.h"
#include "SentenciaParametrizada.h"

#include <QtTest>

using Marcador = SentenciaParametrizada::Marcador;
Q_DECLARE_METATYPE(Marcador)

class PruebaSentenciaParametrizada : public QObject
{
    Q_OBJECT

private slots:
    void forma_data();
    void forma();
    void faltanValores();
};

void PruebaSentenciaParametrizada::forma_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Marcador>("marcador");
    QTest::addColumn<QVariantList>("explicitos");
    QTest::addColumn<QString>("texto");  // empty: runs as written, nothing extracted
    QTest::addColumn<QStringList>("valores");
    const auto fila = [](const char* nombre, const QString& sql, const QString& texto, const QStringList& valores,
                         Marcador marcador = Marcador::Interrogacion, const QVariantList& explicitos = {}) {
        QTest::newRow(nombre) << sql << marcador << explicitos << texto << valores;
    };
    fila("numerados para PostgreSQL", "INSERT INTO T VALUES (?, '?', ?, 'b')", "INSERT INTO T VALUES ($1, $2, $3, $4)",
         {"uno", "?", "2", "b"}, Marcador::Dolar, {"uno", 2});
    fila("números quedan en el texto", "INSERT INTO T (A, B, C) VALUES ('x', 3, -1.5)",
         "INSERT INTO T (A, B, C) VALUES (?, 3, -1.5)", {"x"});
    fila("comentario de línea con comilla", "SELECT * FROM T -- it's\nWHERE A = 'b'",
         "SELECT * FROM T -- it's\nWHERE A = ?", {"b"});
    fila("comentario de bloque con comilla", "SELECT /* don't */ A FROM T WHERE B = 'c'",
         "SELECT /* don't */ A FROM T WHERE B = ?", {"c"});
    fila("identificador entre comillas dobles", "SELECT \"it's\" FROM T WHERE A = 'x'",
         "SELECT \"it's\" FROM T WHERE A = ?", {"x"});
    fila("LIKE pegado al literal", "SELECT * FROM T WHERE A LIKE'%x%'", "SELECT * FROM T WHERE A LIKE?", {"%x%"});
    fila("con WITH al frente", "  (WITH x AS (SELECT 'a') SELECT * FROM x)", "  (WITH x AS (SELECT ?) SELECT * FROM x)",
         {"a"});
    fila("dólar dentro del literal", "SELECT * FROM T WHERE A ~ '^[0-9]+$'", "SELECT * FROM T WHERE A ~ $1",
         {"^[0-9]+$"}, Marcador::Dolar);
    fila("dólar fuera de un literal", "SELECT $$a'b$$ FROM T WHERE A = 'x'", {}, {}, Marcador::Dolar);
    fila("literal con prefijo E", "SELECT * FROM T WHERE A = E'\\'' OR B = 'x'", {}, {}, Marcador::Dolar);
    fila("blob de SQLite", "SELECT * FROM T WHERE A = X'41'", {}, {});
    fila("literal sin cerrar", "SELECT * FROM T WHERE A = 'x", {}, {});
    fila("comentarios anidados", "SELECT /* a /* b */ 'c' */ 1 FROM T WHERE A = 'x'", {}, {}, Marcador::Dolar);
    fila("no es consulta ni cambio", "PRAGMA journal_mode = 'wal'", {}, {});
    fila("definición de tabla", "CREATE TABLE T (A TEXT DEFAULT '?', B TEXT)", {}, {}, Marcador::Dolar);
}

void PruebaSentenciaParametrizada::forma()
{
    QFETCH(QString, sql);
    QFETCH(Marcador, marcador);
    QFETCH(QVariantList, explicitos);
    QFETCH(QString, texto);
    QFETCH(QStringList, valores);
    const auto forma = SentenciaParametrizada::Analizar(sql, explicitos, marcador);
    QCOMPARE(forma.LiteralesExtraidos(), !texto.isEmpty());
    QCOMPARE(forma.Texto(), texto.isEmpty() ? sql : texto);
    QStringList obtenidos;
    for (const QVariant& v : forma.Valores())
        obtenidos << v.toString();
    QCOMPARE(obtenidos, valores);
    QCOMPARE(forma.MarcadoresExplicitos(), explicitos.size());
}

void PruebaSentenciaParametrizada::faltanValores()
{
    const auto forma = SentenciaParametrizada::Analizar(QStringLiteral("SELECT * FROM T WHERE A = ? AND B = ?"),
                                                        QVariantList{1}, Marcador::Interrogacion);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.ExigirValores(1));
    forma.ExigirValores(2);
}

QTEST_APPLESS_MAIN(PruebaSentenciaParametrizada)
#include "tst_SentenciaParametrizada.moc"
