// Eight users at once on one PostgreSQL database: each is a process of its own with its own
// session, the real screen and editor headless, working for a bounded time (60 s unless
// TQ614_CARGA_SEGUNDOS says otherwise) on a catalogue of 10,000 groups with random adds,
// edits, renames, key changes and deletes. Every operation's outcome goes to the user's log:
// committed, refused (the message's error id and text) or failed. Afterwards the parent
// checks the table against the logs: each committed change is there unless a later change
// by someone replaced it, each refused or failed one left nothing, no group lost its parent,
// and the audit log holds exactly one row per registered change. It prints operations per
// second, refusals by kind and failures, which must be none.

#include "BaseDePrueba.h"
#include "GeneradorCatalogo.h"
#include "Sesion.h"
#include "TreeView.h"
#include "UsuarioDePantalla.h"
#include "Volcado.h"
#include "frmTQ614.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <csignal>
#include <memory>

namespace {

constexpr int kUsuarios = 8;
constexpr int kGrupos = 10000;

int segundos()
{
    const int s = qEnvironmentVariableIntValue("TQ614_CARGA_SEGUNDOS");
    return s > 0 ? s : 60;
}

QString operadorDe(int usuario)
{
    return QStringLiteral("CARGA%1").arg(usuario);
}

// Messages that tell of a fault of the program, not of a change refused for a reason the user
// can act on (another user's lock, a key taken, a parent gone, subgroups added meanwhile).
bool esFalla(const Sesion::MensajeRegistrado& m)
{
    static const QStringList fallas{QStringLiteral("Error en la sentencia SQL"), QStringLiteral("Error de la base de datos"),
                                    QStringLiteral("La transacción quedó anulada"), QStringLiteral("Variable de objeto"),
                                    QStringLiteral("Ya hay una transacción abierta"), QStringLiteral("No hay una transacción"),
                                    QStringLiteral("Se perdió la conexión")};
    if (!m.idError.startsWith(QLatin1String("ERR-ID:75000")))
        return true;
    for (const QString& f : fallas)
        if (m.texto.startsWith(f))
            return true;
    return false;
}

// --- One user ---------------------------------------------------------------------------------

class Usuario
{
public:
    Usuario(int numero, const QString& bitacora)
        : m_numero(numero), m_azar(quint32(614 + numero)), m_archivo(bitacora)
    {
        m_archivo.open(QIODevice::WriteOnly | QIODevice::Text);
        m_salida.setDevice(&m_archivo);
    }

    int Trabajar(int duracionMs)
    {
        UsuarioDePantalla pantalla;
        m_pantalla = &pantalla;
        leerArbol();
        QElapsedTimer reloj;
        reloj.start();
        while (reloj.elapsed() < duracionMs) {
            const int dado = int(m_azar.bounded(100));
            if (dado < 30)
                agregar();
            else if (dado < 55)
                editar();
            else if (dado < 75)
                eliminar();
            else if (dado < 90)
                renombrar();
            else
                cambiarClave();
            if (Sesion::Conexion()->EnTransaccion()) {
                anotar(QStringLiteral("estado"), QString(), QString(), QStringLiteral("fallido"),
                       QStringLiteral("transacción abierta tras el cambio"));
                return 4;
            }
        }
        m_pantalla = nullptr;
        return 0;
    }

private:
    QString nuevaClave(QChar letra)
    {
        // Unique to this user and operation: letter, user, four base-36 digits (six in all).
        return QStringLiteral("%1%2%3").arg(letra).arg(m_numero).arg(QString::number(++m_serie, 36).toUpper(), 4, QLatin1Char('0'));
    }
    QString nuevaDescripcion(const char* que)
    {
        return QStringLiteral("U%1 %2 %3 'X'").arg(m_numero).arg(QLatin1String(que)).arg(++m_serie);
    }

    void leerArbol()
    {
        m_claves.clear();
        m_hojas.clear();
        std::function<void(QTreeWidgetItem*)> recorrer = [&](QTreeWidgetItem* nodo) {
            const QString clave = TreeView::Key(nodo).mid(1);
            if (clave != QLatin1String("0")) {
                m_claves << clave;
                if (nodo->childCount() == 0)
                    m_hojas << clave;
            }
            for (int i = 0; i < nodo->childCount(); ++i)
                recorrer(nodo->child(i));
        };
        TreeView& arbol = m_pantalla->Arbol();
        for (int i = 0; i < arbol.topLevelItemCount(); ++i)
            recorrer(arbol.topLevelItem(i));
    }

