// Hostile text at every place where text enters the catalogue: the editor's boxes (insert and
// update), the in-place rename, the change-key answer and the delete of such a group. A seeded
// generator mixes quotes, backslashes, SQL fragments, control characters, right-to-left and
// combining characters and characters outside the basic plane, up to each box's length; each
// value is saved through the real procedures into a real SQLite file and read back with a
// bound SELECT, and must come back exactly. A NUL is refused with a message, never stored cut
// short. Very long and invalid text already in the table must load and show without a crash.

#include "BaseDePrueba.h"
#include "Sesion.h"
#include "TreeView.h"
#include "UsuarioDePantalla.h"
#include "Volcado.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QtTest>
#include <sqlite3.h>

namespace {

const QStringList kPiezas{
    QStringLiteral("'"), QStringLiteral("''"), QStringLiteral("\""), QStringLiteral("\\"), QStringLiteral("\\'"),
    QStringLiteral("--"), QStringLiteral(";"), QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("/*"),
    QStringLiteral("*/"), QStringLiteral("?"), QStringLiteral("$1"), QStringLiteral(":nombre"),
    QStringLiteral("' OR '1'='1"), QStringLiteral("'); DROP TABLE Grupo_Cuenta_Contable; --"),
    QStringLiteral("\\x27"), QStringLiteral("E'\\''"), QStringLiteral("$$"),
    QString(QChar(0x200f)), QString(QChar(0x202e)), QString(QChar(0x200e)),           // RTL / LTR marks, override
    QStringLiteral("مرحبا"), QStringLiteral("שלום"), QStringLiteral("e\u0301"), QString(QChar(0x0301)),  // combining
    QStringLiteral("😀"), QStringLiteral("𝄞"), QStringLiteral("ñÑáÉü"), QStringLiteral("ß"),
    QStringLiteral("CAJA"), QStringLiteral(" "), QStringLiteral("  "), QStringLiteral("1.2")};

// Single characters for keys (each one UTF-16 unit, so the key box's 6 hold them).
const QString kCaracteresDeClave = QStringLiteral("'\"\\%_;-*/?$éñאب") + QChar(0x0007) + QChar(0x200f);

class Generador
{
public:
    explicit Generador(quint32 semilla) : m_azar(semilla) {}

    // A text of at most `largo` UTF-16 units, never cut in the middle of a pair.
    QString Texto(int largo)
    {
        QString texto;
        const int objetivo = int(m_azar.bounded(largo + 1));
        while (texto.size() < objetivo) {
            QString pieza;
            switch (m_azar.bounded(3)) {
            case 0:
                pieza = QChar(char16_t(1 + m_azar.bounded(0x1f)));  // U+0001..U+001F
                break;
            default:
                pieza = kPiezas[int(m_azar.bounded(kPiezas.size()))];
            }
            if (texto.size() + pieza.size() > largo)
                break;
            texto += pieza;
        }
        return texto;
    }

    // A key no other group has once upper-cased: two hostile characters and a counter.
    QString Clave(int n)
    {
        QString clave;
        clave += kCaracteresDeClave[int(m_azar.bounded(kCaracteresDeClave.size()))];
        clave += kCaracteresDeClave[int(m_azar.bounded(kCaracteresDeClave.size()))];
        clave += QString::number(n, 36).toUpper();
        return clave;
    }

