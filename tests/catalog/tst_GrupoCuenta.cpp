// The account-group rules: key format, length rule, numeric keys and values, levels, quoting.
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "Sql.h"

#include <QtTest>

class tst_GrupoCuenta : public QObject
{
    Q_OBJECT

private slots:
    // Every rule as text in, text out: "formato" takes a number and a pattern.
    void reglas_data()
    {
        QTest::addColumn<QString>("regla");
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<QString>("formato");
        QTest::addColumn<QString>("esperado");
        const auto fila = [](const char* regla, const QString& entrada, const char* formato, const char* esperado) {
            QTest::addRow("%s %s %s", regla, qPrintable(entrada), formato)
                << QString(regla) << entrada << QString(formato) << QString::fromUtf8(esperado);
        };
        fila("formato", "7", "000000", "000007");
        fila("formato", "1234567", "000000", "1234567");  // seven digits are not cut
        fila("formato", "15", "", "15");
        fila("formato", "5", "##0", "5");
        fila("formato", "42", "GC-0000", "GC-0042");
        fila("formato", "0", "000", "000");
        fila("excede", "0000001", "000000", "sí");
        fila("excede", "000001", "000000", "no");
        fila("excede", "ÑÁÉÍÓÚ", "000000", "no");  // characters, not bytes
        for (const auto& [clave, numerica] :
             {std::pair{"000042", "sí"}, {"1.2.3", "sí"}, {"12A", "no"}, {"...", "no"}, {"", "no"}})
            fila("clave", clave, "", numerica);
        for (const auto& [texto, numerico] : {std::pair{" 12 ", "sí"},
                                              {".5", "sí"},
                                              {"1e5", "sí"},
                                              {"-7", "sí"},
                                              {"1.2.3", "no"},
                                              {".", "no"},
                                              {"1e", "no"},
                                              {"-", "no"},
                                              {"", "no"}})
            fila("numerico", texto, "", numerico);
        fila("numerico", QStringLiteral("\u0661\u0662"), "", "no");  // Arabic-Indic digits
        for (const auto& [codigo, nivel] : {std::pair{"4", "1"}, {"4.1.3", "3"}, {"4.", "2"}})
            fila("nivel", codigo, "", nivel);
        fila("texto", "O'Brien", "", "O''Brien");
        fila("texto", "''", "", "''''");
        fila("texto", "x'; DROP TABLE t; --", "", "x''; DROP TABLE t; --");
        fila("texto", "a\\'\"b", "", "a\\''\"b");  // backslashes and double quotes stay
    }
    void reglas()
    {
        QFETCH(QString, regla);
        QFETCH(QString, entrada);
        QFETCH(QString, formato);
        const auto si = [](bool b) { return b ? QStringLiteral("sí") : QStringLiteral("no"); };
        const QMap<QString, std::function<QString()>> reglas{
            {"formato", [&] { return GrupoCuenta::FormatearClave(entrada.toLong(), formato); }},
            {"excede", [&] { return si(GrupoCuenta::ClaveExcedeFormato(entrada, formato)); }},
            {"clave", [&] { return si(GrupoCuenta::EsClaveNumerica(entrada)); }},
            {"numerico", [&] { return si(GrupoCuenta::EsNumerico(entrada)); }},
            {"nivel", [&] { return QString::number(GrupoCuenta::NivelDeCodigo(entrada)); }},
            {"texto", [&] { return Sql::Texto(entrada); }}};
        QTEST(reglas[regla](), "esperado");
    }

    void valoresQueNoSonTexto()
    {
        QVERIFY(GrupoCuenta::EsNumerico(5));
        QVERIFY(!GrupoCuenta::EsNumerico(QVariant()));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, Sql::Texto(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
    }
};

QTEST_APPLESS_MAIN(tst_GrupoCuenta)
#include "tst_GrupoCuenta.moc"