    QString alAzar(const QStringList& claves)
    {
        return claves.isEmpty() ? QString() : claves[int(m_azar.bounded(claves.size()))];
    }

    // Writes the outcome of one operation from the messages it left.
    void concluir(const QString& op, const QString& clave, const QString& valor, bool hecho)
    {
        const auto mensajes = Sesion::MensajesRegistrados();
        Sesion::LimpiarMensajes();
        if (mensajes.isEmpty()) {
            anotar(op, clave, valor, hecho ? QStringLiteral("hecho") : QStringLiteral("fallido"),
                   hecho ? QString() : QStringLiteral("sin cambio y sin mensaje"));
            return;
        }
        const auto& m = mensajes.first();
        const QString texto = m.idError + QLatin1Char(' ') + m.texto.section(QLatin1Char(':'), 0, 0).left(60);
        anotar(op, clave, valor, (esFalla(m) || mensajes.size() > 1) ? QStringLiteral("fallido") : QStringLiteral("rechazado"),
               texto);
    }

    void anotar(const QString& op, const QString& clave, const QString& valor, const QString& resultado,
                const QString& detalle)
    {
        m_salida << op << '\t' << clave << '\t' << valor << '\t' << resultado << '\t'
                 << QString(detalle).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '))
                 << '\n';
        m_salida.flush();
    }

    void agregar()
    {
        const QString padre = m_azar.bounded(5) == 0 ? QStringLiteral("0") : alAzar(m_claves);
        const QString clave = nuevaClave(QLatin1Char('Q'));
        const QString descripcion = nuevaDescripcion("ALTA");
        Sesion::LimpiarMensajes();
        const bool hecho = m_pantalla->Nuevo(padre, clave, descripcion, QString());
        concluir(QStringLiteral("alta"), clave, padre, hecho);
    }

    void editar()
    {
        const QString clave = alAzar(m_claves);
        const QString descripcion = nuevaDescripcion("EDICION");
        Sesion::LimpiarMensajes();
        const bool hecho = m_pantalla->Editar(clave, descripcion, QString());
        if (!hecho && Sesion::MensajesRegistrados().isEmpty())
            return;  // another user deleted it: nothing was tried
        concluir(QStringLiteral("edicion"), clave, descripcion, hecho);
    }

    void eliminar()
    {
        const QString clave = alAzar(m_hojas);
        Sesion::LimpiarMensajes();
        if (!m_pantalla->Eliminar(clave))
            return;
        const bool hecho = !m_pantalla->Nodo(clave);
        m_hojas.removeAll(clave);
        concluir(QStringLiteral("baja"), clave, QString(), hecho);
    }

    void renombrar()
    {
        const QString clave = alAzar(m_claves);
        const QString descripcion = nuevaDescripcion("NOMBRE");
        Sesion::LimpiarMensajes();
        if (!m_pantalla->Renombrar(clave, descripcion))
            return;
        concluir(QStringLiteral("nombre"), clave, descripcion, true);
        leerArbol();  // the rename reloads the tree
    }

    void cambiarClave()
    {
        const QString clave = alAzar(m_claves);
        const QString nueva = nuevaClave(QLatin1Char('R'));
        Sesion::LimpiarMensajes();
        if (!m_pantalla->CambiarClave(clave, nueva))
            return;
        const bool hecho = m_pantalla->Nodo(nueva) != nullptr;
        concluir(QStringLiteral("clave"), clave, nueva, hecho);
        leerArbol();
    }

