// Connections and recordsets on SQLite and PostgreSQL, from statement shapes to silent servers.
#include "AnalizadorSentencias.h"
#include "Archivos.h"
#include "BaseDePrueba.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "Esquema.h"
#include "GuardaTransaccion.h"
#include "MotivoDeConexion.h"
#include "RecordsetSqlite.h"
#include "SentenciaParametrizada.h"
#include "VigiaModal.h"

#include <QInputDialog>
#include <QtTest>
#include <csignal>
#include <libpq-fe.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

const QString kHijos =
    u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable "_s;
const QString kDescripcion = u"SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable"_s;

int enCache(Connection* c)
{
    if (auto* sqlite = dynamic_cast<ConexionSqlite*>(c))
        return sqlite->SentenciasEnCache();
    return dynamic_cast<ConexionPostgres&>(*c).Preparaciones();
}

QString primeraDescripcion(Connection& c, const QString& padre = u"0"_s)
{
    return c.Execute(kHijos.arg(padre))->Fields(u"Gcc_Descripcion"_s).toString();
}

// One column of the rows `rs` has still to give, as texts.
template <typename Columna>
QStringList restantes(Recordset& rs, Columna columna)
{
    QStringList valores;
    for (; !rs.Eof(); rs.MoveNext())
        valores << rs.Fields(columna).toString();
    return valores;
}

// The error code of what `accion` throws, or "<sin" when it throws nothing.
QString codigoDe(const std::function<void()>& accion)
{
    return ErrorDe(accion).section(u' ', 0, 0);
}

}  // namespace

class PruebaConexion : public QObject
{
    Q_OBJECT

private slots:
    // A statement split into its shape and its literals (unsafe texts run as written, no `texto`); a text with the last
    // one's ends is taken for its shape unscanned, as the full analysis would.
    void formaDeLaSentencia()
    {
        const auto i = SentenciaParametrizada::Marcador::Interrogacion, d = SentenciaParametrizada::Marcador::Dolar;
        const struct
        {
            SentenciaParametrizada::Marcador marcador;
            const char* sql;
            const char* texto = nullptr;
            QVariantList valores = {};
            QVariantList explicitos = {};
        } casos[] = {
            {d, "INSERT INTO T VALUES (?, '?', ?)", "INSERT INTO T VALUES ($1, $2, $3)", {"a", "?", 2}, {"a", 2}},
            {i, "INSERT INTO T VALUES ('x', 3, -1.5)", "INSERT INTO T VALUES (?, 3, -1.5)", {"x"}},
            {i, "SELECT * FROM T -- it's\nWHERE A = 'b'", "SELECT * FROM T -- it's\nWHERE A = ?", {"b"}},
            {i, "SELECT /* don't */ A FROM T WHERE B = 'c'", "SELECT /* don't */ A FROM T WHERE B = ?", {"c"}},
            {i, "SELECT \"it's\" FROM T WHERE A = 'x'", "SELECT \"it's\" FROM T WHERE A = ?", {"x"}},
            {i, "SELECT * FROM T WHERE A LIKE'%x%'", "SELECT * FROM T WHERE A LIKE?", {"%x%"}},
            {d, "SELECT 'it''s ''?''' FROM T WHERE B = ?", "SELECT $1 FROM T WHERE B = $2", {"it's '?'", 1}, {1}},
            {i, "  (WITH x AS (SELECT 'a') SELECT * FROM x)", "  (WITH x AS (SELECT ?) SELECT * FROM x)", {"a"}},
            {d, "SELECT * FROM T WHERE A ~ '^[0-9]+$'", "SELECT * FROM T WHERE A ~ $1", {"^[0-9]+$"}},
            {d, "SELECT $$a'b$$ FROM T WHERE A = 'x'"},  // dollar quoting
            {d, "SELECT * FROM T WHERE A = E'\\'' OR B = 'x'"},
            {i, "SELECT * FROM T WHERE A = X'41'"},
            {i, "SELECT * FROM T WHERE A = 'x"},
            {d, "SELECT /* a /* b */ 'c' */ 1 FROM T WHERE A = 'x'"},
            {i, "PRAGMA journal_mode = 'wal'"},  // neither a query nor a change
            {d, "CREATE TABLE T (A TEXT DEFAULT '?', B TEXT)"},
        };
        for (const auto& caso : casos) {
            const QString sql = QString::fromUtf8(caso.sql);
            const auto forma = SentenciaParametrizada::Analizar(sql, caso.explicitos, caso.marcador);
            QCOMPARE(forma.Texto(), caso.texto ? QString::fromUtf8(caso.texto) : sql);
            QCOMPARE(forma.LiteralesExtraidos(), caso.texto != nullptr);
            QCOMPARE(forma.Valores(), caso.valores);
        }
        AnalizadorSentencias analizador(i);
        const QString a = u"SELECT * FROM T WHERE A = '"_s, z = u"' ORDER BY A"_s;
        const std::pair<QString, bool> seguidas[] = {
            {a + u"k1"_s + z, false},
            {a + u"k2"_s + z, true},
            {a + u"Ñandú -- /* ? $1"_s + z, true},
            {a + u"it''s"_s + z, false},  // a doubled quote
            {a + u"x' OR B = 'y"_s + z, false},  // two literals between the same ends
            {a + u"k3"_s + z + u" DESC"_s, false},  // another ending
            {a + u"k4"_s + z + u" DESC"_s, true},
            {u"SELECT 'x', 'y' FROM T"_s, false},  // two literals: nothing is remembered
            {a + u"k5"_s + z + u" DESC"_s, false},
        };
        for (const auto& [sql, mismaForma] : seguidas) {
            QCOMPARE(analizador.LiteralDeLaMismaForma(sql).has_value(), mismaForma);
            const auto forma = analizador.Analizar(sql, {});
            const auto completa = SentenciaParametrizada::Analizar(sql, {}, i);
            QVERIFY(forma.Texto() == completa.Texto() && forma.Valores() == completa.Valores()
                    && forma.LiteralesExtraidos() == completa.LiteralesExtraidos());
        }
    }

