// Hostile text at every place where text enters the catalogue: the editor's boxes (insert and
// update), the in-place rename, the change-key answer and the delete of such a group. A seeded
// generator mixes quotes, backslashes, SQL fragments, control characters, right-to-left and
// combining characters and characters outside the basic plane, up to each box's length; each
// value is saved through the real procedures into a real SQLite file and read back with a
// bound SELECT, and must come back exactly. A NUL is refused with a message, never stored cut
// short. Very long and invalid text already in the table must load and show without a crash.
// The tree search (Ctrl+B, then F3) is given hostile text typed or pasted into its prompt: it
// finds exactly the groups whose text holds it, and no statement runs while it searches.

#include "BaseDePrueba.h"
#include "Sesion.h"
#include "TreeView.h"
#include "UsuarioDePantalla.h"
#include "Volcado.h"
#include "flatButton.h"
#include "frmCATAddCuCo.h"
#include "frmInput.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QTimer>
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

// Groups whose descriptions hold what a hostile search types, beside near misses that only a
// wildcard or a quote undone by an escape would find. Headings under the root: each node shows
// its description alone.
const QList<QPair<QString, QString>> kGruposBuscados{
    {QStringLiteral("C01"), QStringLiteral("O'BRIEN Y ASOCIADOS")},
    {QStringLiteral("C02"), QStringLiteral("DOBLE '' COMILLA")},
    {QStringLiteral("C03"), QStringLiteral("DICE \"HOLA\"")},
    {QStringLiteral("C04"), QStringLiteral("RUTA C:\\TEMP\\NUEVO")},
    {QStringLiteral("C05"), QStringLiteral("' OR 1=1 --")},
    {QStringLiteral("C06"), QStringLiteral("100% INTERESES")},
    {QStringLiteral("C07"), QStringLiteral("1000 INTERESES")},
    {QStringLiteral("C08"), QStringLiteral("CUENTA_A")},
    {QStringLiteral("C09"), QStringLiteral("CUENTAXA")},
    {QStringLiteral("C10"), QStringLiteral("X;DROP TABLE Grupo_Cuenta_Contable;--")},
    {QStringLiteral("C11"), QStringLiteral("TAB\tY CAMPANA\u0007")},
    {QStringLiteral("C12"), QStringLiteral("حساب جاري")},
    {QStringLiteral("C13"), QStringLiteral("\u202eTRAPAC \u200fקופה")},
    {QStringLiteral("C14"), QStringLiteral("CAFE\u0301 MOLIDO")},
    {QStringLiteral("C15"), QStringLiteral("CAFÉ EN GRANO")},
    {QStringLiteral("C16"), QStringLiteral("CAFETERA")},
};
// Ten thousand characters, past the table's own limit (written by another program).
const QString kDescripcionEnorme = QString(9997, QLatin1Char('Z')) + QStringLiteral("FIN");

