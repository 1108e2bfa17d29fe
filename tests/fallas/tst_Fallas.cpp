// Faults and hostile input under the real screen and editor, on real databases: nothing
// committed is lost, nothing refused is half kept, and every text comes back exactly.

#include "BaseDePrueba.h"
#include "TreeView.h"
#include "UsuarioDePantalla.h"
#include "VigiaModal.h"
#include "frmInput.h"

#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <libpq-fe.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString s_sinMontajePropio;  // why no mount namespace of our own; set by main() while single-threaded

enum Falla { Bloqueo, SoloLectura, DiscoLleno, Nul, Largo, SesionTerminada, ServidorCallado };
const char* const kFallas[] = {"locked", "read-only", "disk full", "NUL", "10,000 characters",
                               "PostgreSQL session ended", "PostgreSQL server silent"};
const QString kCausas[] = {u"La base de datos está ocupada"_s,
                           u"La base de datos es de solo lectura"_s,
                           u"El disco está lleno"_s,
                           u"El texto contiene un carácter nulo"_s,
                           u"Un valor no es válido para la base de datos"_s,
                           u"Se perdió la conexión"_s,
                           u"El servidor de la base de datos no respondió"_s};
constexpr int kEsperaServidorMs = 1500;

// Each kind of change where it would succeed; `sentencia` is the change's own statement.
struct Cambio
{
    const char* nombre;
    QString idError, sentencia;
    std::function<bool(UsuarioDePantalla&, const QString& sufijo)> hacer;
};
const Cambio kCambios[]
    = {{"delete", u"ERR-ID:7500013"_s, u"DELETE FROM Grupo_Cuenta_Contable"_s,
        [](auto& u, auto&) { return u.Eliminar(u"B"_s); }},
       {"new", u"ERR-ID:7500027"_s, u"INSERT INTO Grupo_Cuenta_Contable"_s,
        [](auto& u, auto& s) { return !u.Nuevo(u"A"_s, u"ZZ"_s, u"NUEVO"_s + s, {}); }},
       {"edit", u"ERR-ID:7500027"_s, u"UPDATE Grupo_Cuenta_Contable SET    Gcc_Descripcion"_s,
        [](auto& u, auto& s) { return !u.Editar(u"100"_s, u"BANCOS Y CAJA"_s + s, u"1.1"_s); }},
       {"rename", u"ERR-ID:7500015"_s, {}, [](auto& u, auto& s) { return u.Renombrar(u"B"_s, u"pasivo total"_s + s); }},
       {"change key", u"ERR-ID:7500004"_s, u"UPDATE Grupo_Cuenta_Contable SET Gcc_Padre"_s,
        [](auto& u, auto& s) { return u.CambiarClave(u"A"_s, u"Z"_s + s); }}};

// The child the kill test ends: it adds groups C1, C2... through the editor, printing "ok KEY"
// for each one committed, and stops inside the transaction of the second, right after its insert.
int escritor(int argc, char** argv)
{
    QApplication app(argc, argv);
    BaseDePrueba apoyo;  // the screen opens over a test base; the session then goes to the parent's file
    Sesion::Configuracion c = apoyo.Configuracion();
    c.archivo = app.arguments()[2];
    Sesion::Configurar(c);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int inserciones = 0;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        if (llamada[u"sql"_s].toString().startsWith(kCambios[1].sentencia) && ++inserciones == 2) {
            std::puts("dentro");
            std::this_thread::sleep_for(std::chrono::seconds(60));  // not forever if the parent is gone
        }
    });
    UsuarioDePantalla usuario(apoyo);
    for (int n = 1; usuario.Nuevo(u"0"_s, u"C%1"_s.arg(n), u"GRUPO"_s, {}); ++n)
        std::printf("ok C%d\n", n);
    return 2;
}

const QStringList kPiezas
    = u"'|''|\"|\\|\\'|--|;|%|_|/*|*/|?|$1|:nombre|' OR '1'='1|'); DROP TABLE Grupo_Cuenta_Contable; --|"
      "\\x27|E'\\''|$$|\u200f|\u202e|\u200e|مرحبا|שלום|e\u0301|\u0301|😀|𝄞|ñÑáÉü|ß|CAJA| |  |1.2"_s.split(u'|');