    // A recordset's ends, columns and close; a failed statement keeps its transaction (PostgreSQL then refuses the
    // commit); refusals in our words; a lock waited for. Texts differing only in literals share one prepared statement,
    // the literals arriving exactly.
    void sentenciasRecordsetsYTransacciones_data() { BaseDePrueba::AgregarMotores(); }
    void sentenciasRecordsetsYTransacciones()
    {
        ABRIR_BASE(motor, base);
        const bool pg = motor == Motor::PostgreSQL;
        Connection* c = base.Conexion();
        auto rs = c->Execute(kHijos.arg(u"0"_s), -1);
        QVERIFY(rs->Bof() && rs->Eof());
        QCOMPARE(codigoDe([&] { rs->MoveNext(); }) + codigoDe([&] { rs->Fields(u"Gcc_Codigo"_s); }), u"30213021"_s);
        base.InsertarGrupos({u"1|Activo|1"_s, u"2|Pasivo|NULL|0|2"_s, u"11|Circulante|1.1|1"_s});
        rs = c->Execute(kHijos.arg(u"0"_s));
        QVERIFY(!rs->Bof() && !rs->Eof());
        QCOMPARE(rs->Fields(u"GCC_DESCRIPCION"_s).toString() + rs->Fields(u"gcc_codigo"_s).toString(), u"Activo1"_s);
        rs->MoveNext();
        const QVariant nivel = rs->Fields(u"Gcc_Nivel"_s);
        QVERIFY(nivel.typeId() == QMetaType::LongLong && nivel.toInt() == 2 && rs->Fields(u"Gcc_Codigo"_s).isNull());
        QCOMPARE(codigoDe([&] { rs->Fields(u"No_Existe"_s); }) + codigoDe([&] { rs->Fields(-1); }), u"32653265"_s);
        rs->Close();
        QCOMPARE(codigoDe([&] { rs->Eof(); }), u"3704"_s);

        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->CommitTrans());
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->RollbackTrans());
        {
            GuardaTransaccion guarda(c);  // the forms' transactions: rolled back unless committed
            base.InsertarGrupo(u"9"_s, u"Nunca"_s);
            QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, c->BeginTrans());  // never a silent commit of the first
        }
        QVERIFY(!c->EnTransaccion() && base.Fila(u"9"_s).isNull());
        c->BeginTrans();
        base.Ejecutar(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Otra vez' WHERE Gcc_Padre = '0'"_s);
        const QString repetida = ErrorDe([&] { base.InsertarGrupo(u"1"_s, u"Repetida"_s); });
        QVERIFY2(repetida.startsWith((pg ? u"23505"_s : u"19"_s)
                                     + u" Ya existe un registro con la misma clave en la tabla"_s)
                     && repetida.contains(u"Grupo_Cuenta_Contable"_s, Qt::CaseInsensitive),
                 qPrintable(repetida));
        QCOMPARE(codigoDe([&] { c->CommitTrans(); }), pg ? u"25P02"_s : u"<sin"_s);
        if (pg)
            c->RollbackTrans();
        Sesion::Cerrar();  // read back through a new connection, below
        const QString descripcion = pg ? u"Activo"_s : u"Otra vez"_s;

        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable; SELECT 1"_s));
        base.Ejecutar(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 2;"_s);  // a closing ; is fine
        QCOMPARE(base.Fila(u"1"_s, u"Gcc_Descripcion, Gcc_Nivel"_s), descripcion + u"|2"_s);
        base.Reconfigurar([](Sesion::Configuracion& c) { c.esperaBloqueoMs = 200; });
        auto otro = base.OtraConexion();
        otro->BeginTrans();
        otro->Execute(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Suyo'"_s);
        QElapsedTimer reloj;
        reloj.start();
        const QString ocupada = ErrorDe([&] {
            GuardaTransaccion guarda(base.Conexion());
            base.Ejecutar(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Mío'"_s);
        });
        QVERIFY2(ocupada.startsWith((pg ? u"55P03"_s : u"5"_s) + u" La base de datos está ocupada"_s)
                     && reloj.elapsed() >= 150,
                 qPrintable(u"%1 ms: %2"_s.arg(reloj.elapsed()).arg(ocupada)));
        QCOMPARE(base.Fila(u"1"_s, u"Gcc_Descripcion"_s), descripcion);  // readers are not held up
        otro->RollbackTrans();

        const QStringList textos{u"O'Brien y D'Arcy"_s,        u"?"_s, u"-- /* no"_s, u"''"_s, u""_s, u"$1 $$ \"x\";"_s,
                                 u"ÁÉÍÓÚñ'\\ x"_s.repeated(20)};  // 200 characters, the column's width
        const int antes = enCache(base.Conexion());
        for (qsizetype i = 0; i < textos.size(); ++i)
            base.Ejecutar(u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                          "Gcc_Padre) VALUES ('K%1', '%2', '0')"_s.arg(i)
                              .arg(QString(textos[i]).replace(u"'"_s, u"''"_s)));
        const QString porClave = u"SELECT Gcc_Descripcion, Gcc_Padre FROM Grupo_Cuenta_Contable "
                                 "WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'K%1'"_s;
        for (qsizetype i = 0; i < textos.size(); ++i)
            QCOMPARE(base.Valor(porClave.arg(i)).toString(), textos[i]);
        QCOMPARE(enCache(base.Conexion()), antes + 2);  // one INSERT and one SELECT, whatever their literals
        // A literal that looks like a placeholder next to a comment is matched as text.
        QCOMPARE(base.Valor(u"SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable "
                            "WHERE Gcc_Descripcion = '?' -- y un comentario con 'comilla\n"_s),
                 QVariant(u"K1"_s));
        // Explicit placeholders next to literals; a placeholder without its value is refused.
        base.Ejecutar(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Codigo = ?, Gcc_Descripcion = '¿?' "
                      "WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s,
                      {u"1.2"_s, u"K0"_s});
        QCOMPARE(base.Fila(u"K0"_s, u"Gcc_Descripcion, Gcc_Codigo"_s), u"¿?|1.2"_s);
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.Ejecutar(u"SELECT ? FROM Grupo_Cuenta_Contable"_s));
        QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, base.Ejecutar(u"SELECT 1"_s, {1}));
        if (pg) {
            // `$1 IS NULL` cannot be prepared; the refusal must not abort the open transaction.
            base.Conexion()->BeginTrans();
            QCOMPARE(base.Valor(u"SELECT pg_typeof('y') AS Tipo, 'x' IS NULL"_s), QVariant(u"unknown"_s));
            base.Conexion()->CommitTrans();
        }
    }

    // Opening a database changes nothing; one of version 2 is brought up to date, a later one refused.
    void esquemaConSuVersion_data() { BaseDePrueba::AgregarMotores(); }
    void esquemaConSuVersion()
    {
        ABRIR_BASE(motor, base);
        const bool pg = motor == Motor::PostgreSQL;
        Sesion::Cerrar();
        for (const char* tabla :
             {"Kes_Version", "Grupo_Cuenta_Contable", "Kes_Parametro", "Kes_Permiso", "Kes_Bitacora"})
            QCOMPARE(base.ContarFilas(QString::fromLatin1(tabla)), qlonglong(qstrcmp(tabla, "Kes_Version") == 0));
        const QString indice = pg ? u"SELECT indexdef FROM pg_indexes WHERE schemaname = current_schema() AND "
                                    "indexname = 'gcc_padre_indice'"_s
                                  : u"SELECT sql FROM sqlite_master WHERE name = 'Gcc_Padre_Indice'"_s;
        QVERIFY(base.Valor(indice).toString().contains(u"Gcc_Padre"_s, Qt::CaseInsensitive));
        Sesion::Cerrar();
        base.EjecutarAparte(
            (pg ? u"DROP TRIGGER gcc_historial ON Grupo_Cuenta_Contable; DROP FUNCTION gcc_historial(); "_s
                : u"DROP TRIGGER Gcc_Historial_Alta; DROP TRIGGER Gcc_Historial_Cambio; "
                  "DROP TRIGGER Gcc_Historial_Baja; "_s)
            + u"DROP TABLE Kes_Historial; ALTER TABLE Kes_Bitacora DROP COLUMN Bit_Usuario_Base; "
              "UPDATE Kes_Version SET Ver_Numero = 2"_s);
        if (pg) {  // a workstation changes no schema on a server: its owner upgrades it
            QVERIFY(ErrorDe([] { Sesion::Conexion(); }).contains(u"tq614-host --preparar-servidor"_s));
            Sesion::PrepararServidor();
        }
        QCOMPARE(Esquema::Version(*base.Conexion()), Esquema::kVersion);
        QCOMPARE(base.Valor(u"SELECT COUNT(Bit_Usuario_Base) FROM Kes_Bitacora"_s).toInt(), 0);
        base.InsertarGrupo(u"1"_s, u"Activo"_s);
        base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable"_s);
        QCOMPARE(base.ContarFilas(u"Kes_Historial"_s), 2);
        base.Ejecutar(u"UPDATE Kes_Version SET Ver_Numero = ?"_s, {Esquema::kVersion + 1});
        Sesion::Cerrar();
        QVERIFY(ErrorDe([] { Sesion::Conexion(); }).contains(u"versión más reciente"_s));
    }

    // A burst of reads answers as each statement would, in its order, a value asked again answered again; none where
    // the column, its collation or the plan could make `=` other than byte equality, the column is unique (a server)
    // or the index's order is not the search's (a file).
    void rafagaComoCadaSentencia_data() { BaseDePrueba::AgregarMotores(); }
    void rafagaComoCadaSentencia()
    {
        QFETCH(Motor, motor);
        REQUIERE_MOTOR(motor);
        const bool pg = motor == Motor::PostgreSQL;
        const QStringList textos{u"a"_s, u"A"_s, u"a "_s, u""_s, u"NULL"_s, u"ñ"_s, u"b"_s, u"a"_s, u"O'K"_s, u"1"_s};
        const QStringList buscados{u"a"_s, u"A"_s, u"a "_s, u"a  "_s, u""_s, u"ñ"_s, u"b"_s, u"x"_s, u"O'K"_s, u"1"_s};
        const QString porOrden = u"SELECT * FROM Rafaga WHERE Valor = '%1' ORDER BY Orden"_s;
        const QString porValor = u"SELECT * FROM Rafaga WHERE Valor = '%1' ORDER BY Valor"_s;
        const QString indice = u"CREATE INDEX Rafaga_Valor ON Rafaga (Valor, Orden)"_s;
        using Caso =
            std::tuple<const char*, QString, bool, QString>;  // the column, its index, whether a burst, the query
        const QList<Caso> casos = pg ? QList<Caso>{
            {"TEXT", {}, true, porOrden},
            {"VARCHAR(10)", {}, true, u"SELECT Valor, Id FROM Rafaga WHERE \"valor\" = '%1' ORDER BY 2 DESC"_s},
            {"CHAR(3)", {}, false, porOrden},  // without its trailing blanks
            {"TEXT COLLATE mayusculas", {}, false, porOrden},
            {"TEXT UNIQUE", {}, false, porOrden},
        } : QList<Caso>{
            {"TEXT", indice, true, porValor},
            {"VARCHAR(10)", indice, true, u"SELECT Id, \"valor\" FROM Rafaga WHERE \"valor\" = '%1' ORDER BY 2, Orden"_s},
            {"TEXT", u"CREATE INDEX Rafaga_Valor ON Rafaga (Valor)"_s, true, u"SELECT Id FROM Rafaga WHERE Valor = '%1'"_s},
            {"TEXT COLLATE NOCASE", indice, false, porValor},
            {"INTEGER", indice, false, porValor},  // '1' finds the number 1
            {"TEXT", u"CREATE INDEX Rafaga_Valor ON Rafaga (Valor, Orden DESC)"_s, false, porValor},
            {"TEXT", u"CREATE INDEX Rafaga_Valor ON Rafaga (Valor) WHERE Orden > 0"_s, false, porValor},
            {"TEXT", indice, false, u"SELECT * FROM Rafaga WHERE Valor = '%1' ORDER BY Valor DESC"_s},  // backwards
            {"TEXT", indice, false, u"SELECT * FROM Rafaga WHERE Valor = '%1' ORDER BY Id"_s},  // sorted apart
            {"TEXT", indice, false, u"SELECT * FROM Rafaga WHERE Valor = '%1' AND Orden > 0"_s},
        };
        for (const auto& [columna, definicion, rafaga, sentencia] : casos) {
            BaseDePrueba base(motor);
            if (pg) {
                base.PorRed();
                base.Ejecutar(u"CREATE COLLATION mayusculas (provider = icu, locale = 'und-u-ks-level2', "
                              "deterministic = false)"_s);
            }
            base.Ejecutar(u"CREATE TABLE Rafaga (Id INTEGER PRIMARY KEY, Valor %1, Orden INTEGER)"_s.arg(columna));
            if (!definicion.isEmpty())
                base.Ejecutar(definicion);
            for (qsizetype i = 0; i < textos.size(); ++i)  // in a file ties in Orden, settled by the rowid
                base.Ejecutar(u"INSERT INTO Rafaga VALUES (?, ?, ?) ON CONFLICT DO NOTHING"_s,
                              {i, textos[i] == u"NULL" ? QVariant() : textos[i],
                               pg ? textos.size() - i : (textos.size() - i) / 3});
            if (!pg)
                base.Ejecutar(u"INSERT INTO Rafaga VALUES (99, CAST('a' AS BLOB), 0)"_s);  // bytes, never a text
            // A file's bursts on a connection of its own (the session's one is traced), only the first column read.
            const auto propia = pg ? nullptr : std::make_unique<ConexionSqlite>(base.Configuracion());
            Connection& c = propia ? *propia : *base.Conexion();
            const auto leer = [&] {
                QStringList leidas;
                for (const QString& literal : buscados) {
                    const QString sql = sentencia.arg(QString(literal).replace(u"'"_s, u"''"_s));
                    leidas << (pg ? base.Columna(sql) : restantes(*c.Execute(sql), 0)).join(u';');
                }
                return leidas;
            };
            c.BeginTrans();
            const QStringList unaPorUna = leer();
            c.RollbackTrans();
            // As the walk of a tree and its listing in one read would ask.
            const auto tresVeces = [&] { QCOMPARE(leer() + leer() + leer(), unaPorUna + unaPorUna + unaPorUna); };
            if (propia) {
                tresVeces();
                QVERIFY2(propia->RafagasLeidas() == (rafaga ? 1 : 0), columna);
            } else {
                // The first burst asks about the column, then fetches the rows; the next one only fetches.
                const int idas = base.IdasYVueltas(tresVeces);
                QVERIFY2(rafaga ? idas == 2 : idas > 3 * buscados.size(), columna);
                QCoreApplication::processEvents();
                QCOMPARE(base.IdasYVueltas([&] { QCOMPARE(leer(), unaPorUna); }), rafaga ? 1 : int(buscados.size()));
            }
        }
    }

    // A burst ends at a write, BeginTrans or the event loop; past FilasPorRafaga rows, or off, none is made.
    void rafagaTermina()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.PorRed();
        base.InsertarGrupos({u"1|Grupo 1"_s, u"2|Grupo 2"_s, u"3|Grupo 3"_s});
        auto otro = base.OtraConexion();
        Connection* c = base.Conexion();
        const QString escribir =
            u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = ? WHERE Gcc_Cve_Grupo_Cuenta_Contable = '1'"_s;
        QCOMPARE(primeraDescripcion(*c), u"Grupo 1"_s);
        otro->Execute(escribir, {u"Suyo"_s});
        QCOMPARE(base.IdasYVueltas([&] { QCOMPARE(primeraDescripcion(*c), u"Grupo 1"_s); }), 0);  // the snapshot
        QCoreApplication::processEvents();
        QCOMPARE(primeraDescripcion(*c), u"Suyo"_s);
        otro->Execute(escribir, {u"Suyo otra vez"_s});
        c->Execute(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 2 WHERE Gcc_Cve_Grupo_Cuenta_Contable = '3'"_s);
        QCOMPARE(primeraDescripcion(*c), u"Suyo otra vez"_s);
        otro->Execute(escribir, {u"Antes de la transaccion"_s});
        c->BeginTrans();
        QCOMPARE(primeraDescripcion(*c), u"Antes de la transaccion"_s);
        otro->Execute(escribir, {u"Durante la transaccion"_s});
        QCOMPARE(primeraDescripcion(*c), u"Durante la transaccion"_s);
        c->RollbackTrans();
        QCOMPARE(primeraDescripcion(*c), u"Durante la transaccion"_s);  // the burst before BeginTrans is gone
        for (const int filasPorRafaga : {2, 0}) {
            base.Reconfigurar([&](Sesion::Configuracion& nueva) { nueva.filasPorRafaga = filasPorRafaga; });
            primeraDescripcion(*base.Conexion());
            QCOMPARE(base.IdasYVueltas([&] { primeraDescripcion(*base.Conexion()); }), 1);
        }
    }

    // What needs no answer travels with the next request: BEGIN with the first statement, a new shape's preparation
    // with its run, a queued write with the next statement or the COMMIT. A failure anywhere in such a group is thrown
    // with the message the statement gives on its own, and rolls back everything.
    void tuberiaQueFalla()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.InsertarGrupos({u"1|Activo"_s, u"2|Pasivo"_s});
        Connection* c = base.Conexion();
        const QString cambiar = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Cambiada' "
                                "WHERE Gcc_Cve_Grupo_Cuenta_Contable = '1'"_s;
        const QString alta = u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                             "Gcc_Padre) VALUES (?, 'Nueva', '0')"_s;
        const QString sola = ErrorDe([&] { c->Execute(alta, {u"2"_s}); });
        QVERIFY2(sola.startsWith(u"23505 Ya existe un registro"_s), qPrintable(sola));
        // A transaction of a new shape and a queued write, committed.
        const auto enCola = [&](const QString& clave) {
            c->BeginTrans(), c->Execute(cambiar), c->ExecuteSinRespuesta(alta, {clave}), c->CommitTrans();
        };
        const std::pair<const char*, std::function<void()>> casos[] = {
            {"the first statement, with BEGIN", [&] { c->BeginTrans(), c->Execute(alta, {u"2"_s}); }},
            {"a queued write, with the next statement",
             [&] {
                 c->BeginTrans(), c->Execute(cambiar), c->ExecuteSinRespuesta(alta, {u"2"_s}), c->Execute(kDescripcion);
             }},
            {"a queued write, with the COMMIT", [&] { enCola(u"2"_s); }},
            {"only queued writes, with BEGIN and the COMMIT", [&] {
                 c->BeginTrans(), c->ExecuteSinRespuesta(cambiar, {}), c->ExecuteSinRespuesta(alta, {u"2"_s});
                 c->CommitTrans();
             }}};
        const QStringList antes = base.Estado();
        for (const auto& [nombre, hacer] : casos) {
            QCOMPARE(ErrorDe(hacer), sola);
            QVERIFY2(c->EnTransaccion(), nombre);
            c->RollbackTrans();
            QVERIFY2(base.Estado() == antes, nombre);
        }

        // Across a network it is two round trips.
        base.PorRed();
        c = base.Conexion();
        QCOMPARE(base.IdasYVueltas([&] { enCola(u"3"_s); }), 2);
        QCOMPARE(base.Fila(u"1"_s, u"Gcc_Descripcion"_s) + base.Fila(u"3"_s, u"Gcc_Descripcion"_s), u"CambiadaNueva"_s);
        // A session ended before a transaction's first statement: nothing had reached it, so the whole transaction goes
        // on a new one.
        auto& pg = dynamic_cast<ConexionPostgres&>(*c);
        QVERIFY(BaseDePrueba::TerminarSesion(pg.ProcesoDelServidor()));
        c->BeginTrans(), c->ExecuteSinRespuesta(alta, {u"4"_s}), c->Execute(alta, {u"5"_s}), c->CommitTrans();
        QCOMPARE(pg.Reconexiones(), 1);
        QCOMPARE(base.Claves(), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    }

    // Queries share one read, results read as the caller moves: it hides no commit, ends at a write, the event loop or
    // the connection's end, an open result keeping its rows. Off, none is shared.
    void sqliteResultadoLeidoAlAvanzar()
    {
        BaseDePrueba base;
        base.InsertarGrupos({u"1|Año 1 — ñandú"_s, u"2|Grupo 2"_s, u"3|Grupo 3"_s, u"21|Hijo 2|NULL|2|2"_s});
        // A connection of its own: the session's one is traced, and the trace counts every row.
        auto c = std::make_unique<ConexionSqlite>(base.Configuracion());
        auto otra = base.OtraConexion();
        const QString cambiar = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Cambiada %1'"_s;
        const auto cambiadas = [](int n) { return QStringList(3, u"Cambiada %1"_s.arg(n)); };
        const QString descripcion = u"Gcc_Descripcion"_s;
        const auto hijos = [&](const QString& padre) { return restantes(*c->Execute(kHijos.arg(padre)), descripcion); };
        // The root's groups from the second on, read after `interrupcion`: as they were before it.
        const auto durante = [&](const std::function<void()>& interrupcion) {
            const QStringList antes = hijos(u"0"_s);
            auto rs = c->Execute(kHijos.arg(u"0"_s));
            rs->MoveNext();
            interrupcion();
            QCOMPARE(rs->Fields(0), QVariant(u"2"_s));
            QCOMPARE(restantes(*rs, descripcion), antes.mid(1));
            QCOMPARE(codigoDe([&] { rs->MoveNext(); }), u"3021"_s);
        };
        QCOMPARE(hijos(u"0"_s).value(0), u"Año 1 — ñandú"_s);  // it maps the shared memory the next reads compare
        QVERIFY(dynamic_cast<RecordsetSqlite*>(c->Execute(kHijos.arg(u"0"_s)).get())
                && c->LecturaAbierta());  // not copied at Execute
        durante([&] {  // deeper levels read while the upper ones are open, as the tree loads
            QCOMPARE(c->Execute(kHijos.arg(u"2"_s))->Fields(u"Gcc_Descripcion"_s).toString(), u"Hijo 2"_s);
        });
        durante([&] {
            for (const int n : {0, 1}) {
                otra->Execute(cambiar.arg(n));
                QCOMPARE(hijos(u"0"_s), cambiadas(n));
            }
        });
        durante([&] {
            c->Execute(cambiar.arg(2));
            QVERIFY(!c->LecturaAbierta());  // a write ends the shared read and commits on its own
            QCOMPARE(base.Columna(u"SELECT DISTINCT Gcc_Descripcion FROM Grupo_Cuenta_Contable"_s),
                     QStringList{u"Cambiada 2"_s});
        });
        durante([&] { QTRY_VERIFY(!c->LecturaAbierta()); });  // the event loop
        durante([&] {
            c.reset();
            otra->Execute(cambiar.arg(5));
        });
        base.Reconfigurar([](Sesion::Configuracion& c) { c.lecturaCompartida = false; });
        c = std::make_unique<ConexionSqlite>(base.Configuracion());
        QCOMPARE(hijos(u"0"_s), cambiadas(5));
        QVERIFY(!c->LecturaAbierta());
    }

    // A burst ends at this connection's write, at another's commit, at BeginTrans and at the event loop.
    void rafagaSqliteTermina()
    {
        BaseDePrueba base;
        base.InsertarGrupos({u"1|Grupo 1"_s, u"2|Grupo 2"_s, u"3|Grupo 3"_s, u"31|Hijo 3|NULL|3|2"_s});
        auto c = std::make_unique<ConexionSqlite>(base.Configuracion());
        auto otra = base.OtraConexion();
        const auto hijos = [&](const QString& padre) { return c->Execute(kHijos.arg(padre))->Eof() ? 0 : 1; };
        const auto enRafaga = [&] {  // the same shape until it is read in a burst
            const int antes = c->RafagasLeidas();
            for (int i = 0; i < 12; ++i)
                hijos(u"9"_s);
            return c->RafagasLeidas() == antes + 1;
        };
        const QString nuevo = u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, "
                              "Gcc_Padre, Gcc_Nivel) VALUES (?, 'Nuevo', ?, 2)"_s;
        QVERIFY(enRafaga());
        QCOMPARE(hijos(u"1"_s), 0);
        c->Execute(nuevo, {u"11"_s, u"1"_s});
        QCOMPARE(hijos(u"1"_s), 1);
        QVERIFY(enRafaga());
        QCOMPARE(hijos(u"2"_s), 0);
        otra->Execute(nuevo, {u"21"_s, u"2"_s});
        QCOMPARE(hijos(u"2"_s), 1);
        QVERIFY(enRafaga());
        c->BeginTrans();
        c->Execute(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '3'"_s);
        QCOMPARE(hijos(u"3"_s), 0);
        QVERIFY(!enRafaga());  // inside a transaction every read runs
        c->RollbackTrans();
        QVERIFY(enRafaga());
        QCOMPARE(hijos(u"3"_s), 1);
        QTRY_VERIFY(!c->LecturaAbierta());
        QVERIFY(enRafaga());  // the event loop ended the last one
        // Nothing was read but Eof, so the burst holds no column: an answer reads its rows from its statement when
        // asked, or before the read ends, on the burst's snapshot either way.
        auto abierta = c->Execute(kHijos.arg(u"3"_s));
        auto otraAbierta = c->Execute(kHijos.arg(u"0"_s));
        QCOMPARE(abierta->Fields(u"Gcc_Descripcion"_s).toString(), u"Hijo 3"_s);
        otra->Execute(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Cambiada'"_s);
        hijos(u"9"_s);
        QCOMPARE(otraAbierta->Fields(u"Gcc_Descripcion"_s).toString(), u"Grupo 1"_s);
        QVERIFY(enRafaga());
        QCOMPARE(c->Execute(kHijos.arg(u"0"_s))->Fields(u"Gcc_Descripcion"_s).toString(), u"Cambiada"_s);
        base.Reconfigurar([](Sesion::Configuracion& c) { c.filasPorRafaga = 2; });
        c = std::make_unique<ConexionSqlite>(base.Configuracion());
        QVERIFY(!enRafaga());  // more rows than that
    }

    void reglaDeClaves_data() { BaseDePrueba::AgregarMotores(); }
    // The database itself refuses a key "0", an empty key and a group made its own ancestor, whoever writes, and keeps
    // the rest as it was. An older base whose rows break the rule gets it all the same; those rows are named when it is
    // upgraded and nothing else stops working.
    void reglaDeClaves()
    {
        ABRIR_BASE(motor, base);
        base.InsertarGrupos({u"A|Activo"_s, u"A1|Caja||A"_s, u"A11|Chica||A1"_s, u"H|Huérfano||Z"_s});
        const QStringList antes = base.Estado();
        const QString tabla = u"UPDATE Grupo_Cuenta_Contable SET "_s, clave = u"Gcc_Cve_Grupo_Cuenta_Contable"_s;
        const QString raiz = u"La clave 0 es la de la raíz del catálogo"_s, vacia = u"no puede quedar vacía"_s,
                      bucle = u"su propio antecesor"_s,
                      alta = u"INSERT INTO Grupo_Cuenta_Contable (%1, Gcc_Padre) VALUES "_s;
        const std::pair<QString, QString> rechazados[] = {
            {tabla + u"%1 = '0' WHERE %1 = 'A11'"_s, raiz},
            {tabla + u"%1 = '' WHERE %1 = 'A11'"_s, vacia},
            {tabla + u"%1 = '  ' WHERE %1 = 'H'"_s, vacia},
            {alta + u"('0', 'A')"_s, raiz},
            {tabla + u"Gcc_Padre = 'A11' WHERE %1 = 'A'"_s, bucle},
            {tabla + u"Gcc_Padre = 'A' WHERE %1 = 'A'"_s, bucle},
            {tabla + u"Gcc_Padre = 'H' WHERE %1 = 'H'"_s, bucle},
            {alta + u"('Z', 'H')"_s, bucle},  // Z does not exist yet, and H hangs under it: Z under H closes a loop
        };
        for (const auto& [sql, razon] : rechazados) {
            const QString error = ErrorDe([&] { base.Ejecutar(QString(sql).replace(u"%1"_s, clave)); });
            QVERIFY2(error.contains(razon), qPrintable(sql + u" → "_s + error));
            QCOMPARE(base.Estado(), antes);
        }
        base.Ejecutar(tabla + u"Gcc_Padre = 'A' WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A11'"_s);  // a move is fine

        // As a base of the version before: without the rule, rows that break it.
        base.QuitarReglaDeClaves();
        base.InsertarGrupos({u"0|Cero||A"_s});
        base.Ejecutar(tabla + u"Gcc_Padre = 'A11' WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'A'"_s);
        base.Ejecutar(u"UPDATE Kes_Version SET Ver_Numero = 4"_s);
        base.LimpiarMensajes();
        // A server is upgraded by its owner, who reads them in the output; a file by whoever opens it.
        const QString aviso = motor == Motor::PostgreSQL ? Sesion::PrepararServidor() : QString();
        Sesion::Cerrar();
        const QStringList fuera{
            u"El grupo «0» (Cero) tiene una clave que ningún grupo puede tener (vacía o la de la raíz, 0): cámbiela"_s,
            u"El grupo «A» (Activo) es su propio antecesor: cambie su grupo padre"_s,
            u"El grupo «A11» (Chica) es su propio antecesor: cambie su grupo padre"_s};
        QCOMPARE(Esquema::GruposFueraDeRegla(*base.Conexion()), fuera);
        QCOMPARE(Esquema::Version(*base.Conexion()), Esquema::kVersion);
        const QStringList mensajes = base.MensajesEnTexto();
        const QString dicho = motor == Motor::PostgreSQL ? aviso : mensajes.value(0);
        QVERIFY2(mensajes.size() == (motor == Motor::SQLite) && dicho.endsWith(fuera.join(u'\n')),
                 qPrintable(dicho + mensajes.join(u'\n')));
        // The rest works: a new group, another description for a row at fault; the rule holds.
        base.InsertarGrupos({u"B|Pasivo"_s});
        base.Ejecutar(tabla + u"Gcc_Descripcion = 'Cero, por reparar' WHERE Gcc_Cve_Grupo_Cuenta_Contable = '0'"_s);
        QVERIFY(ErrorDe([&] {
                    base.Ejecutar(tabla + u"Gcc_Padre = 'B' WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'B'"_s);
                }).contains(bucle));
    }

    // The settings file (its refusals: the program's test); a catalogue without the library's tables kept.
    void configuracion()
    {
        QTemporaryDir carpeta;
        const Sesion::Configuracion c = Sesion::LeerConfiguracion(EscribirArchivo(
            carpeta.filePath(u"tq614.ini"_s),
            "[BaseDeDatos]\nConexion=host=a,b target_session_attrs=read-write sslmode=verify-full\nServicio=conta\n"
            "Servidor=db.local\nPuerto=6543\nBase=conta\nUsuario=ana\nEsquema=empresa1\nOperador=ANA\n"
            "EsperaBloqueoMs=1500\nEsperaServidorMs=4000\nFilasPorRafaga=0\nLecturaCompartida=false\n"
            "ReservaSoloLectura=false\n"));
        QCOMPARE(QStringList({QString::number(c.motor), c.conexion, c.servicio, c.servidor, QString::number(c.puerto),
                              c.base, c.usuario, c.esquema, c.operador, QString::number(c.esperaBloqueoMs),
                              QString::number(c.esperaServidorMs), QString::number(c.filasPorRafaga),
                              QString::number(c.lecturaCompartida), QString::number(c.reservaSoloLectura)}),
                 QStringList({"1", "host=a,b target_session_attrs=read-write sslmode=verify-full", "conta", "db.local",
                              "6543", "conta", "ana", "empresa1", "ANA", "1500", "4000", "0", "0", "0"}));
        BaseDePrueba base;  // restores the configuration when it ends
        base.Reconfigurar(
            [&](Sesion::Configuracion& nueva) { nueva = {.archivo = carpeta.filePath(u"existente.db"_s)}; });
        base.EjecutarAparte(u"CREATE TABLE Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable TEXT PRIMARY KEY, "
                            "Gcc_Descripcion TEXT, Gcc_Padre TEXT); INSERT INTO Grupo_Cuenta_Contable VALUES ('1', "
                            "'Activo', '0')"_s);
        QCOMPARE(base.Valor(kDescripcion), QVariant(u"Activo"_s));
        QCOMPARE(Esquema::Version(*base.Conexion()), Esquema::kVersion);
    }

    // Each way a connection fails has its own reason, naming its values; libpq's text goes apart. Then libpq's routes in
    // one connection: a service file naming a host list whose first host is down, no password file, a password asked
    // once that outlives its session, the list tried again.
    void conexionesComoLasConfiguraLibpq()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        const Sesion::Configuracion prueba = BaseDePrueba::ConfiguracionPostgres();
        const QString puerto = QString::number(prueba.puerto);
        QTemporaryDir carpeta;
        const QByteArray propio = qgetenv("PGPASSFILE");
        const auto restaurar = qScopeGuard([&] {  // libpq's files as the test found them
            qputenv("PGPASSFILE", propio);
            qunsetenv("PGSERVICEFILE");
        });
        qputenv("PGSERVICEFILE",
                QFile::encodeName(EscribirArchivo(carpeta.filePath(u"pg_service.conf"_s),
                                                  u"[conta]\nhost=127.0.0.1,127.0.0.1\nport=1,%1\ndbname=%2\nuser=%3\n"
                                                  "target_session_attrs=read-write\napplication_name=desde_servicio\n"_s
                                                      .arg(puerto, prueba.base, prueba.usuario)
                                                      .toUtf8())));
        const QString equivocada = EscribirArchivo(carpeta.filePath(u"pgpass"_s), "127.0.0.1:*:*:tq614:equivocada");
        QFile::setPermissions(equivocada, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QString pg = u"host=127.0.0.1 port=%1 dbname=tq614 user=tq614 "_s.arg(puerto);
        const QString conectar = u" No se pudo conectar con el servidor PostgreSQL"_s, no = u"08001"_s + conectar,
                      en = u" «127.0.0.1:%1»: "_s.arg(puerto);
        const std::tuple<QString, QString, bool> casos[] = {
            // the connection, how the reason starts, whether the password file holds a wrong one
            {u"host=127.0.0.1 port=1 dbname=tq614 user=tq614"_s,
             no + u" «127.0.0.1:1»: no se llega a él: no está en marcha"_s, false},
            {pg, u"28P01"_s + conectar + en + u"rechazó la contraseña del usuario «tq614» (o ese usuario no existe)"_s,
             true},
            {pg + u"user=nadie"_s,
             u"28P01 El servidor PostgreSQL pide la contraseña de «nadie» en «127.0.0.1:%1», base «tq614» y no está en "
             "ninguno de sus sitios"_s.arg(puerto),
             false},
            {pg + u"dbname=no_hay"_s, u"3D000"_s + conectar + en + u"la base de datos «no_hay» no existe en él"_s,
             false},
            {u"service=no_hay"_s, no + u": el servicio «no_hay» no está en el archivo de servicios"_s, false},
            {pg + u"sslmode=verify-full sslrootcert="_s + qEnvironmentVariable("TQ614_PG_OTRA_CA"),
             no + en + u"su certificado no lo firmó la autoridad en la que se confía (sslrootcert)"_s, false},
            {pg + u"sslmode=verify-full sslrootcert=/no/hay/ca.crt"_s,
             no + en + u"no se encuentra el certificado de la autoridad «/no/hay/ca.crt» (sslrootcert)"_s, false},
            {pg + u"sslmod=require"_s, no + u": la conexión tiene un ajuste que libpq no conoce: «sslmod»"_s, false},
            {pg + u"sslmode=siempre"_s, no + en + u"el ajuste «sslmode» no admite el valor «siempre»"_s, false},
        };
        for (const auto& [conexion, motivo, mala] : casos) {
            qputenv("PGPASSFILE", mala ? QFile::encodeName(equivocada) : propio);
            QString detalle;
            const QString error = ErrorDe([&] {
                try {
                    ConexionPostgres c(
                        {.motor = Sesion::Configuracion::PostgreSQL, .conexion = conexion, .esperaServidorMs = 5000});
                } catch (const ErrorDeConexion& e) {
                    detalle = e.Detalle();
                    throw;
                }
            });
            QVERIFY2(error.startsWith(motivo), qPrintable(error + u"\n"_s + detalle));
            // libpq's own words only in the details.
            QVERIFY2(!detalle.isEmpty() && !error.contains(u"server"_s) && !error.contains(u"failed"_s)
                         && !error.contains(u"connection "_s),
                     qPrintable(error + u"\n"_s + detalle));
        }

        const QString contrasena = QString::fromUtf8(LeerArchivo(QFile::decodeName(propio))).trimmed().section(u':', 4);
        qputenv("PGPASSFILE", QFile::encodeName(carpeta.filePath(u"ninguno"_s)));
        const auto registrar = qScopeGuard([r = Sesion::MensajesRegistrandose()] { Sesion::RegistrarMensajes(r); });
        Sesion::RegistrarMensajes(false);
        VigiaModal usuario([&](QWidget* ventana) {
            qobject_cast<QInputDialog*>(ventana)->setTextValue(contrasena);
            qobject_cast<QInputDialog*>(ventana)->accept();
        });
        ConexionPostgres c({.motor = Sesion::Configuracion::PostgreSQL, .servicio = u"conta"_s});
        QVERIFY(BaseDePrueba::TerminarSesion(c.ProcesoDelServidor()));
        QCOMPARE(c.Execute(u"SELECT current_setting('application_name') || inet_server_port()"_s)->Fields(0),
                 QVariant(u"desde_servicio%1"_s.arg(prueba.puerto)));
        QVERIFY(c.Reconexiones() == 1 && usuario.Abiertas() == 1);
    }

    // A silent server (a mute network, a stopped backend) is given up at the deadline, the next statement on a new
    // session. A statement gone stale (a changed table, DEALLOCATE ALL) fails the transaction it runs in, and outside
    // one is prepared again, once.
    void sesionQueSeRecupera()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.Reconfigurar([](Sesion::Configuracion& c) { c.filasPorRafaga = 0; });  // a table without key: a burst
        base.InsertarGrupo(u"1"_s, u"Activo"_s, u"1.1"_s, u"0"_s, 2);
        Sesion::Configuracion config = base.Configuracion();
        config.esperaServidorMs = 1500;
        QElapsedTimer reloj;
        // At the deadline, on a busy machine.
        const auto aTiempo = [&] { return reloj.elapsed() >= 1400 && reloj.elapsed() < 1500 + 8000; };
        ProxyRetardo mudo(config.servidor.toStdString(), config.puerto, 3600 * 1000);
        Sesion::Configuracion haciaElMudo = config;
        haciaElMudo.servidor = u"127.0.0.1"_s;
        haciaElMudo.puerto = mudo.Puerto();
        reloj.start();
        const QString alConectar = ErrorDe([&] { ConexionPostgres c(haciaElMudo); });
        QVERIFY2(alConectar.startsWith(u"08001 El servidor PostgreSQL"_s)
                     && alConectar.contains(u"no respondió en 1.5 s al conectar"_s) && aTiempo(),
                 qPrintable(u"%1 ms: %2"_s.arg(reloj.elapsed()).arg(alConectar)));
        ConexionPostgres c(config);
        for (const QString& sql : {kDescripcion, u"UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = 2"_s}) {
            c.Execute(sql);  // prepared: what is cut short is the statement itself
            const int pid = c.ProcesoDelServidor();
            QCOMPARE(::kill(pid, SIGSTOP), 0);
            const auto continuar = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
            reloj.restart();
            const QString callado = ErrorDe([&] { c.Execute(sql); });
            QVERIFY2(callado.startsWith(u"57014 El servidor de la base de datos no respondió en 1.5 s"_s) && aTiempo(),
                     qPrintable(u"%1 ms: %2"_s.arg(reloj.elapsed()).arg(callado)));
            // A write sent before the silence may still be carried out when the server wakes.
            QCOMPARE(callado.contains(u"No se puede saber si el cambio llegó a guardarse"_s),
                     sql.startsWith(u"UPDATE"_s));
            // The next statement opens a new session, while the old one still sleeps.
            QCOMPARE(primeraDescripcion(c), u"Activo"_s);
        }
        QCOMPARE(c.Reconexiones(), 2);

        Connection* sesion = base.Conexion();
        const QString uno = u"SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '1'"_s;
        sesion->Execute(uno);
        const int preparadas = enCache(sesion);
        base.ReordenarCatalogoAparte();
        sesion->Execute(uno);  // prepared again, once
        QCOMPARE(enCache(sesion), preparadas + 1);
        base.EjecutarAparte(u"ALTER TABLE Grupo_Cuenta_Contable ADD COLUMN Gcc_Otra TEXT"_s);
        sesion->BeginTrans();
        sesion->Execute(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Dentro'"_s);
        const QString dentro = ErrorDe([&] { sesion->Execute(uno); });
        QVERIFY2(dentro.startsWith(u"0A000 Una sentencia preparada dejó de valer"_s), qPrintable(dentro));
        sesion->RollbackTrans();
        sesion->Execute(u"DEALLOCATE ALL"_s);
        sesion->BeginTrans();
        QCOMPARE(codigoDe([&] { base.InsertarGrupo(u"2"_s, u"Pasivo"_s); }), u"26000"_s);
        sesion->RollbackTrans();
        sesion->Execute(u"DEALLOCATE ALL"_s);
        base.InsertarGrupo(u"3"_s, u"Capital"_s);
        QCOMPARE(base.Claves(), QStringList({u"1"_s, u"3"_s}));
    }
};

QTEST_MAIN(PruebaConexion)
#include "tst_Conexion.moc"
