// Faults of a SQLite database while the catalogue's changes run through the real screen and
// editor: another process holding the write lock past the wait limit, a file that cannot be
// written, a full disk (a real one: a tiny tmpfs that the test mounts in a mount namespace of
// its own), and the program killed in the middle of a change. Each refused change
// must end in the procedure's own error report, leave the catalogue and its audit log exactly
// as they were, and leave a screen whose next command works.

#include "BaseDePrueba.h"
#include "Sesion.h"
#include "TreeView.h"
#include "UsuarioDePantalla.h"
#include "Volcado.h"
#include "frmTQ614.h"
#include "txtKES.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kErrEliminar = QStringLiteral("ERR-ID:7500013");
const QString kErrGuardar = QStringLiteral("ERR-ID:7500027");
const QString kErrRenombrar = QStringLiteral("ERR-ID:7500015");
const QString kErrCambiarClave = QStringLiteral("ERR-ID:7500004");

// A heading A with one child A1, a leaf heading B and a numeric group 100.
void catalogo(BaseDePrueba& base)
{
    base.InsertarGrupo(QStringLiteral("A"), QStringLiteral("ACTIVO"), QString());
    base.InsertarGrupo(QStringLiteral("A1"), QStringLiteral("CAJA"), QString(), QStringLiteral("A"), 2);
    base.InsertarGrupo(QStringLiteral("B"), QStringLiteral("PASIVO"), QString());
    base.InsertarGrupo(QStringLiteral("100"), QStringLiteral("BANCOS"), QStringLiteral("1"));
}

struct Cambio
{
    const char* nombre;
    QString idError;
    std::function<void(UsuarioDePantalla&)> hacer;
};

// Every kind of change the screen makes, each on a group where it would succeed.
QList<Cambio> cambios()
{
    return {
        {"eliminar", kErrEliminar, [](UsuarioDePantalla& u) { QVERIFY(u.Eliminar(QStringLiteral("B"))); }},
        {"nuevo", kErrGuardar,
         [](UsuarioDePantalla& u) {
             QVERIFY(!u.Nuevo(QStringLiteral("A"), QStringLiteral("ZZ"), QStringLiteral("NUEVO"), QString()));
         }},
        {"editar", kErrGuardar,
         [](UsuarioDePantalla& u) {
             QVERIFY(!u.Editar(QStringLiteral("100"), QStringLiteral("BANCOS Y CAJA"), QStringLiteral("1.1")));
         }},
        {"renombrar", kErrRenombrar,
         [](UsuarioDePantalla& u) { QVERIFY(u.Renombrar(QStringLiteral("B"), QStringLiteral("pasivo total"))); }},
        {"cambiar clave", kErrCambiarClave,
         [](UsuarioDePantalla& u) { QVERIFY(u.CambiarClave(QStringLiteral("A"), QStringLiteral("Z"))); }},
    };
}

// Runs one change that the database must refuse, and checks the report and the data.
void comprobarRechazo(BaseDePrueba& base, UsuarioDePantalla& usuario, const Cambio& cambio, const QString& causa)
{
    Connection& conexion = *Sesion::Conexion();
    const QStringList antes = Volcado::Grupos(conexion);
    const qlonglong bitacora = Volcado::Bitacora(conexion);
    base.LimpiarMensajes();

    cambio.hacer(usuario);
    if (QTest::currentTestFailed())
        return;

    const auto mensajes = base.Mensajes();
    QVERIFY2(mensajes.size() == 1, cambio.nombre);
    QCOMPARE(mensajes[0].idError, cambio.idError);
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].proyecto, QStringLiteral("TQ614"));
    QVERIFY2(mensajes[0].texto.startsWith(causa), qPrintable(QStringLiteral("%1: %2").arg(cambio.nombre, mensajes[0].texto)));
    QVERIFY2(!Sesion::Conexion()->EnTransaccion(), cambio.nombre);
    QCOMPARE(Volcado::Grupos(*Sesion::Conexion()), antes);
    QCOMPARE(Volcado::Bitacora(*Sesion::Conexion()), bitacora);
}

// After the fault is gone the same screen deletes B and adds a group.
void comprobarQueSigueFuncionando(BaseDePrueba& base, UsuarioDePantalla& usuario)
{
    base.LimpiarMensajes();
    QVERIFY(usuario.Eliminar(QStringLiteral("B")));
    QVERIFY(!usuario.Nodo(QStringLiteral("B")));
    QVERIFY(usuario.Nuevo(QStringLiteral("A"), QStringLiteral("ZZ"), QStringLiteral("NUEVO"), QString()));
    QVERIFY2(base.Mensajes().isEmpty(), qPrintable(base.Mensajes().value(0).texto));
    QVERIFY(!base.Claves().contains(QStringLiteral("B")));
    QVERIFY(base.Claves().contains(QStringLiteral("ZZ")));
}