// One UTF-16 unit each, so that the key box's six hold them.
const QString kCaracteresDeClave = u"'\"\\%_;-*/?$éñאب\u0007\u200f"_s;
const QRegularExpression kEspaciosAlBorde(u"^ +| +$"_s);

// Pieces and control characters up to `largo` UTF-16 units, never cutting a pair.
QString texto(QRandomGenerator& azar, int largo)
{
    QString t;
    for (const int objetivo = int(azar.bounded(largo + 1)); t.size() < objetivo;) {
        const QString pieza = azar.bounded(3) == 0 ? QString(QChar(char16_t(1 + azar.bounded(0x1f))))
                                                   : kPiezas[int(azar.bounded(kPiezas.size()))];
        if (t.size() + pieza.size() > largo)
            break;
        t += pieza;
    }
    return t;
}

// Two hostile characters and a counter: no other group has it once upper-cased.
QString clave(QRandomGenerator& azar, int n)
{
    const auto caracter = [&] { return kCaracteresDeClave[int(azar.bounded(kCaracteresDeClave.size()))]; };
    return QString(caracter()) + caracter() + QString::number(n, 36);
}

// A group's description, code and parent as stored; none without the group.
QStringList fila(BaseDePrueba& base, const QString& clave)
{
    auto rs = base.Conexion()->Execute(u"SELECT Gcc_Descripcion AS D, Gcc_Codigo AS C, Gcc_Padre AS P FROM "
                                       "Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s,
                                       {clave});
    return rs->Eof()
        ? QStringList()
        : QStringList{rs->Fields(u"D"_s).toString(), rs->Fields(u"C"_s).toString(), rs->Fields(u"P"_s).toString()};
}

// The search's rule: accents and case aside.
QString plano(const QString& t)
{
    QString p;
    for (const QChar c : t.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            p += c;
    return p.toCaseFolded();
}

// Headings under the root (a node shows the description alone), with near misses that only a
// wildcard or a quote undone by an escape would find.
const QStringList kBuscados = u"O'BRIEN Y ASOCIADOS|DOBLE '' COMILLA|DICE \"HOLA\"|RUTA C:\\TEMP\\NUEVO|' OR 1=1 --|"
                              "100% INTERESES|1000 INTERESES|CUENTA_A|CUENTAXA|X;DROP TABLE Grupo_Cuenta_Contable;--|"
                              "TAB\tY CAMPANA\u0007|حساب جاري|\u202eTRAPAC \u200fקופה|CAFE\u0301 MOLIDO|CAFÉ EN GRANO|"
                              "CAFETERA"_s.split(u'|')
    << QString(9997, u'Z') + u"FIN"_s;

#define HECHO_SIN_MENSAJES(hecho, paso)                                                                                \
    QVERIFY2((hecho) && base.Mensajes().isEmpty(),                                                                     \
             qPrintable(u"%1 %2: %3"_s.arg(paso).arg(n).arg(base.Mensajes().value(0).texto)))

} // namespace

class PruebaFallas : public QObject
{
    Q_OBJECT

private slots:
    void cambioRechazado_data();
    void cambioRechazado();
    void matadoDentroDelCambio();
    void textosGeneradosVuelvenIguales();
    void esquemaCambiadoConLaPantallaAbierta_data();
    void esquemaCambiadoConLaPantallaAbierta();
    void busquedaHostil_data();
    void busquedaHostil();
};

void PruebaFallas::cambioRechazado_data()
{
    QTest::addColumn<int>("falla");
    QTest::addColumn<int>("cambio");
    for (int f = Bloqueo; f <= ServidorCallado; ++f)
        for (int c = 0; c < 5; ++c)  // a delete takes no text; a rename has no transaction to roll back
            if (((f != Nul && f != Largo) || c != 0) && (f < SesionTerminada || c != 3))
                QTest::addRow("%s, %s", kFallas[f], kCambios[c].nombre) << f << c;
}

