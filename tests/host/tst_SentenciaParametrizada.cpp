// How a statement text is split into a shared shape and the values of its literals.
#include "ErrorEjecucion.h"
#include "SentenciaParametrizada.h"

#include <QtTest>

using Marcador = SentenciaParametrizada::Marcador;

class PruebaSentenciaParametrizada : public QObject
{
    Q_OBJECT

private slots:
    void forma_data();
    void forma();
    void numeracionPostgres();
    void marcadoresExplicitosEntreLiterales();
    void textosQueNoSeTocan_data();
    void textosQueNoSeTocan();
    void faltanValores();
};

void PruebaSentenciaParametrizada::forma_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QStringList>("valores");

    QTest::newRow("hijos de un nodo")
        << "SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '000001' ORDER BY Gcc_Padre"
        << "SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = ? ORDER BY Gcc_Padre" << QStringList{"000001"};
    QTest::newRow("comillas dobladas")
        << "UPDATE T SET D = 'O''Brien' WHERE K = ''''" << "UPDATE T SET D = ? WHERE K = ?"
        << QStringList{"O'Brien", "'"};
    QTest::newRow("literal vacío") << "SELECT * FROM T WHERE A = ''" << "SELECT * FROM T WHERE A = ?" << QStringList{""};
    QTest::newRow("interrogación dentro del literal")
        << "SELECT D FROM T WHERE K = '?'" << "SELECT D FROM T WHERE K = ?" << QStringList{"?"};
    QTest::newRow("guiones dentro del literal")
        << "SELECT * FROM T WHERE D = '-- x' AND E = '/* y */'" << "SELECT * FROM T WHERE D = ? AND E = ?"
        << QStringList{"-- x", "/* y */"};
    QTest::newRow("números quedan en el texto")
        << "INSERT INTO T (A, B, C) VALUES ('x', 3, -1.5)" << "INSERT INTO T (A, B, C) VALUES (?, 3, -1.5)"
        << QStringList{"x"};
    QTest::newRow("comentario de línea con comilla")
        << "SELECT * FROM T -- it's\nWHERE A = 'b'" << "SELECT * FROM T -- it's\nWHERE A = ?" << QStringList{"b"};
    QTest::newRow("comentario de bloque con comilla")
        << "SELECT /* don't */ A FROM T WHERE B = 'c'" << "SELECT /* don't */ A FROM T WHERE B = ?" << QStringList{"c"};
    QTest::newRow("identificador entre comillas dobles")
        << "SELECT \"it's\" FROM T WHERE A = 'x'" << "SELECT \"it's\" FROM T WHERE A = ?" << QStringList{"x"};
    QTest::newRow("LIKE pegado al literal") << "SELECT * FROM T WHERE A LIKE'%x%'" << "SELECT * FROM T WHERE A LIKE?"
                                             << QStringList{"%x%"};
    QTest::newRow("acentos y punto y coma")
        << "UPDATE T SET D = 'Ñandú; DROP TABLE T' WHERE K = 'á'" << "UPDATE T SET D = ? WHERE K = ?"
        << QStringList{"Ñandú; DROP TABLE T", "á"};
    QTest::newRow("con WITH al frente") << "  (WITH x AS (SELECT 'a') SELECT * FROM x)"
                                         << "  (WITH x AS (SELECT ?) SELECT * FROM x)" << QStringList{"a"};
}

void PruebaSentenciaParametrizada::forma()
{
    QFETCH(QString, sql);
    QFETCH(QString, texto);
    QFETCH(QStringList, valores);
    const auto forma = SentenciaParametrizada::Analizar(sql, {}, Marcador::Interrogacion);
    QVERIFY(forma.LiteralesExtraidos());
    QCOMPARE(forma.Texto(), texto);
    QStringList obtenidos;
    for (const QVariant& v : forma.Valores())
        obtenidos << v.toString();
    QCOMPARE(obtenidos, valores);
    QCOMPARE(forma.MarcadoresExplicitos(), 0);
}

