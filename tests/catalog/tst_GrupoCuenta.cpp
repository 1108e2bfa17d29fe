// The account-group rules: key format, length rule, numeric keys, levels and quoting.

#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "Sql.h"

#include <QtTest>

class tst_GrupoCuenta : public QObject
{
    Q_OBJECT

private slots:
    void formatoDeClave_data();
    void formatoDeClave();
    void longitudDeClave_data();
    void longitudDeClave();
    void claveNumerica_data();
    void claveNumerica();
    void valorNumerico_data();
    void valorNumerico();
    void nivelDeCodigo_data();
    void nivelDeCodigo();
    void textoEnSentencia_data();
    void textoEnSentencia();
    void textoConNuloRechazado();
};

void tst_GrupoCuenta::formatoDeClave_data()
{
    QTest::addColumn<qlonglong>("numero");
    QTest::addColumn<QString>("formato");
    QTest::addColumn<QString>("clave");
    QTest::newRow("siete") << 7LL << "000000" << "000007";
    QTest::newRow("cuarenta y dos") << 42LL << "000000" << "000042";
    QTest::newRow("exacto") << 123456LL << "000000" << "123456";
    QTest::newRow("siete cifras no se cortan") << 1234567LL << "000000" << "1234567";
    QTest::newRow("formato corto") << 1234LL << "000" << "1234";
    QTest::newRow("formato vacio") << 15LL << "" << "15";
    QTest::newRow("almohadilla opcional") << 5LL << "##0" << "5";
    QTest::newRow("literales del formato") << 42LL << "GC-0000" << "GC-0042";
    QTest::newRow("cero") << 0LL << "000" << "000";
}

void tst_GrupoCuenta::formatoDeClave()
{
    QFETCH(qlonglong, numero);
    QFETCH(QString, formato);
    QFETCH(QString, clave);
    QCOMPARE(GrupoCuenta::FormatearClave(long(numero), formato), clave);
}

void tst_GrupoCuenta::longitudDeClave_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("formato");
    QTest::addColumn<bool>("excede");
    QTest::newRow("seis con formato de seis") << "000001" << "000000" << false;
    QTest::newRow("siete con formato de seis") << "0000001" << "000000" << true;
    QTest::newRow("letras") << "ABCDEFG" << "000000" << true;
    QTest::newRow("vacia") << "" << "000000" << false;
    QTest::newRow("caracteres, no bytes") << QStringLiteral("ÑÁÉÍÓÚ") << "000000" << false;
}

void tst_GrupoCuenta::longitudDeClave()
{
    QFETCH(QString, clave);
    QFETCH(QString, formato);
    QFETCH(bool, excede);
    QCOMPARE(GrupoCuenta::ClaveExcedeFormato(clave, formato), excede);
}

void tst_GrupoCuenta::claveNumerica_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<bool>("numerica");
    QTest::newRow("digitos") << "000042" << true;
    QTest::newRow("digitos y puntos") << "1.2.3" << true;
    QTest::newRow("letras") << "ACT" << false;
    QTest::newRow("mezcla") << "12A" << false;
    QTest::newRow("solo puntos") << "..." << false;
    QTest::newRow("vacia") << "" << false;
    QTest::newRow("con guion") << "1-2" << false;
}

void tst_GrupoCuenta::claveNumerica()
{
    QFETCH(QString, clave);
    QFETCH(bool, numerica);
    QCOMPARE(GrupoCuenta::EsClaveNumerica(clave), numerica);
}

void tst_GrupoCuenta::valorNumerico_data()
{
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<bool>("numerico");
    QTest::newRow("texto de digitos") << QVariant(QStringLiteral("0")) << true;
    QTest::newRow("con blancos") << QVariant(QStringLiteral(" 12 ")) << true;
    QTest::newRow("decimal") << QVariant(QStringLiteral("1.5")) << true;
    QTest::newRow("dos puntos") << QVariant(QStringLiteral("1.2.3")) << false;
    QTest::newRow("exponente") << QVariant(QStringLiteral("1e5")) << true;
    QTest::newRow("signo") << QVariant(QStringLiteral("-7")) << true;
    QTest::newRow("letras") << QVariant(QStringLiteral("ACT")) << false;
    QTest::newRow("vacio") << QVariant(QString()) << false;
    QTest::newRow("nulo") << QVariant() << false;
    QTest::newRow("entero") << QVariant(5) << true;
    QTest::newRow("punto solo") << QVariant(QStringLiteral(".")) << false;
    QTest::newRow("punto inicial") << QVariant(QStringLiteral(".5")) << true;
    QTest::newRow("exponente sin cifras") << QVariant(QStringLiteral("1e")) << false;
    QTest::newRow("signo solo") << QVariant(QStringLiteral("-")) << false;
    QTest::newRow("cifras arabigas no") << QVariant(QStringLiteral("\u0661\u0662")) << false;
}

void tst_GrupoCuenta::valorNumerico()
{
    QFETCH(QVariant, valor);
    QFETCH(bool, numerico);
    QCOMPARE(GrupoCuenta::EsNumerico(valor), numerico);
}

void tst_GrupoCuenta::nivelDeCodigo_data()
{
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<int>("nivel");
    QTest::newRow("sin puntos") << "4" << 1;
    QTest::newRow("dos puntos") << "4.1.3" << 3;
    QTest::newRow("punto final") << "4." << 2;
    QTest::newRow("solo dos puntos") << ".." << 3;
    QTest::newRow("largo") << "1.2.3.4.5.6" << 6;
}

void tst_GrupoCuenta::nivelDeCodigo()
{
    QFETCH(QString, codigo);
    QFETCH(int, nivel);
    QCOMPARE(GrupoCuenta::NivelDeCodigo(codigo), nivel);
}

void tst_GrupoCuenta::textoEnSentencia_data()
{
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QString>("literal");
    QTest::newRow("sin comillas") << "CAJA" << "CAJA";
    QTest::newRow("una comilla") << "O'Brien" << "O''Brien";
    QTest::newRow("cierre e inyeccion") << "x'; DROP TABLE t; --" << "x''; DROP TABLE t; --";
    QTest::newRow("dos seguidas") << "''" << "''''";
    QTest::newRow("barra invertida intacta") << "a\\'b" << "a\\''b";
    QTest::newRow("comillas dobles intactas") << "\"x\"" << "\"x\"";
}

void tst_GrupoCuenta::textoEnSentencia()
{
    QFETCH(QString, valor);
    QFETCH(QString, literal);
    QCOMPARE(Sql::Texto(valor), literal);
}

void tst_GrupoCuenta::textoConNuloRechazado()
{
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, Sql::Texto(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
}

QTEST_APPLESS_MAIN(tst_GrupoCuenta)
#include "tst_GrupoCuenta.moc"