// On a heading A with a child A1, a leaf heading B and a group 100, each fault refuses each kind
// of change where it would succeed.
void PruebaFallas::cambioRechazado()
{
    QFETCH(int, falla);
    QFETCH(int, cambio);
    const auto motor = falla >= SesionTerminada ? BaseDePrueba::Motor::PostgreSQL : BaseDePrueba::Motor::SQLite;
    REQUIERE_MOTOR(motor);
    // Without a mount namespace of its own (not root) it skips, unless TEST_TMPFS_REQUIRED makes the mount below fail
    // it.
    if (falla == DiscoLleno && !s_sinMontajePropio.isEmpty() && !qEnvironmentVariableIntValue("TEST_TMPFS_REQUIRED"))
        QSKIP(qPrintable(u"No tmpfs of the test's own (%1): run as root"_s.arg(s_sinMontajePropio)));
    QTemporaryDir disco;
    const QByteArray punto = QFile::encodeName(disco.path());
    if (falla == DiscoLleno)
        QVERIFY2(::mount("tmpfs", punto.constData(), "tmpfs", 0, "size=512k,mode=0700") == 0, std::strerror(errno));
    const int relleno = falla == DiscoLleno ? ::open((punto + "/relleno").constData(), O_WRONLY | O_CREAT, 0600) : -1;
    auto desmontar = qScopeGuard([&] {
        if (falla == DiscoLleno) {
            ::close(relleno);
            ::umount2(punto.constData(), MNT_DETACH);
        }
    });
    BaseDePrueba base(motor);
    Sesion::Configuracion configuracion = base.Configuracion();
    configuracion.esperaBloqueoMs = 150;
    if (falla == DiscoLleno)  // the write-ahead log and shared memory go beside it
        configuracion.archivo = disco.filePath(u"catalogo.db"_s);
    configuracion.esperaServidorMs = kEsperaServidorMs;
    Sesion::Configurar(configuracion);
    base.InsertarGrupo(u"A"_s, u"ACTIVO"_s);
    base.InsertarGrupo(u"A1"_s, u"CAJA"_s, {}, u"A"_s, 2);
    base.InsertarGrupo(u"B"_s, u"PASIVO"_s);
    base.InsertarGrupo(u"100"_s, u"BANCOS"_s, u"1"_s);
    UsuarioDePantalla u(base);
    const auto pid = [&] { return base.Valor(u"SELECT pg_backend_pid()"_s).toInt(); };
    std::function<void()> quitar;  // takes the fault away
    if (falla == Bloqueo) {
        sqlite3* otro = nullptr;
        sqlite3_open(base.Archivo().toUtf8().constData(), &otro);
        quitar = [otro] { sqlite3_close(otro); };  // its transaction ends with it
        QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else if (falla == SoloLectura) {
        // Immutable even for root; read-only for its owner where chattr is refused.
        const auto inalterable = [archivo = base.Archivo()](bool si) {
            Sesion::Cerrar();
            if (QProcess::execute(u"chattr"_s, {si ? u"+i"_s : u"-i"_s, archivo}) != 0 || !si)
                QFile::setPermissions(archivo,
                                      si ? QFileDevice::ReadOwner : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        };
        inalterable(true);
        quitar = [=] { inalterable(false); };
        u.Forma().CargarCuentas();  // reading still works
    } else if (falla == DiscoLleno) {
        QVERIFY(QFile::exists(configuracion.archivo + u"-wal"_s) && QFile::exists(configuracion.archivo + u"-shm"_s));
        off_t lleno = 0;
        for (ssize_t n; (n = ::write(relleno, QByteArray(4096, 'x').constData(), 4096)) > 0;)
            lleno += n;
        QCOMPARE(errno, ENOSPC);
        quitar = [=] { ::ftruncate(relleno, lleno / 2); };
    } else if (falla >= SesionTerminada) {
        // Right after the change's own statement the session is ended (the server rolls the
        // change back), or its backend is stopped, holding its locks, until the end.
        const int proceso = pid();
        Sesion::EstablecerObservadorTraza(
            [=, sentencia = kCambios[cambio].sentencia, hecho = false](const QJsonObject& l) mutable {
                if (!hecho && l[u"sql"_s].toString().startsWith(sentencia))
                    hecho = falla == SesionTerminada ? BaseDePrueba::TerminarSesion(proceso)
                                                     : ::kill(proceso, SIGSTOP) == 0;
            });
        quitar = [=] {
            Sesion::EstablecerObservadorTraza({});
            if (falla == ServidorCallado && ::kill(proceso, SIGCONT) == 0)
                BaseDePrueba::TerminarSesion(proceso);  // waits until its transaction is gone
        };
    }
    {
        auto alFinal = qScopeGuard([&] {
            if (quitar)
                quitar();
        });
        const QStringList antes = UsuarioDePantalla::Estado(*base.Conexion());
        base.LimpiarMensajes();
        const QString sufijo = falla == Nul ? QChar(0) + u"MÁS"_s
            : falla == Largo                ? QString(9999, QChar(0x05d0)) + u'\''
                                            : QString();
        QElapsedTimer reloj;
        reloj.start();
        QVERIFY(kCambios[cambio].hacer(u, sufijo));
        QVERIFY2(reloj.elapsed() < kEsperaServidorMs + 8000, qPrintable(QString::number(reloj.elapsed())));
        const auto m = base.Mensajes();
        QVERIFY2(m.size() == 1 && m[0].estilo == 16 && m[0].idError == kCambios[cambio].idError
                     && m[0].texto.startsWith(kCausas[falla]),
                 qPrintable(PantallaDePrueba::Mensajes(base).join(u'\n')));
        QVERIFY(!base.Conexion()->EnTransaccion());
        QCOMPARE(UsuarioDePantalla::Estado(*base.Conexion()), antes);
    }
    // The fault gone, the same screen deletes B and adds ZZ. A session ended between commands is
    // opened anew by the next; a failed delete took B's node out, which F5 brings back.
    const auto antesDeCada = [&] {
        u.Forma().CargarCuentas();
        if (falla == SesionTerminada)
            QVERIFY(BaseDePrueba::TerminarSesion(pid()));
    };
    base.LimpiarMensajes();
    antesDeCada();
    QVERIFY(u.Eliminar(u"B"_s) && !u.Nodo(u"B"_s));
    antesDeCada();
    QVERIFY(u.Nuevo(u"A"_s, u"ZZ"_s, u"NUEVO"_s, {}));
    QCOMPARE(PantallaDePrueba::Mensajes(base), QStringList());
    QCOMPARE(base.Claves(), QStringList({u"100"_s, u"A"_s, u"A1"_s, u"ZZ"_s}));
    if (motor == BaseDePrueba::Motor::SQLite)
        QCOMPARE(base.Valor(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
}

// Killed with SIGKILL inside the transaction of its second add: on reopening the file is sound,
// the first add is there with its audit row, the second wholly absent, and the screen works.
void PruebaFallas::matadoDentroDelCambio()
{
    BaseDePrueba base;
    Sesion::Cerrar();
    QProcess hijo;
    hijo.start(QCoreApplication::applicationFilePath(), {u"--escritor"_s, base.Archivo()});
    QByteArray salida;
    while (!salida.endsWith("dentro\n")) {
        QVERIFY2(hijo.waitForReadyRead(30000), hijo.readAllStandardError().constData());
        salida += hijo.readAllStandardOutput();
    }
    QVERIFY(hijo.processId() > 0 && ::kill(pid_t(hijo.processId()), SIGKILL) == 0 && hijo.waitForFinished(5000));
    QCOMPARE(hijo.exitStatus(), QProcess::CrashExit);
    QCOMPARE(salida, "ok C1\ndentro\n");
    QCOMPARE(base.Valor(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
    QCOMPARE(base.Claves(), QStringList{u"C1"_s});
    QCOMPARE(base.Valor(u"SELECT group_concat(DISTINCT Bit_Clave) FROM Kes_Bitacora"_s).toString(), u"C1"_s);
    UsuarioDePantalla usuario(base);
    QVERIFY(usuario.Nuevo(u"0"_s, u"C2"_s, u"AHORA SÍ"_s, {}));
    QCOMPARE(base.Claves(), QStringList({u"C1"_s, u"C2"_s}));
}

// Thousands of generated texts through the editor's insert and update, the rename in place and
// the change-key box, each read back with a bound SELECT; then the hostile key's delete takes
// only that group.
void PruebaFallas::textosGeneradosVuelvenIguales()
{
    const int vueltas
        = qEnvironmentVariableIntValue("TQ614_TEXTOS") > 0 ? qEnvironmentVariableIntValue("TQ614_TEXTOS") : 750;
    BaseDePrueba base;
    const QString padre = u"P'\\%"_s;
    base.InsertarGrupo(padre, u"PADRE 'HOSTIL'"_s);
    base.InsertarGrupo(u"B"_s, u"VECINO"_s);
    UsuarioDePantalla usuario(base);
    QRandomGenerator azar(614);
    const QStringList vecinos = UsuarioDePantalla::Estado(*base.Conexion()).mid(0, 2);
    for (int n = 0; n < vueltas; ++n) {
        base.LimpiarMensajes();
        const QString tecleada = clave(azar, n), guardada = tecleada.toUpper(),
                      enPadre = azar.bounded(2) ? padre : u"0"_s;
        const QString descripcion = texto(azar, 200), codigo = texto(azar, 30);
        if (descripcion.isEmpty())
            continue;  // the editor's own refusal of an empty description
        // The key upper-cased, the rest as typed.
        HECHO_SIN_MENSAJES(usuario.Nuevo(enPadre, tecleada, descripcion, codigo, u"1"_s), "new");
        QCOMPARE(fila(base, guardada), QStringList({descripcion, codigo, enPadre}));
        // The update trims the code's spaces; an empty code is typed as empty, not kept.
        const QString descripcion2 = texto(azar, 200), codigo2 = texto(azar, 30);
        if (!descripcion2.isEmpty()) {
            HECHO_SIN_MENSAJES(usuario.Editar(guardada, descripcion2, codigo2.isNull() ? u""_s : codigo2), "edit");
            QCOMPARE(fila(base, guardada),
                     QStringList({descripcion2, QString(codigo2).remove(kEspaciosAlBorde), enPadre}));
        }
        // The rename stores the label without the key and dashes, trimmed, in upper case.
        usuario.Forma().CargarCuentas();
        if (const QString etiqueta = texto(azar, 200); !etiqueta.isEmpty()) {
            HECHO_SIN_MENSAJES(usuario.Renombrar(guardada, etiqueta), "rename");
            QCOMPARE(fila(base, guardada).value(0),
                     QString(etiqueta).remove(guardada).remove(u'-').remove(kEspaciosAlBorde).toUpper());
        }
        QString actual = guardada;
        if (azar.bounded(15) == 0) {
            const QString nueva = clave(azar, n + 100000);
            int cuadros = 0;
            HECHO_SIN_MENSAJES(usuario.CambiarClave(actual, nueva, &cuadros), "change key");
            QCOMPARE(cuadros, 1);
            QVERIFY(fila(base, actual).isEmpty());
            actual = nueva.toUpper();
            QCOMPARE(fila(base, actual).value(2), enPadre);
        }
        HECHO_SIN_MENSAJES(usuario.Eliminar(actual), "delete");
        QCOMPARE(UsuarioDePantalla::Estado(*base.Conexion()).mid(0, 2), vecinos);
    }
}

void PruebaFallas::esquemaCambiadoConLaPantallaAbierta_data()
{
    QTest::addColumn<BaseDePrueba::Motor>("motor");
    QTest::addColumn<bool>("reordenada");
    for (const auto motor : {BaseDePrueba::Motor::SQLite, BaseDePrueba::Motor::PostgreSQL}) {
        const QByteArray nombre = BaseDePrueba::NombreMotor(motor).toLatin1();
        QTest::addRow("%s, column added", nombre.constData()) << motor << false;
        QTest::addRow("%s, table rebuilt in another column order", nombre.constData()) << motor << true;
    }
}

// An administrator changes the table while the screen is open: F5, a click, Edit and its save
// and New work at once, read the fields they name and write them where they belong.
void PruebaFallas::esquemaCambiadoConLaPantallaAbierta()
{
    QFETCH(BaseDePrueba::Motor, motor);
    QFETCH(bool, reordenada);
    REQUIERE_MOTOR(motor);
    BaseDePrueba base(motor);
    base.InsertarGrupo(u"A"_s, u"ACTIVO"_s);
    base.InsertarGrupo(u"100"_s, u"BANCOS"_s, u"1.1"_s, u"A"_s, 2);
    UsuarioDePantalla u(base);
    const QStringList arbol = u.Descripcion();
    u.Seleccionar(u"100"_s);
    if (reordenada)
        base.ReordenarCatalogoAparte();
    else
        base.EjecutarAparte(u"ALTER TABLE Grupo_Cuenta_Contable ADD COLUMN Gcc_Nueva TEXT DEFAULT 'x'"_s);

    QTest::keyClick(&u.Arbol(), Qt::Key_F5);
    QCOMPARE(u.Descripcion(), arbol);
    QVERIFY(u.Seleccionar(u"100"_s));
    const auto detalle = [&] {
        return QStringList({u.Forma().txtClave()->text(), u.Forma().txtCuenta()->text(), u.Forma().txtCodigo()->text(),
                            u.Forma().txtNivel()->text()});
    };
    QCOMPARE(detalle(), QStringList({u"100"_s, u"BANCOS"_s, u"1.1"_s, u"2"_s}));
    QStringList enElEditor;
    {
        VigiaModal editor([&](QWidget*) {
            frmCATAddCuCo& e = frmCATAddCuCo::Instancia();
            enElEditor
                = {e.txtPadre()->text(), e.txtDescripcion()->text(), e.txtCodigo()->text(), e.txtNivel()->text()};
            e.txtDescripcion()->setText(u"BANCOS Y CAJA"_s);
            e.cmdAceptar();
        });
        u.Forma().Controles_Editar();
        QCOMPARE(editor.Abiertas(), 1);
    }
    QCOMPARE(enElEditor, QStringList({u"A"_s, u"BANCOS"_s, u"1.1"_s, u"2"_s}));
    QVERIFY(u.Nuevo(u"A"_s, u"101"_s, u"CAJA"_s, u"1.2"_s));
    QCOMPARE(PantallaDePrueba::Mensajes(base), QStringList());
    QCOMPARE(fila(base, u"100"_s), QStringList({u"BANCOS Y CAJA"_s, u"1.1"_s, u"A"_s}));
    QCOMPARE(fila(base, u"101"_s), QStringList({u"CAJA"_s, u"1.2"_s, u"A"_s}));
    QCOMPARE(base.Valor(u"SELECT Oper_Alta || '|' || Gcc_Nivel || '|' || Es_Cve_Estado FROM Grupo_Cuenta_Contable "
                        "WHERE Gcc_Cve_Grupo_Cuenta_Contable = '100'"_s)
                 .toString(),
             u"PRUEBA|2|AC"_s);
}

void PruebaFallas::busquedaHostil_data()
{
    QTest::addColumn<QString>("texto");
    for (const auto& [fila, texto] :
         std::initializer_list<std::pair<const char*, QString>>{{"quote", "'"},
                                                                {"two quotes", "''"},
                                                                {"double quotes", "\"HOLA\""},
                                                                {"backslash", "\\"},
                                                                {"path", "C:\\TEMP\\"},
                                                                {"or 1=1", "' OR 1=1 --"},
                                                                {"or '1'='1'", "' OR '1'='1"},
                                                                {"percent", "%"},
                                                                {"100%", "100%"},
                                                                {"underscore", "_"},
                                                                {"cuenta_a", "cuenta_a"},
                                                                {"drop table", ";DROP TABLE Grupo_Cuenta_Contable;--"},
                                                                {"drop another", "';DROP TABLE Kes_Bitacora;--"},
                                                                {"tab", "\tY"},
                                                                {"bell", "\u0007"},
                                                                {"arabic", "جاري"},
                                                                {"right-to-left override", "\u202eTRAPAC \u200f"},
                                                                {"hebrew", "קופה"},
                                                                {"combining accent", "CAFE\u0301 M"},
                                                                {"precomposed accent", "café e"},
                                                                {"accent ignored", "cafe"},
                                                                {"lone combining mark", QString(QChar(0x0301))},
                                                                {"ten thousand, present", kBuscados.last()},
                                                                {"ten thousand quotes", QString(10000, u'\'')}})
        QTest::newRow(fila) << texto;
}

// Ctrl+B finds the first node, F3 each next until the search comes round: exactly the groups
// whose text holds the text, from the tree's own texts with no statement run.
void PruebaFallas::busquedaHostil()
{
    QFETCH(QString, texto);
    // Pasted when no key types it (a control or format character) or it is too long to type.
    const bool pegado = texto.size() > 100 || std::any_of(texto.begin(), texto.end(), [](QChar c) {
                            return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
                        });
    BaseDePrueba base;
    QStringList esperadas;
    base.Ejecutar(u"PRAGMA ignore_check_constraints = ON"_s);  // the last is past the table's length check
    for (int i = 0; i < kBuscados.size(); ++i) {
        const QString clave = u"C"_s + QString::number(i + 1).rightJustified(2, u'0');
        base.InsertarGrupo(clave, kBuscados[i]);
        if (!plano(texto).isEmpty() && plano(kBuscados[i]).contains(plano(texto)))
            esperadas << clave;
    }
    // Bytes that are not UTF-8, as another program could write them: they load without a report.
    base.Ejecutar(
        u"INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo) VALUES ('X1',"
        " CAST(X'C328FF41C0AF' AS TEXT), CAST(X'E282' AS TEXT)), (CAST(X'58FE' AS TEXT), X'00FF4142', X'80')"_s);
    UsuarioDePantalla usuario(base);
    const QStringList antes = UsuarioDePantalla::Estado(*base.Conexion());
    usuario.SeleccionarParaComando(u"0"_s);
    VigiaModal vigia([](QWidget*) {});  // hides a prompt still open after five seconds
    QTimer::singleShot(0, [&] {
        QLineEdit* caja = frmInput::Instancia().txtValor();
        if (pegado) {
            QGuiApplication::clipboard()->setText(texto);
            QTest::keyClick(caja, Qt::Key_V, Qt::ControlModifier);
        }
        for (const QChar c : pegado ? QString() : texto)  // one character per key, as a keyboard layout gives it
            QTest::sendKeyEvent(QTest::Click, caja, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::mouseClick(frmInput::Instancia().cmdAceptar(), Qt::LeftButton);
    });
    QTest::keyClick(&usuario.Arbol(), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(usuario.Forma().TextoBuscado, texto);  // what the prompt gave, unless the watchdog closed it
    QStringList halladas;
    for (QString c; (c = TreeView::Key(usuario.Arbol().currentItem()).mid(1)) != "0"_L1 && !halladas.contains(c);) {
        halladas << c;
        QTest::keyClick(&usuario.Arbol(), Qt::Key_F3);
    }
    halladas.sort();
    QCOMPARE(halladas, esperadas);
    QCOMPARE(base.TrazaDe(u"BuscarEnArbol"_s).value(0)[u"texto"_s].toString(), texto);  // as the host's search got it
    QCOMPARE(PantallaDePrueba::Mensajes(base),
             esperadas.isEmpty() ? QStringList{u"48 | Buscar |  | No se encontró \"%1\""_s.arg(texto)} : QStringList());
    QCOMPARE(base.Sentencias(), QStringList());
    QCOMPARE(UsuarioDePantalla::Estado(*base.Conexion()), antes);
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--escritor") == 0)
        return escritor(argc, argv);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        s_sinMontajePropio = QString::fromLocal8Bit(std::strerror(errno));
    QApplication app(argc, argv);
    PruebaFallas prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_Fallas.moc"