    bool Moneda(int de) { return m_azar.bounded(de) == 0; }

private:
    QRandomGenerator m_azar;
};

QVariant columna(BaseDePrueba& base, const QString& clave, const char* nombre)
{
    return base.Valor(QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?")
                          .arg(QLatin1String(nombre)),
                      {clave});
}

// The rename's clean-up of the typed label: the key taken out, dashes out, spaces trimmed,
// upper case.
QString renombrado(QString texto, const QString& clave)
{
    texto.remove(clave, Qt::CaseSensitive);
    texto.remove(QLatin1Char('-'));
    while (texto.startsWith(QLatin1Char(' ')))
        texto.remove(0, 1);
    while (texto.endsWith(QLatin1Char(' ')))
        texto.chop(1);
    return texto.toUpper();
}

QString espaciosFuera(QString texto)
{
    while (texto.startsWith(QLatin1Char(' ')))
        texto.remove(0, 1);
    while (texto.endsWith(QLatin1Char(' ')))
        texto.chop(1);
    return texto;
}

#define SIN_MENSAJES(base, que)                                                                                        \
    QVERIFY2((base).Mensajes().isEmpty(),                                                                                \
             qPrintable(QStringLiteral("%1 %2: %3").arg(que).arg(n).arg((base).Mensajes().value(0).texto)))

} // namespace

class PruebaTextoHostil : public QObject
{
    Q_OBJECT

private slots:
    void textosGeneradosVuelvenIguales();
    void nulRechazadoConMensaje();
    void textoLargo();
    void utf8InvalidoDesdeLaBase();
};

void PruebaTextoHostil::textosGeneradosVuelvenIguales()
{
    const int vueltas = qEnvironmentVariableIntValue("TQ614_TEXTOS") > 0 ? qEnvironmentVariableIntValue("TQ614_TEXTOS") : 750;
    BaseDePrueba base;
    const QString padre = QStringLiteral("P'\\%");
    base.InsertarGrupo(padre, QStringLiteral("PADRE 'HOSTIL'"), QString());
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("VECINO"), QString());
    UsuarioDePantalla usuario;
    Generador generador(614);
    const QStringList vecinos = Volcado::Grupos(*base.Conexion());
    int textos = 0;

    for (int n = 0; n < vueltas; ++n) {
        base.LimpiarMensajes();
        const QString clave = generador.Clave(n);
        const QString enPadre = generador.Moneda(2) ? padre : QStringLiteral("0");
        const QString descripcion = generador.Texto(200);
        const QString codigo = generador.Texto(30);
        if (descripcion.isEmpty())
            continue;  // refused by the editor's own check, tested elsewhere

        // Insert: the key upper-cased, the rest as typed.
        QVERIFY(usuario.Nuevo(enPadre, clave, descripcion, codigo, QStringLiteral("1")));
        SIN_MENSAJES(base, "nuevo");
        const QString guardada = clave.toUpper();
        QCOMPARE(usuario.UltimaClave(), guardada);
        QCOMPARE(columna(base, guardada, "Gcc_Descripcion").toString(), descripcion);
        QCOMPARE(columna(base, guardada, "Gcc_Codigo").toString(), codigo);
        QCOMPARE(columna(base, guardada, "Gcc_Padre").toString(), enPadre);
        textos += 3;

        // Update: the code trimmed of its spaces.
        const QString descripcion2 = generador.Texto(200);
        const QString codigo2 = generador.Texto(30);
        if (!descripcion2.isEmpty()) {
            // An empty code is typed as empty (a null one would keep the stored code).
            QVERIFY(usuario.Editar(guardada, descripcion2, codigo2.isEmpty() ? QStringLiteral("") : codigo2));
            SIN_MENSAJES(base, "editar");
            QCOMPARE(columna(base, guardada, "Gcc_Descripcion").toString(), descripcion2);
            QCOMPARE(columna(base, guardada, "Gcc_Codigo").toString(), espaciosFuera(codigo2));
            textos += 2;
        }

        // The tree as New leaves it, then the rename in place.
        usuario.Forma().CargarCuentas();
        const QString etiqueta = generador.Texto(200);
        if (!etiqueta.isEmpty()) {
            QVERIFY(usuario.Renombrar(guardada, etiqueta));
            SIN_MENSAJES(base, "renombrar");
            QCOMPARE(columna(base, guardada, "Gcc_Descripcion").toString(), renombrado(etiqueta, guardada));
            ++textos;
        }

        // Now and then a new key typed into the change-key box.
        QString actual = guardada;
        if (generador.Moneda(15)) {
            const QString nueva = generador.Clave(n + 100000);
            int cuadros = 0;
            QVERIFY(usuario.CambiarClave(actual, nueva, &cuadros));
            SIN_MENSAJES(base, "cambiar clave");
            QCOMPARE(cuadros, 1);
            QVERIFY(columna(base, actual, "Gcc_Padre").isNull());
            QCOMPARE(columna(base, nueva.toUpper(), "Gcc_Padre").toString(), enPadre);
            actual = nueva.toUpper();
            ++textos;
        }

        // And the delete of the hostile key: only that group goes.
        QVERIFY(usuario.Eliminar(actual));
        SIN_MENSAJES(base, "eliminar");
        QVERIFY(columna(base, actual, "Gcc_Padre").isNull());
        QCOMPARE(Volcado::Grupos(*base.Conexion()), vecinos);
    }
    qInfo("%d generated texts stored and read back", textos);
    QVERIFY(textos >= 3 * vueltas);
}

