// The account-group rules: key format, length rule, numeric keys and values, quoting (levels: the editor's test).
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "Sql.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_GrupoCuenta : public QObject
{
    Q_OBJECT

private slots:
    // Every rule as text in, text out: "formato" takes a number and a pattern.
    void reglas()
    {
        const auto si = [](bool b) { return b ? u"sí"_s : u"no"_s; };
        const QMap<QString, std::function<QString(const QString&, const QString&)>> reglas{
            {"formato", [](auto& e, auto& f) { return GrupoCuenta::FormatearClave(e.toLong(), f); }},
            {"excede", [&](auto& e, auto& f) { return si(GrupoCuenta::ClaveExcedeFormato(e, f)); }},
            {"clave", [&](auto& e, auto&) { return si(GrupoCuenta::EsClaveNumerica(e)); }},
            {"numerico", [&](auto& e, auto&) { return si(GrupoCuenta::EsNumerico(e)); }},
            {"texto", [](auto& e, auto&) { return Sql::Texto(e); }}};
        const std::tuple<QString, QString, QStringList, QStringList> filas[] = {
            {"formato", "", {"15"}, {"15"}},
            {"formato", "##0", {"5"}, {"5"}},
            {"formato", "GC-0000", {"42"}, {"GC-0042"}},
            {"formato", "000", {"0"}, {"000"}},
            {"excede", "000000", {"0000001", "000001", "ÑÁÉÍÓÚ"}, {"sí", "no", "no"}},  // characters, not bytes
            {"clave", "", {"000042", "1.2.3", "12A", "...", ""}, {"sí", "sí", "no", "no", "no"}},
            {"numerico",
             "",
             {" 12 ", ".5", "1e5", "-7", "1.2.3", ".", "1e", "-", "", u"\u0661\u0662"_s},
             {"sí", "sí", "sí", "sí", "no", "no", "no", "no", "no", "no"}},  // the last in Arabic-Indic digits
            {"texto",
             "",
             {"O'Brien", "''", "x'; DROP TABLE t; --", "a\\'\"b"},
             {"O''Brien", "''''", "x''; DROP TABLE t; --", "a\\''\"b"}},  // backslashes, double quotes stay
        };
        for (const auto& [regla, formato, entradas, esperados] : filas) {
            QStringList obtenidos;
            for (const QString& entrada : entradas)
                obtenidos << reglas[regla](entrada, formato);
            QCOMPARE(regla + u": "_s + obtenidos.join(u", "_s), regla + u": "_s + esperados.join(u", "_s));
        }
        QVERIFY(GrupoCuenta::EsNumerico(5) && !GrupoCuenta::EsNumerico(QVariant()));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, Sql::Texto(u"a"_s + QChar(0) + u"b"_s));
    }
};

QTEST_APPLESS_MAIN(tst_GrupoCuenta)
#include "tst_GrupoCuenta.moc"