// Key presses that each carry one character, as a keyboard layout delivers them; QTest's
// keyClicks only carries Latin-1.
void teclear(QWidget* caja, const QString& texto)
{
    for (const QChar c : texto)
        QTest::sendKeyEvent(QTest::Click, caja, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Ctrl+B on the tree; the prompt gets `texto` typed key by key or pasted, then Aceptar. A
// watchdog hides a prompt still open after five seconds, so a broken search fails the test.
void buscarConCtrlB(UsuarioDePantalla& usuario, const QString& texto, bool pegado)
{
    QTimer::singleShot(0, [&] {
        frmInput& entrada = frmInput::Instancia();
        if (pegado) {
            QGuiApplication::clipboard()->setText(texto);
            QTest::keyClick(entrada.txtValor(), Qt::Key_V, Qt::ControlModifier);
        } else {
            teclear(entrada.txtValor(), texto);
        }
        QTest::mouseClick(entrada.cmdAceptar(), Qt::LeftButton);
    });
    QTimer perro;
    perro.setSingleShot(true);
    QObject::connect(&perro, &QTimer::timeout, [] {
        qWarning("watchdog: the search prompt was still open");
        frmInput::Instancia().Hide();
    });
    perro.start(5000);
    QTest::keyClick(&usuario.Arbol(), Qt::Key_B, Qt::ControlModifier);
}

QString claveDelActual(UsuarioDePantalla& usuario)
{
    QTreeWidgetItem* actual = usuario.Arbol().currentItem();
    return actual ? TreeView::Key(actual).mid(1) : QString();
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
    void busquedaHostil_data();
    void busquedaHostil();
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

void PruebaTextoHostil::busquedaHostil_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("pegado");
    QTest::addColumn<QStringList>("halladas");
    const auto fila = [](const char* nombre, const QString& texto, bool pegado, const QStringList& halladas) {
        QTest::newRow(nombre) << texto << pegado << halladas;
    };
    fila("quote", QStringLiteral("'"), false, {"C01", "C02", "C05"});
    fila("two quotes", QStringLiteral("''"), false, {"C02"});
    fila("double quotes", QStringLiteral("\"HOLA\""), false, {"C03"});
    fila("backslash", QStringLiteral("\\"), false, {"C04"});
    fila("path", QStringLiteral("C:\\TEMP\\"), false, {"C04"});
    fila("or 1=1", QStringLiteral("' OR 1=1 --"), false, {"C05"});
    fila("or '1'='1'", QStringLiteral("' OR '1'='1"), false, {});
    fila("percent", QStringLiteral("%"), false, {"C06"});
    fila("100%", QStringLiteral("100%"), false, {"C06"});
    fila("underscore", QStringLiteral("_"), false, {"C08", "C10"});
    fila("cuenta_a", QStringLiteral("cuenta_a"), false, {"C08"});
    fila("drop table", QStringLiteral(";DROP TABLE Grupo_Cuenta_Contable;--"), false, {"C10"});
    fila("drop table of another", QStringLiteral("';DROP TABLE Kes_Bitacora;--"), false, {});
    fila("tab pasted", QStringLiteral("\tY"), true, {"C11"});
    fila("bell pasted", QStringLiteral("\u0007"), true, {"C11"});
    fila("arabic", QStringLiteral("جاري"), false, {"C12"});
    fila("right-to-left override pasted", QStringLiteral("\u202eTRAPAC \u200f"), true, {"C13"});
    fila("hebrew", QStringLiteral("קופה"), false, {"C13"});
    fila("combining accent", QStringLiteral("CAFE\u0301 M"), false, {"C14"});
    fila("accented, precomposed", QStringLiteral("café e"), false, {"C15"});
    fila("accent ignored", QStringLiteral("cafe"), false, {"C14", "C15", "C16"});
    fila("lone combining mark", QString(QChar(0x0301)), false, {});
    fila("ten thousand, present", kDescripcionEnorme, true, {"C17"});
    fila("ten thousand quotes", QString(10000, QLatin1Char('\'')), true, {});
}

// Every node the search reaches: Ctrl+B finds the first, F3 the next, until it comes round.
void PruebaTextoHostil::busquedaHostil()
{
    QFETCH(QString, texto);
    QFETCH(bool, pegado);
    QFETCH(QStringList, halladas);
    BaseDePrueba base;
    for (const auto& [clave, descripcion] : kGruposBuscados)
        base.InsertarGrupo(clave, descripcion, QString());
    base.Ejecutar(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    base.InsertarGrupo(QStringLiteral("C17"), kDescripcionEnorme, QString());
    base.Ejecutar(QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
    UsuarioDePantalla usuario;
    const QStringList antes = Volcado::Grupos(*base.Conexion());
    QVERIFY(usuario.Seleccionar(QStringLiteral("0")));
    base.LimpiarMensajes();
    base.LimpiarTraza();

    buscarConCtrlB(usuario, texto, pegado);
    QVERIFY(!frmInput::Instancia().Cargado());
    QCOMPARE(usuario.Forma().TextoBuscado, texto);  // the prompt gave the text as it was entered
    QStringList encontradas;
    for (QString clave = claveDelActual(usuario); clave != QLatin1String("0") && !encontradas.contains(clave);
         clave = claveDelActual(usuario)) {
        encontradas << clave;
        QTest::keyClick(&usuario.Arbol(), Qt::Key_F3);
    }
    encontradas.sort();
    QCOMPARE(encontradas, halladas);

    const auto busquedas = base.TrazaDe(QStringLiteral("BuscarEnArbol"));
    QVERIFY(!busquedas.isEmpty());
    for (const QJsonObject& busqueda : busquedas)
        QCOMPARE(busqueda.value(QStringLiteral("texto")).toString(), texto);
    if (halladas.isEmpty()) {
        const auto mensajes = base.Mensajes();
        QCOMPARE(mensajes.size(), 1);
        QCOMPARE(mensajes[0].texto, QStringLiteral("No se encontró \"%1\"").arg(texto));
        QCOMPARE(mensajes[0].estilo, 48L);
    } else {
        QVERIFY2(base.Mensajes().isEmpty(), qPrintable(base.Mensajes().value(0).texto));
    }
    // The screen ran no statement while searching: the search reads the tree's own texts.
    QCOMPARE(base.Sentencias(), QStringList());
    QCOMPARE(Volcado::Grupos(*base.Conexion()), antes);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PruebaTextoHostil prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_TextoHostil.moc"
