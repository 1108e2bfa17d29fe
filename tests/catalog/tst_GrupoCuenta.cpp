// The account-group rules: key format, length rule, numeric keys and values, levels, quoting.
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "Sql.h"

#include <QtTest>

namespace {

// Every rule as text in, text out, so that one table lists them all.
QString aplicar(const QString& regla, const QString& entrada, const QString& formato)
{
    const auto si = [](bool b) { return b ? QStringLiteral("sí") : QStringLiteral("no"); };
    if (regla == QLatin1String("formato"))
        return GrupoCuenta::FormatearClave(entrada.toLong(), formato);
    if (regla == QLatin1String("excede"))
        return si(GrupoCuenta::ClaveExcedeFormato(entrada, formato));
    if (regla == QLatin1String("clave"))
        return si(GrupoCuenta::EsClaveNumerica(entrada));
    if (regla == QLatin1String("numerico"))
        return si(GrupoCuenta::EsNumerico(entrada));
    if (regla == QLatin1String("nivel"))
        return QString::number(GrupoCuenta::NivelDeCodigo(entrada));
    if (regla == QLatin1String("texto"))
        return Sql::Texto(entrada);
    return QStringLiteral("<regla desconocida>");
}

} // namespace

class tst_GrupoCuenta : public QObject
{
    Q_OBJECT

private slots:
    void reglas_data();
    void reglas();
    void valoresQueNoSonTexto();
};

void tst_GrupoCuenta::reglas_data()
{
    QTest::addColumn<QString>("regla");
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("formato");
    QTest::addColumn<QString>("esperado");
    const auto fila = [](const char* nombre, const char* regla, const QString& entrada, const char* formato,
                         const QString& esperado) {
        QTest::newRow(nombre) << QString::fromUtf8(regla) << entrada << QString::fromUtf8(formato) << esperado;
    };
    fila("formato: ceros a la izquierda", "formato", "7", "000000", "000007");
    fila("formato: siete cifras no se cortan", "formato", "1234567", "000000", "1234567");
    fila("formato: vacío", "formato", "15", "", "15");
    fila("formato: almohadilla opcional", "formato", "5", "##0", "5");
    fila("formato: literales", "formato", "42", "GC-0000", "GC-0042");
    fila("formato: cero", "formato", "0", "000", "000");
    fila("excede: siete con formato de seis", "excede", "0000001", "000000", "sí");
    fila("excede: seis", "excede", "000001", "000000", "no");
    fila("excede: cuenta caracteres, no bytes", "excede", "ÑÁÉÍÓÚ", "000000", "no");
    fila("clave numérica: dígitos", "clave", "000042", "", "sí");
    fila("clave numérica: dígitos y puntos", "clave", "1.2.3", "", "sí");
    fila("clave numérica: letra", "clave", "12A", "", "no");
    fila("clave numérica: solo puntos", "clave", "...", "", "no");
    fila("clave numérica: vacía", "clave", "", "", "no");
    fila("numérico: con blancos", "numerico", " 12 ", "", "sí");
    fila("numérico: punto inicial", "numerico", ".5", "", "sí");
    fila("numérico: exponente", "numerico", "1e5", "", "sí");
    fila("numérico: signo", "numerico", "-7", "", "sí");
    fila("numérico: dos puntos", "numerico", "1.2.3", "", "no");
    fila("numérico: punto solo", "numerico", ".", "", "no");
    fila("numérico: exponente sin cifras", "numerico", "1e", "", "no");
    fila("numérico: signo solo", "numerico", "-", "", "no");
    fila("numérico: vacío", "numerico", "", "", "no");
    fila("numérico: cifras arábigas", "numerico", QStringLiteral("\u0661\u0662"), "", "no");
    fila("nivel: sin puntos", "nivel", "4", "", "1");
    fila("nivel: dos puntos", "nivel", "4.1.3", "", "3");
    fila("nivel: punto final", "nivel", "4.", "", "2");
    fila("texto: una comilla", "texto", "O'Brien", "", "O''Brien");
    fila("texto: dos seguidas", "texto", "''", "", "''''");
    fila("texto: cierre e inyección", "texto", "x'; DROP TABLE t; --", "", "x''; DROP TABLE t; --");
    fila("texto: barra invertida y comillas dobles intactas", "texto", "a\\'\"b", "", "a\\''\"b");
}

void tst_GrupoCuenta::reglas()
{
    QFETCH(QString, regla);
    QFETCH(QString, entrada);
    QFETCH(QString, formato);
    QFETCH(QString, esperado);
    QCOMPARE(aplicar(regla, entrada, formato), esperado);
}

void tst_GrupoCuenta::valoresQueNoSonTexto()
{
    QVERIFY(GrupoCuenta::EsNumerico(5));
    QVERIFY(!GrupoCuenta::EsNumerico(QVariant()));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, Sql::Texto(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
}

QTEST_APPLESS_MAIN(tst_GrupoCuenta)
#include "tst_GrupoCuenta.moc"
