// Eight users at once on one PostgreSQL database: each is a process of its own with its own
// session, the real screen and editor headless, working for a bounded time (60 s unless
// TQ614_CARGA_SEGUNDOS says otherwise) on a catalogue of 10,000 groups with random adds,
// edits, renames, key changes and deletes. Half of the operations go to one small subtree
// that every user shares (a dozen groups, kept about that size), so that users collide:
// deleting a group another has just given a child, changing a key another is editing,
// adding under a parent another has just deleted or re-keyed. Every operation's outcome goes
// to the user's log: committed, refused (the message's error id and text) or failed.
// Afterwards the parent checks the table against the logs: each committed change is there
// unless a later change by someone replaced it, each refused or failed one left nothing, no
// group lost its parent, and the audit log holds exactly one row per registered change. It
// prints operations per second, refusals by kind and failures, which must be none, and
// requires that collisions were refused.

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
// The shared subtree: about a dozen groups, never fewer than 6 nor more than 18 for long.
constexpr int kGruposEnLaZona = 12;

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
    Usuario(int numero, const QString& bitacora, const QString& raizDeLaZona)
        : m_numero(numero), m_azar(quint32(614 + numero)), m_archivo(bitacora), m_raizZona(raizDeLaZona)
    {
        m_archivo.open(QIODevice::WriteOnly | QIODevice::Text);
        m_salida.setDevice(&m_archivo);
    }

    int Trabajar(int duracionMs)
    {
        UsuarioDePantalla pantalla;
        m_pantalla = &pantalla;
        Sesion::EstablecerObservadorTraza([this](const QJsonObject& llamada) { observar(llamada); });
        leerArbol();
        QElapsedTimer reloj;
        reloj.start();
        while (reloj.elapsed() < duracionMs) {
            m_enLaZona = m_azar.bounded(2) == 0;
            if (m_enLaZona)
                trabajarEnLaZona();
            else
                trabajarEnCualquierParte();
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

    // Anywhere in the catalogue, as the user's tree shows it.
    void trabajarEnCualquierParte()
    {
        const int dado = int(m_azar.bounded(100));
        if (dado < 30)
            agregar(m_azar.bounded(5) == 0 ? QStringLiteral("0") : alAzar(m_claves));
        else if (dado < 55)
            editar(alAzar(m_claves));
        else if (dado < 75)
            eliminar(alAzar(m_hojas));
        else if (dado < 90)
            renombrar(alAzar(m_claves));
        else
            cambiarClave(alAzar(m_claves));
    }

    // In the shared subtree, on groups as this user's tree shows them (reloaded only by a
    // rename or a key change, so other users' changes since are not in it); edits on groups
    // as the table has them now. Either way other users may change the group before the
    // change reaches the database.
    void trabajarEnLaZona()
    {
        const QStringList zona = leerZona();
        // What this user's tree shows of it; the root is neither deleted nor re-keyed.
        QStringList enMiArbol;
        QStringList hojasEnMiArbol;
        std::function<void(const QTreeWidgetItem*)> recorrer = [&](const QTreeWidgetItem* padre) {
            for (int i = 0; i < padre->childCount(); ++i) {
                const QTreeWidgetItem* nodo = padre->child(i);
                enMiArbol << TreeView::Key(nodo).mid(1);
                if (nodo->childCount() == 0)
                    hojasEnMiArbol << enMiArbol.last();
                recorrer(nodo);
            }
        };
        if (const QTreeWidgetItem* raiz = m_pantalla->Nodo(m_raizZona))
            recorrer(raiz);
        int dado = int(m_azar.bounded(100));
        if (dado < 25 && zona.size() > kGruposEnLaZona + 6)
            dado = 25;  // a delete instead
        else if (dado >= 25 && dado < 50 && zona.size() < kGruposEnLaZona - 6)
            dado = 0;  // an add instead
        // Adds and deletes both go to the leaves, where they meet.
        if (dado < 25 || enMiArbol.isEmpty())
            agregar(hojasEnMiArbol.isEmpty() ? m_raizZona : alAzar(hojasEnMiArbol));
        else if (dado < 50)
            eliminar(alAzar(hojasEnMiArbol));
        else if (dado < 70)
            editar(alAzar(zona));
        else if (dado < 85)
            cambiarClave(alAzar(enMiArbol));
        else
            renombrar(alAzar(enMiArbol));
    }

    // The shared subtree's keys, its root first, as the table has them now.
    QStringList leerZona()
    {
        QStringList claves;
        auto rs = Sesion::Conexion()->Execute(
            QStringLiteral("WITH RECURSIVE zona(clave) AS ("
                           " SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable"
                           " WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"
                           " UNION ALL SELECT g.Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable g"
                           " JOIN zona z ON g.Gcc_Padre = z.clave)"
                           " SELECT clave FROM zona"),
            QVariantList{m_raizZona});
        for (; !rs->Eof(); rs->MoveNext())
            claves << rs->Fields(QStringLiteral("clave")).toString();
        return claves;
    }

    void leerArbol()
    {
        m_claves.clear();
        m_hojas.clear();
        std::function<void(QTreeWidgetItem*)> recorrer = [&](QTreeWidgetItem* nodo) {
            const QString clave = TreeView::Key(nodo).mid(1);
            // The shared subtree's root stays: the subtree is found from it.
            if (clave != QLatin1String("0") && clave != m_raizZona) {
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

    // Whether the operation in hand wrote to the table for good, as the trace of the user's
    // own session tells: a commit the database accepted or, for the rename (which runs
    // without a transaction), its update.
    void observar(const QJsonObject& llamada)
    {
        if (llamada.contains(QStringLiteral("error")))
            return;
        const QString nombre = llamada.value(QStringLiteral("llamada")).toString();
        if (nombre == QLatin1String("CommitTrans")
            || (m_renombrando && nombre == QLatin1String("Execute")
                && llamada.value(QStringLiteral("sql")).toString().startsWith(QLatin1String("UPDATE"))))
            m_confirmado = true;
    }

    void empezar()
    {
        Sesion::LimpiarMensajes();
        m_confirmado = false;
    }

    // Writes the outcome of one operation: committed (a message after the commit, such as
    // the tree not finding a group another user has just removed, is noted beside it),
    // refused with the message's error id and text, or failed.
    void concluir(const QString& op, const QString& clave, const QString& valor)
    {
        const auto mensajes = Sesion::MensajesRegistrados();
        Sesion::LimpiarMensajes();
        if (mensajes.isEmpty()) {
            anotar(op, clave, valor, m_confirmado ? QStringLiteral("hecho") : QStringLiteral("fallido"),
                   m_confirmado ? QString() : QStringLiteral("sin cambio y sin mensaje"));
            return;
        }
        const auto& m = mensajes.first();
        const QString texto = m.idError + QLatin1Char(' ') + m.texto.section(QLatin1Char(':'), 0, 0).left(60);
        QString resultado = m_confirmado ? QStringLiteral("hecho") : QStringLiteral("rechazado");
        if (esFalla(m) || mensajes.size() > 1)
            resultado = QStringLiteral("fallido");
        anotar(op, clave, valor, resultado, texto);
    }

    void anotar(const QString& op, const QString& clave, const QString& valor, const QString& resultado,
                const QString& detalle)
    {
        m_salida << (m_enLaZona ? "zona" : "resto") << '\t' << op << '\t' << clave << '\t' << valor << '\t' << resultado << '\t'
                 << QString(detalle).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '))
                 << '\n';
        m_salida.flush();
    }

    void agregar(const QString& padre)
    {
        if (padre.isEmpty())
            return;
        const QString clave = nuevaClave(QLatin1Char('Q'));
        const QString descripcion = nuevaDescripcion("ALTA");
        empezar();
        m_pantalla->Nuevo(padre, clave, descripcion, QString());
        // The real New command would reload the tree: the parent is no leaf to this user.
        if (m_confirmado)
            m_conHijosMios.insert(padre);
        concluir(QStringLiteral("alta"), clave, padre);
    }

    void editar(const QString& clave)
    {
        if (clave.isEmpty())
            return;
        const QString descripcion = nuevaDescripcion("EDICION");
        empezar();
        const bool aceptado = m_pantalla->Editar(clave, descripcion, QString());
        if (!aceptado && !m_confirmado && Sesion::MensajesRegistrados().isEmpty())
            return;  // another user deleted it: nothing was tried
        concluir(QStringLiteral("edicion"), clave, descripcion);
    }

    void eliminar(const QString& clave)
    {
        if (clave.isEmpty() || m_conHijosMios.contains(clave))
            return;
        empezar();
        if (!m_pantalla->Eliminar(clave))
            return;
        m_hojas.removeAll(clave);
        concluir(QStringLiteral("baja"), clave, QString());
    }

    void renombrar(const QString& clave)
    {
        const QString descripcion = nuevaDescripcion("NOMBRE");
        empezar();
        m_renombrando = true;
        const bool probado = m_pantalla->Renombrar(clave, descripcion);
        m_renombrando = false;
        if (!probado)
            return;
        concluir(QStringLiteral("nombre"), clave, descripcion);
        leerArbol();  // the rename reloads the tree
    }

    void cambiarClave(const QString& clave)
    {
        const QString nueva = nuevaClave(QLatin1Char('R'));
        empezar();
        if (!m_pantalla->CambiarClave(clave, nueva))
            return;
        concluir(QStringLiteral("clave"), clave, nueva);
        leerArbol();
    }

    int m_numero;
    QRandomGenerator m_azar;
    QFile m_archivo;
    QTextStream m_salida;
    QString m_raizZona;
    bool m_enLaZona = false;
    UsuarioDePantalla* m_pantalla = nullptr;
    QStringList m_claves;
    QStringList m_hojas;
    // Groups this user has added children to (its tree, not reloaded since, shows leaves).
    QSet<QString> m_conHijosMios;
    bool m_confirmado = false;
    bool m_renombrando = false;
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
    Usuario u(numero, QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[6]));
    return u.Trabajar(QString::fromLocal8Bit(argv[5]).toInt());
}

// --- The parent's reckoning ---------------------------------------------------------------

struct Operacion
{
    int usuario = 0;
    QString lugar, tipo, clave, valor, resultado, detalle;
};

QList<Operacion> leerBitacora(int usuario, const QString& archivo)
{
    QList<Operacion> ops;
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return ops;
    while (!f.atEnd()) {
        const QStringList campos = QString::fromUtf8(f.readLine()).chopped(1).split(QLatin1Char('\t'));
        if (campos.size() == 6)
            ops.append({usuario, campos[0], campos[1], campos[2], campos[3], campos[4], campos[5]});
    }
    return ops;
}

// A group of the generated catalogue whose subtree holds about `grupos` groups.
QString raizDeSubarbol(const GeneradorCatalogo& catalogo, int grupos)
{
    QHash<QString, int> tamanos;
    for (auto it = catalogo.Grupos().crbegin(); it != catalogo.Grupos().crend(); ++it) {
        tamanos[it->clave] += 1;
        tamanos[it->padre] += tamanos.value(it->clave);
    }
    QString mejor;
    for (const auto& grupo : catalogo.Grupos())
        if (mejor.isEmpty() || qAbs(tamanos.value(grupo.clave) - grupos) < qAbs(tamanos.value(mejor) - grupos))
            mejor = grupo.clave;
    return mejor;
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
    const GeneradorCatalogo catalogo(kGrupos);
    catalogo.Escribir(*base.Conexion());
    QCOMPARE(base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")), qlonglong(kGrupos));
    const QString raizZona = raizDeSubarbol(catalogo, kGruposEnLaZona);
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
                     carpeta.filePath(QStringLiteral("usuario%1.log").arg(i)), QString::number(duracionMs), raizZona});
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

    // Keys that committed changes took away (deletes, or key changes away from them), with
    // how many did: when two users retire the same group at once, the one that commits
    // second finds no row left and changes nothing.
    QHash<QString, int> retiradas;
    // Keys with a committed change of any kind, other than the one being judged.
    QHash<QString, int> cambiosPorClave;
    for (const Operacion& op : ops) {
        if (op.resultado != QLatin1String("hecho"))
            continue;
        if (op.tipo == QLatin1String("baja") || op.tipo == QLatin1String("clave"))
            ++retiradas[op.clave];
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
    QMap<QString, int> avisosTrasConfirmar;
    QMap<QString, int> porTipo;
    int enLaZona = 0;
    int sinEfecto = 0;
    QStringList fallas;
    QHash<int, int> registradasPorUsuario;
    for (const Operacion& op : ops) {
        ++porTipo[op.lugar + QLatin1Char(' ') + op.tipo + QLatin1Char(' ') + op.resultado];
        enLaZona += op.lugar == QLatin1String("zona");
        const bool hecho = op.resultado == QLatin1String("hecho");
        if (hecho && !op.detalle.isEmpty())
            ++avisosTrasConfirmar[op.tipo + QLatin1Char(' ') + op.detalle];
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
            const bool sinGrupo = retiradas.value(op.clave) > 1;  // another retired it too
            if (hecho && actual.isNull() && !retiradas.contains(op.valor)) {
                if (sinGrupo)
                    ++sinEfecto;
                else
                    problema = QStringLiteral("new key of a committed change is missing");
            }
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
    // Every target was valid as its user saw it, so each refusal is a collision.
    int conflictos = 0;
    qInfo("%d operations in the shared subtree of %s; refusals by kind (each one a collision):", enLaZona,
          qPrintable(raizZona));
    for (auto it = rechazos.cbegin(); it != rechazos.cend(); ++it) {
        qInfo("  %6d  %s", it.value(), qPrintable(it.key()));
        conflictos += it.value();
    }
    qInfo("committed, then reported (the group was gone from the reloaded tree):");
    for (auto it = avisosTrasConfirmar.cbegin(); it != avisosTrasConfirmar.cend(); ++it)
        qInfo("  %6d  %s", it.value(), qPrintable(it.key()));
    qInfo("committed key changes whose group another user had just retired: %d", sinEfecto);
    qInfo("failures: %lld (processes: %d)", qlonglong(fallas.size()), fallasDeProceso);
    for (const QString& f : fallas.mid(0, 20))
        qWarning("%s", qPrintable(f));

    QCOMPARE(fallasDeProceso, 0);
    QVERIFY2(fallas.isEmpty(), qPrintable(fallas.value(0)));
    QVERIFY(ops.size() >= kUsuarios);  // every user got some work done
    // About one operation in ten in the shared subtree is refused by a collision here; with
    // a hundred of them, none at all would mean the users never met.
    if (enLaZona >= 100)
        QVERIFY2(conflictos > 0, "users working on the same dozen groups never collided");
    else
        qWarning("only %d operations in the shared subtree: too few to require a collision", enLaZona);
}

int main(int argc, char** argv)
{
    if (argc > 6 && qstrcmp(argv[1], "--usuario") == 0)
        return usuario(argc, argv);
    QApplication app(argc, argv);
    PruebaCarga prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_CargaPostgres.moc"