void PruebaSentenciaParametrizada::numeracionPostgres()
{
    const auto forma = SentenciaParametrizada::Analizar(
        QStringLiteral("UPDATE T SET A = 'x', B = 'y' WHERE C = 'z'"), {}, Marcador::Dolar);
    QCOMPARE(forma.Texto(), QStringLiteral("UPDATE T SET A = $1, B = $2 WHERE C = $3"));
    QCOMPARE(forma.Valores().size(), 3);
    // A dollar in a literal is its value; outside one the text runs as written.
    const auto dolarDentro = SentenciaParametrizada::Analizar(QStringLiteral("SELECT * FROM T WHERE A ~ '^[0-9]+$'"), {},
                                                              Marcador::Dolar);
    QVERIFY(dolarDentro.LiteralesExtraidos());
    QCOMPARE(dolarDentro.Valores().value(0).toString(), QStringLiteral("^[0-9]+$"));
    const auto dolarFuera = SentenciaParametrizada::Analizar(QStringLiteral("SELECT $$a'b$$ FROM T WHERE A = 'x'"), {},
                                                             Marcador::Dolar);
    QVERIFY(!dolarFuera.LiteralesExtraidos());
    QCOMPARE(dolarFuera.Texto(), QStringLiteral("SELECT $$a'b$$ FROM T WHERE A = 'x'"));
}

void PruebaSentenciaParametrizada::marcadoresExplicitosEntreLiterales()
{
    const QVariantList explicitos{QStringLiteral("uno"), 2};
    const auto sqlite = SentenciaParametrizada::Analizar(QStringLiteral("INSERT INTO T VALUES (?, '?', ?, 'b')"),
                                                         explicitos, Marcador::Interrogacion);
    QCOMPARE(sqlite.Texto(), QStringLiteral("INSERT INTO T VALUES (?, ?, ?, ?)"));
    QCOMPARE(sqlite.Valores(), (QVariantList{QStringLiteral("uno"), QStringLiteral("?"), 2, QStringLiteral("b")}));
    QCOMPARE(sqlite.MarcadoresExplicitos(), 2);

    const auto postgres = SentenciaParametrizada::Analizar(QStringLiteral("INSERT INTO T VALUES (?, '?', ?, 'b')"),
                                                           explicitos, Marcador::Dolar);
    QCOMPARE(postgres.Texto(), QStringLiteral("INSERT INTO T VALUES ($1, $2, $3, $4)"));

    // Without extraction (a table definition) only the caller's placeholders change.
    const auto ddl = SentenciaParametrizada::Analizar(QStringLiteral("CREATE TABLE T (A TEXT DEFAULT '?', B TEXT)"), {},
                                                      Marcador::Dolar);
    QVERIFY(!ddl.LiteralesExtraidos());
    QCOMPARE(ddl.Texto(), QStringLiteral("CREATE TABLE T (A TEXT DEFAULT '?', B TEXT)"));
    QCOMPARE(ddl.MarcadoresExplicitos(), 0);
}

void PruebaSentenciaParametrizada::textosQueNoSeTocan_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("literal con prefijo E") << "SELECT * FROM T WHERE A = E'\\'' OR B = 'x'";
    QTest::newRow("blob de SQLite") << "SELECT * FROM T WHERE A = X'41'";
    QTest::newRow("literal sin cerrar") << "SELECT * FROM T WHERE A = 'x";
    QTest::newRow("comentarios anidados") << "SELECT /* a /* b */ 'c' */ 1 FROM T WHERE A = 'x'";
    QTest::newRow("no es consulta ni cambio") << "PRAGMA journal_mode = 'wal'";
}

void PruebaSentenciaParametrizada::textosQueNoSeTocan()
{
    QFETCH(QString, sql);
    const auto forma = SentenciaParametrizada::Analizar(sql, {}, Marcador::Dolar);
    QVERIFY(!forma.LiteralesExtraidos());
    QCOMPARE(forma.Texto(), sql);
    QVERIFY(forma.Valores().isEmpty());
}

void PruebaSentenciaParametrizada::faltanValores()
{
    const auto forma = SentenciaParametrizada::Analizar(QStringLiteral("SELECT * FROM T WHERE A = ? AND B = ?"),
                                                        QVariantList{1}, Marcador::Interrogacion);
    QCOMPARE(forma.MarcadoresExplicitos(), 2);
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, forma.ExigirValores(1));
    forma.ExigirValores(2);
}

QTEST_APPLESS_MAIN(PruebaSentenciaParametrizada)
#include "tst_SentenciaParametrizada.moc"