void PruebaTextoHostil::nulRechazadoConMensaje()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), QString());
    UsuarioDePantalla usuario;
    const QString conNul = QStringLiteral("ANTES") + QChar(0) + QStringLiteral("DESPUÉS");
    const QStringList antes = Volcado::Grupos(*base.Conexion());

    struct Caso
    {
        const char* nombre;
        QString idError;
        std::function<void()> hacer;
    };
    const QList<Caso> casos{
        {"nuevo", QStringLiteral("ERR-ID:7500027"),
         [&] { QVERIFY(!usuario.Nuevo(QStringLiteral("0"), QStringLiteral("X"), conNul, QString())); }},
        {"editar", QStringLiteral("ERR-ID:7500027"),
         [&] { QVERIFY(!usuario.Editar(QStringLiteral("B"), conNul, QString())); }},
        {"renombrar", QStringLiteral("ERR-ID:7500015"), [&] { QVERIFY(usuario.Renombrar(QStringLiteral("B"), conNul)); }},
        {"cambiar clave", QStringLiteral("ERR-ID:7500004"),
         [&] { QVERIFY(usuario.CambiarClave(QStringLiteral("B"), QStringLiteral("X") + QChar(0))); }},
    };
    for (const Caso& caso : casos) {
        base.LimpiarMensajes();
        caso.hacer();
        const auto mensajes = base.Mensajes();
        QVERIFY2(mensajes.size() == 1, caso.nombre);
        QCOMPARE(mensajes[0].idError, caso.idError);
        QVERIFY2(mensajes[0].texto.contains(QStringLiteral("carácter nulo")), qPrintable(mensajes[0].texto));
        QCOMPARE(Volcado::Grupos(*base.Conexion()), antes);
        QVERIFY(!base.Conexion()->EnTransaccion());
    }
}