    int m_numero;
    QRandomGenerator m_azar;
    QFile m_archivo;
    QTextStream m_salida;
    UsuarioDePantalla* m_pantalla = nullptr;
    QStringList m_claves;
    QStringList m_hojas;
    int m_serie = 0;
};

int usuario(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int numero = QString::fromLocal8Bit(argv[2]).toInt();
    Sesion::Configuracion c = BaseDePrueba::ConfiguracionPostgres();
    c.esquema = QString::fromLocal8Bit(argv[3]);
    c.operador = operadorDe(numero);
    c.esperaBloqueoMs = 3000;
    Sesion::Configurar(c);
    Sesion::RegistrarMensajes(true);
    Usuario u(numero, QString::fromLocal8Bit(argv[4]));
    return u.Trabajar(QString::fromLocal8Bit(argv[5]).toInt());
}

// --- The parent's reckoning ---------------------------------------------------------------

struct Operacion
{
    int usuario = 0;
    QString tipo, clave, valor, resultado, detalle;
};

QList<Operacion> leerBitacora(int usuario, const QString& archivo)
{
    QList<Operacion> ops;
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return ops;
    while (!f.atEnd()) {
        const QStringList campos = QString::fromUtf8(f.readLine()).chopped(1).split(QLatin1Char('\t'));
        if (campos.size() == 5)
            ops.append({usuario, campos[0], campos[1], campos[2], campos[3], campos[4]});
    }
    return ops;
}

} // namespace

class PruebaCarga : public QObject
{
    Q_OBJECT

private slots:
    void ochoUsuariosALaVez();
};