// Marks a file immutable (root) or read-only for its owner, and undoes it on destruction,
// whatever way the test ends.
class ArchivoInalterable
{
public:
    explicit ArchivoInalterable(const QString& archivo)
        : m_archivo(archivo)
    {
        m_chattr = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_archivo}) == 0;
        if (!m_chattr)
            QFile::setPermissions(m_archivo, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    ~ArchivoInalterable()
    {
        if (m_chattr)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_archivo});
        else
            QFile::setPermissions(m_archivo, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

private:
    QString m_archivo;
    bool m_chattr = false;
};

// --- A full disk -----------------------------------------------------------------------------

// Why this process has no mount namespace of its own (empty when it has one). Set by main()
// while the process still has a single thread, so that every later thread shares it.
QString s_sinMontajePropio = QStringLiteral("not tried");

QString montajePropio()
{
    if (::unshare(CLONE_NEWNS) != 0)
        return QStringLiteral("unshare(CLONE_NEWNS): %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    // Nothing mounted from here on is seen outside this process (and its children).
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("mount --make-rprivate /: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

// A tmpfs of `kib` KiB mounted on a temporary folder for as long as it lives, and a file
// that fills it to the last byte.
class DiscoDiminuto
{
public:
    explicit DiscoDiminuto(int kib)
    {
        const QByteArray opciones = "size=" + QByteArray::number(kib) + "k,mode=0700";
        if (!m_carpeta.isValid())
            m_error = QStringLiteral("no temporary folder");
        else if (::mount("tmpfs", QFile::encodeName(m_carpeta.path()).constData(), "tmpfs", 0, opciones.constData()) != 0)
            m_error = QStringLiteral("mount tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        else
            m_montado = true;
    }
    ~DiscoDiminuto()
    {
        // The database is closed by now; should anything still hold a file, the mount goes
        // when its last user does.
        if (m_montado && ::umount(QFile::encodeName(m_carpeta.path()).constData()) != 0)
            ::umount2(QFile::encodeName(m_carpeta.path()).constData(), MNT_DETACH);
    }

    QString Error() const { return m_error; }
    QString Archivo(const QString& nombre) const { return m_carpeta.filePath(nombre); }

    // Writes a filler file until the filesystem refuses with ENOSPC; true when it did.
    bool Llenar()
    {
        const int fd = ::open(QFile::encodeName(Archivo(QStringLiteral("relleno"))).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            return false;
        const QByteArray bloque(4096, 'x');
        int error = 0;
        for (;;) {
            const ssize_t escritos = ::write(fd, bloque.constData(), size_t(bloque.size()));
            if (escritos < 0) {
                error = errno;
                break;
            }
            m_relleno += escritos;
        }
        ::close(fd);
        return error == ENOSPC;
    }

    // Frees half of what the filler took.
    bool Liberar()
    {
        return ::truncate(QFile::encodeName(Archivo(QStringLiteral("relleno"))).constData(), m_relleno / 2) == 0;
    }

private:
    QTemporaryDir m_carpeta;
    QString m_error;
    bool m_montado = false;
    qint64 m_relleno = 0;
};

// --- The child writer, for the tests that kill it -------------------------------------------

void escribirLinea(const QString& linea)
{
    std::printf("%s\n", qPrintable(linea));
    std::fflush(stdout);
}

// Adds groups through the editor until it is killed. In mode "dentro" it stops inside the
// transaction of its second save, right after the insert, and says so; in mode "ciclo" it
// adds and edits groups as fast as it can, saying which saves were committed.
int escritor(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString modo = QString::fromLocal8Bit(argv[3]);
    Sesion::Configuracion c;
    c.archivo = QString::fromLocal8Bit(argv[2]);
    c.operador = QStringLiteral("HIJO");
    Sesion::Configurar(c);
    Sesion::RegistrarMensajes(true);
    int inserciones = 0;
    Sesion::EstablecerObservadorTraza([&](const QJsonObject& llamada) {
        const QString sql = llamada.value(QStringLiteral("sql")).toString();
        if (modo == QLatin1String("dentro") && sql.startsWith(QLatin1String("INSERT INTO Grupo_Cuenta_Contable"))
            && ++inserciones == 2) {
            escribirLinea(QStringLiteral("dentro"));
            std::this_thread::sleep_for(std::chrono::seconds(60));  // not forever if the parent is gone
        }
    });
    UsuarioDePantalla usuario;
    for (int n = 1; n < 100000; ++n) {
        const QString clave = QStringLiteral("C%1").arg(n);
        if (!usuario.Nuevo(QStringLiteral("0"), clave, QStringLiteral("GRUPO %1").arg(n), QString()))
            return 2;
        escribirLinea(QStringLiteral("ok ") + clave);
        if (n > 1 && !usuario.Editar(QStringLiteral("C%1").arg(n - 1), QStringLiteral("EDITADO %1").arg(n), QString()))
            return 3;
    }
    return 0;
}

QStringList clavesDeBitacora(BaseDePrueba& base)
{
    QStringList claves;
    auto rs = base.Conexion()->Execute(QStringLiteral("SELECT DISTINCT Bit_Clave AS Clave FROM Kes_Bitacora ORDER BY 1"),
                                       QVariantList());
    for (; !rs->Eof(); rs->MoveNext())
        claves << rs->Fields(QStringLiteral("Clave")).toString();
    return claves;
}

} // namespace

class PruebaFallasSqlite : public QObject
{
    Q_OBJECT

private slots:
    void bloqueadaPorOtroProceso();
    void archivoDeSoloLectura();
    void discoLlenoAlGuardar();
    void matadoDentroDeLaTransaccion();
    void matadoEnCualquierMomento();
};

void PruebaFallasSqlite::bloqueadaPorOtroProceso()
{
    BaseDePrueba base;
    Sesion::Configuracion c = base.Configuracion();
    c.esperaBloqueoMs = 150;
    Sesion::Configurar(c);
    catalogo(base);
    UsuarioDePantalla usuario;

    // Another program of the same database holds its write lock past the wait limit.
    sqlite3* otro = nullptr;
    QCOMPARE(sqlite3_open(base.Archivo().toUtf8().constData(), &otro), SQLITE_OK);
    QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    for (const Cambio& cambio : cambios()) {
        comprobarRechazo(base, usuario, cambio, QStringLiteral("La base de datos está ocupada"));
        if (QTest::currentTestFailed())
            break;
    }
    sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(otro);
    if (QTest::currentTestFailed())
        return;

    comprobarQueSigueFuncionando(base, usuario);
}

void PruebaFallasSqlite::archivoDeSoloLectura()
{
    BaseDePrueba base;
    catalogo(base);
    UsuarioDePantalla usuario;
    const QStringList antes = Volcado::Grupos(*base.Conexion());
    {
        Sesion::Cerrar();
        ArchivoInalterable inalterable(base.Archivo());
        txtKES::EstablecerConexion(Sesion::Conexion());

        // Reading still works: the tree reloads and a node shows its group.
        usuario.Forma().CargarCuentas();
        QVERIFY(usuario.Seleccionar(QStringLiteral("100")));
        QCOMPARE(usuario.Forma().txtClave()->text(), QStringLiteral("100"));
        QCOMPARE(Volcado::Grupos(*base.Conexion()), antes);

        for (const Cambio& cambio : cambios()) {
            comprobarRechazo(base, usuario, cambio, QStringLiteral("La base de datos es de solo lectura"));
            if (QTest::currentTestFailed())
                break;
        }
        Sesion::Cerrar();
    }
    txtKES::EstablecerConexion(Sesion::Conexion());
    if (QTest::currentTestFailed())
        return;
    comprobarQueSigueFuncionando(base, usuario);
}

// The filesystem of the database and of its WAL and shared-memory files fills up: every kind
// of change fails writing its pages (SQLite's SQLITE_FULL from the kernel's ENOSPC), is
// reported and rolled back; once space is freed the same screen goes on.
void PruebaFallasSqlite::discoLlenoAlGuardar()
{
    if (!s_sinMontajePropio.isEmpty()) {
        const QString motivo = QStringLiteral("No tmpfs of the test's own can be mounted (%1); run as root with mount "
                                              "namespaces").arg(s_sinMontajePropio);
        if (qEnvironmentVariableIntValue("TEST_TMPFS_REQUIRED"))
            QFAIL(qPrintable(motivo + QStringLiteral(", which TEST_TMPFS_REQUIRED asks for")));
        QSKIP(qPrintable(motivo));
    }
    DiscoDiminuto disco(512);
    QVERIFY2(disco.Error().isEmpty(), qPrintable(disco.Error()));
    BaseDePrueba base;
    Sesion::Configuracion c = base.Configuracion();
    c.archivo = disco.Archivo(QStringLiteral("catalogo.db"));
    Sesion::Configurar(c);
    catalogo(base);
    UsuarioDePantalla usuario;
    // The write-ahead log and its shared memory live beside the database, on the same disk.
    QCOMPARE(base.Valor(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QVERIFY(QFile::exists(c.archivo + QStringLiteral("-wal")));
    QVERIFY(QFile::exists(c.archivo + QStringLiteral("-shm")));

    QVERIFY(disco.Llenar());
    for (const Cambio& cambio : cambios()) {
        // A delete takes the node out just before its commit, which is where a full disk
        // fails it: the user reloads the tree (F5) to see the group again.
        usuario.Forma().CargarCuentas();
        comprobarRechazo(base, usuario, cambio, QStringLiteral("El disco está lleno"));
        if (QTest::currentTestFailed())
            return;
    }

    QVERIFY(disco.Liberar());
    usuario.Forma().CargarCuentas();
    comprobarQueSigueFuncionando(base, usuario);
    QCOMPARE(base.Valor(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

void PruebaFallasSqlite::matadoDentroDeLaTransaccion()
{
    BaseDePrueba base;
    Sesion::Cerrar();
    QProcess hijo;
    hijo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--escritor"), base.Archivo(), QStringLiteral("dentro")});
    QVERIFY(hijo.waitForStarted());
    QStringList lineas;
    while (!lineas.contains(QStringLiteral("dentro"))) {
        QVERIFY2(hijo.waitForReadyRead(30000), qPrintable(hijo.readAllStandardError()));
        while (hijo.canReadLine())
            lineas << QString::fromUtf8(hijo.readLine()).trimmed();
    }
    ::kill(static_cast<pid_t>(hijo.processId()), SIGKILL);
    QVERIFY(hijo.waitForFinished(5000));
    QCOMPARE(hijo.exitStatus(), QProcess::CrashExit);

    // The first save is wholly there, the second wholly absent.
    QCOMPARE(lineas, (QStringList{QStringLiteral("ok C1"), QStringLiteral("dentro")}));
    QCOMPARE(base.Valor(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QCOMPARE(base.Claves(), QStringList{QStringLiteral("C1")});
    QCOMPARE(clavesDeBitacora(base), QStringList{QStringLiteral("C1")});
    UsuarioDePantalla usuario;
    QVERIFY(usuario.Nuevo(QStringLiteral("0"), QStringLiteral("C2"), QStringLiteral("AHORA SÍ"), QString()));
    QCOMPARE(base.Claves(), (QStringList{QStringLiteral("C1"), QStringLiteral("C2")}));
}

void PruebaFallasSqlite::matadoEnCualquierMomento()
{
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        BaseDePrueba base;
        Sesion::Cerrar();
        QProcess hijo;
        hijo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--escritor"), base.Archivo(), QStringLiteral("ciclo")});
        QVERIFY(hijo.waitForStarted());
        QStringList confirmadas;
        const int antesDeMatar = 10 + QRandomGenerator::global()->bounded(20);
        while (confirmadas.size() < antesDeMatar) {
            QVERIFY2(hijo.waitForReadyRead(30000), qPrintable(hijo.readAllStandardError()));
            while (hijo.canReadLine())
                confirmadas << QString::fromUtf8(hijo.readLine()).trimmed().mid(3);
        }
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        ::kill(static_cast<pid_t>(hijo.processId()), SIGKILL);
        QVERIFY(hijo.waitForFinished(5000));
        while (hijo.canReadLine())
            confirmadas << QString::fromUtf8(hijo.readLine()).trimmed().mid(3);

        QCOMPARE(base.Valor(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const QStringList claves = base.Claves();
        // Every save reported committed is there; at most the one in flight besides.
        for (const QString& clave : confirmadas)
            QVERIFY2(claves.contains(clave), qPrintable(clave));
        QVERIFY2(claves.size() <= confirmadas.size() + 1, qPrintable(claves.join(QLatin1Char(' '))));
        // A group and its audit row come and go together.
        QCOMPARE(clavesDeBitacora(base), claves);
    }
}

int main(int argc, char** argv)
{
    if (argc > 3 && qstrcmp(argv[1], "--escritor") == 0)
        return escritor(argc, argv);
    s_sinMontajePropio = montajePropio();
    QApplication app(argc, argv);
    PruebaFallasSqlite prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_FallasSqlite.moc"