void PruebaTextoHostil::textoLargo()
{
    BaseDePrueba base;
    // Ten thousand characters pasted into the editor's boxes: each keeps what it may hold.
    UsuarioDePantalla usuario;
    const QString largo = QString(9999, QChar(0x05d0)) + QLatin1Char('\'');
    QGuiApplication::clipboard()->setText(largo);
    frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
    editor.Load();
    editor.txtPadre()->setText(QStringLiteral("0"));
    editor.txtClave()->setText(QStringLiteral("L1"));
    editor.txtDescripcion()->paste();
    editor.txtCodigo()->paste();
    editor.txtNivel()->setText(QStringLiteral("1"));
    editor.cmdAceptar();
    QVERIFY(editor.Aceptado);
    editor.Unload();
    QCOMPARE(columna(base, QStringLiteral("L1"), "Gcc_Descripcion").toString(), largo.left(200));
    QCOMPARE(columna(base, QStringLiteral("L1"), "Gcc_Codigo").toString(), largo.left(30));

    // Renaming in place has no box limit: the table's own limit refuses it with a report.
    usuario.Forma().CargarCuentas();
    base.LimpiarMensajes();
    QVERIFY(usuario.Renombrar(QStringLiteral("L1"), largo));
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500015"));
    QCOMPARE(columna(base, QStringLiteral("L1"), "Gcc_Descripcion").toString(), largo.left(200));

    // A description of 10,000 characters written past the table's check by another program
    // loads into the tree, shows on selection and goes into the listing.
    base.Ejecutar(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    const QString enorme = QString(10000, QLatin1Char('D')) + QStringLiteral("FIN");
    base.InsertarGrupo(QStringLiteral("L2"), enorme, QString());
    base.Ejecutar(QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
    base.LimpiarMensajes();
    usuario.Forma().CargarCuentas();
    QVERIFY(usuario.Seleccionar(QStringLiteral("L2")));
    QVERIFY(usuario.Nodo(QStringLiteral("L2"))->text(0).endsWith(QStringLiteral("FIN")));
    QVERIFY(!usuario.Forma().txtCuenta()->text().isEmpty());
    usuario.Forma().Controles_Imprimir();
    QVERIFY2(base.Mensajes().isEmpty(), qPrintable(base.Mensajes().value(0).texto));
    QCOMPARE(base.Reportes().size(), 1);
    QVERIFY(base.Reportes().first().contains(enorme));
}

void PruebaTextoHostil::utf8InvalidoDesdeLaBase()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), QString());
    // Bytes that are not UTF-8, as text and as a blob, written with the C library itself.
    sqlite3* otro = nullptr;
    QCOMPARE(sqlite3_open(base.Archivo().toUtf8().constData(), &otro), SQLITE_OK);
    const char* inserciones =
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, Gcc_Padre)"
        " VALUES ('X1', CAST(X'C328FF41C0AF' AS TEXT), CAST(X'E282' AS TEXT), '0');"
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, Gcc_Padre)"
        " VALUES ('X2', X'00FF4142', X'80', 'A');"
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Padre)"
        " VALUES (CAST(X'58FE' AS TEXT), 'CLAVE INVALIDA', '0');";
    char* error = nullptr;
    const int rc = sqlite3_exec(otro, inserciones, nullptr, nullptr, &error);
    const QString detalle = QString::fromUtf8(error);
    sqlite3_free(error);
    sqlite3_close(otro);
    QVERIFY2(rc == SQLITE_OK, qPrintable(detalle));

    UsuarioDePantalla usuario;
    base.LimpiarMensajes();
    usuario.Forma().CargarCuentas();
    QVERIFY(usuario.Nodo(QStringLiteral("X1")));
    QVERIFY(usuario.Nodo(QStringLiteral("X2")));
    QVERIFY(usuario.Seleccionar(QStringLiteral("X1")));
    QCOMPARE(usuario.Forma().txtClave()->text(), QStringLiteral("X1"));
    QVERIFY(!usuario.Forma().txtCuenta()->text().isEmpty());
    QVERIFY(usuario.Seleccionar(QStringLiteral("X2")));
    QCOMPARE(usuario.Forma().txtClave()->text(), QStringLiteral("X2"));
    usuario.Forma().Controles_Imprimir();
    QCOMPARE(base.Reportes().size(), 1);
    // Whatever the screen made of those bytes, it was shown and not reported as a failure.
    QVERIFY2(base.Mensajes().isEmpty(), qPrintable(base.Mensajes().value(0).texto));

    // The screen still changes things: the invalid description is replaced by a rename.
    QVERIFY(usuario.Renombrar(QStringLiteral("X1"), QStringLiteral("arreglada")));
    QCOMPARE(columna(base, QStringLiteral("X1"), "Gcc_Descripcion").toString(), QStringLiteral("ARREGLADA"));
    QVERIFY(base.Mensajes().isEmpty());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PruebaTextoHostil prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_TextoHostil.moc"