void PruebaCarga::ochoUsuariosALaVez()
{
    REQUIERE_MOTOR(BaseDePrueba::Motor::PostgreSQL);
    BaseDePrueba base(BaseDePrueba::Motor::PostgreSQL);
    GeneradorCatalogo(kGrupos).Escribir(*base.Conexion());
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), qlonglong(kGrupos));
    Sesion::Cerrar();

    QTemporaryDir carpeta;
    QVERIFY(carpeta.isValid());
    const int duracionMs = segundos() * 1000;
    std::vector<std::unique_ptr<QProcess>> hijos;
    QElapsedTimer reloj;
    reloj.start();
    for (int i = 1; i <= kUsuarios; ++i) {
        auto hijo = std::make_unique<QProcess>();
        hijo->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        hijo->start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--usuario"), QString::number(i), base.Esquema(),
                     carpeta.filePath(QStringLiteral("usuario%1.log").arg(i)), QString::number(duracionMs)});
        QVERIFY(hijo->waitForStarted());
        hijos.push_back(std::move(hijo));
    }
    // Each ends after its time and the operation in hand; a user that hangs is a failure.
    int fallasDeProceso = 0;
    for (auto& hijo : hijos) {
        const int resta = qMax(1000, duracionMs + 120000 - int(reloj.elapsed()));
        if (!hijo->waitForFinished(resta)) {
            ::kill(static_cast<pid_t>(hijo->processId()), SIGKILL);
            hijo->waitForFinished(5000);
            ++fallasDeProceso;
        } else if (hijo->exitStatus() != QProcess::NormalExit || hijo->exitCode() != 0) {
            qWarning("a user ended with status %d, code %d", int(hijo->exitStatus()), hijo->exitCode());
            ++fallasDeProceso;
        }
    }
    const double transcurrido = reloj.elapsed() / 1000.0;

    QList<Operacion> ops;
    for (int i = 1; i <= kUsuarios; ++i)
        ops += leerBitacora(i, carpeta.filePath(QStringLiteral("usuario%1.log").arg(i)));

    // Keys that some committed change took away (a delete, or a key change away from them).
    QSet<QString> retiradas;
    // Keys with a committed change of any kind, other than the one being judged.
    QHash<QString, int> cambiosPorClave;
    for (const Operacion& op : ops) {
        if (op.resultado != QLatin1String("hecho"))
            continue;
        if (op.tipo == QLatin1String("baja") || op.tipo == QLatin1String("clave"))
            retiradas.insert(op.clave);
        if (op.tipo != QLatin1String("alta"))
            ++cambiosPorClave[op.clave];
    }

    Connection& c = *base.Conexion();
    auto descripcion = [&](const QString& clave) {
        return base.Valor(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"),
                          {clave});
    };
    auto cuantasCon = [&](const QString& texto) {
        return base.Valor(QStringLiteral("SELECT COUNT(*) FROM Grupo_Cuenta_Contable WHERE Gcc_Descripcion = ?"), {texto}).toLongLong();
    };

    QMap<QString, int> rechazos;
    QMap<QString, int> porTipo;
    QStringList fallas;
    QHash<int, int> registradasPorUsuario;
    for (const Operacion& op : ops) {
        ++porTipo[op.tipo + QLatin1Char(' ') + op.resultado];
        const bool hecho = op.resultado == QLatin1String("hecho");
        if (op.resultado == QLatin1String("fallido"))
            fallas << QStringLiteral("usuario %1 %2 %3: %4").arg(op.usuario).arg(op.tipo, op.clave, op.detalle);
        if (op.resultado == QLatin1String("rechazado"))
            ++rechazos[op.tipo + QLatin1Char(' ') + op.detalle];
        if (hecho && op.tipo != QLatin1String("nombre"))
            ++registradasPorUsuario[op.usuario];

        const QVariant actual = descripcion(op.tipo == QLatin1String("clave") ? op.valor : op.clave);
        QString problema;
        if (op.tipo == QLatin1String("alta")) {
            if (hecho && actual.isNull() && !retiradas.contains(op.clave))
                problema = QStringLiteral("committed add is missing");
            if (!hecho && !actual.isNull())
                problema = QStringLiteral("refused add left its row");
        } else if (op.tipo == QLatin1String("edicion") || op.tipo == QLatin1String("nombre")) {
            // The value is unique to this operation: without a later change of the group by
            // someone it is the group's description; refused, it is nowhere.
            const bool otrosCambios = cambiosPorClave.value(op.clave) > (hecho ? 1 : 0);
            if (hecho && !otrosCambios && !actual.isNull() && actual.toString() != op.valor)
                problema = QStringLiteral("committed description is not in the table");
            if (!hecho && cuantasCon(op.valor) != 0)
                problema = QStringLiteral("refused description was stored");
        } else if (op.tipo == QLatin1String("baja")) {
            if (hecho && !actual.isNull())
                problema = QStringLiteral("deleted group is still there");
            if (!hecho && actual.isNull() && !retiradas.contains(op.clave))
                problema = QStringLiteral("refused delete removed the group");
        } else if (op.tipo == QLatin1String("clave")) {
            if (hecho && actual.isNull() && !retiradas.contains(op.valor))
                problema = QStringLiteral("new key of a committed change is missing");
            if (!hecho && !actual.isNull())
                problema = QStringLiteral("refused key change left the new key");
        }
        if (!problema.isEmpty())
            fallas << QStringLiteral("usuario %1 %2 %3 %4: %5").arg(op.usuario).arg(op.tipo, op.clave, op.valor, problema);
    }

    // The audit log: exactly one row for each committed change the editor, the delete and
    // the key change registered (the rename registers nothing), none for refused ones.
    for (int i = 1; i <= kUsuarios; ++i) {
        const qlonglong filas =
            base.Valor(QStringLiteral("SELECT COUNT(*) FROM Kes_Bitacora WHERE Bit_Operador = ?"), {operadorDe(i)}).toLongLong();
        if (filas != registradasPorUsuario.value(i))
            fallas << QStringLiteral("usuario %1: %2 audit rows for %3 registered changes").arg(i).arg(filas).arg(registradasPorUsuario.value(i));
    }
    const QStringList huerfanos = Volcado::Huerfanos(c);
    if (!huerfanos.isEmpty())
        fallas << QStringLiteral("groups without their parent: ") + huerfanos.mid(0, 10).join(QLatin1Char(' '));

    qInfo("%lld operations by %d users in %.1f s: %.1f operations per second", qlonglong(ops.size()), kUsuarios,
          transcurrido, ops.size() / transcurrido);
    for (auto it = porTipo.cbegin(); it != porTipo.cend(); ++it)
        qInfo("  %-22s %6d", qPrintable(it.key()), it.value());
    qInfo("refusals by kind:");
    for (auto it = rechazos.cbegin(); it != rechazos.cend(); ++it)
        qInfo("  %6d  %s", it.value(), qPrintable(it.key()));
    qInfo("failures: %lld (processes: %d)", qlonglong(fallas.size()), fallasDeProceso);
    for (const QString& f : fallas.mid(0, 20))
        qWarning("%s", qPrintable(f));

    QCOMPARE(fallasDeProceso, 0);
    QVERIFY2(fallas.isEmpty(), qPrintable(fallas.value(0)));
    QVERIFY(ops.size() >= kUsuarios);  // every user got some work done
}

int main(int argc, char** argv)
{
    if (argc > 5 && qstrcmp(argv[1], "--usuario") == 0)
        return usuario(argc, argv);
    QApplication app(argc, argv);
    PruebaCarga prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_CargaPostgres.moc"
