// Eight users at once, each a process with its own session and the real screen and editor
// headless, all on one dozen groups for TQ614_CARGA_SEGUNDOS (4 by default): adds, deletes, key
// changes, saves and renames meet on the same rows every second. Then the table is reckoned
// against their logs: a tree, every committed change in the change log and no refused one, and
// a fresh screen showing exactly the table.

#include "BaseDePrueba.h"
#include "TreeView.h"
#include "UsuarioDePantalla.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTreeWidgetItemIterator>
#include <QtTest>
#include <csignal>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

constexpr int kUsuarios = 8;
constexpr int kGrupos = 12;  // the shared groups under Z, kept between 6 and 18
const QString kZona = u"Z"_s;

// A fault of the program, not a refusal the user can act on (a lock, a key taken, a parent gone).
bool esFalla(const Sesion::MensajeRegistrado& m)
{
    static const QStringList fallas
        = u"Error en la sentencia SQL|Error de la base de datos|La transacción quedó anulada|"
          "Variable de objeto|Ya hay una transacción abierta|No hay una transacción|"
          "Se perdió la conexión"_s.split(u'|');
    return !m.idError.startsWith("ERR-ID:75000"_L1)
        || std::any_of(fallas.begin(), fallas.end(), [&](const QString& f) { return m.texto.startsWith(f); });
}

// Keys under `nodo` (not itself) into `claves`, and those without children into `hojas`.
void recorrer(const QTreeWidgetItem* nodo, QStringList& claves, QStringList& hojas)
{
    for (int i = 0; nodo && i < nodo->childCount(); ++i) {
        claves << TreeView::Key(nodo->child(i)).mid(1);
        if (nodo->child(i)->childCount() == 0)
            hojas << claves.last();
        recorrer(nodo->child(i), claves, hojas);
    }
}

// One user: random operations on the shared groups until its time is up, each outcome in its
// log. An operation is committed when its session's commit succeeds (for the rename, which runs
// without a transaction, its update).
class Usuario
{
public:
    Usuario(UsuarioDePantalla& pantalla, int numero, const QString& log)
        : m_pantalla(pantalla)
        , m_numero(numero)
        , m_azar(quint32(614 + numero))
        , m_log(log)
    {
        m_log.open(QIODevice::WriteOnly | QIODevice::Text);
        Sesion::EstablecerObservadorTraza([this](const QJsonObject& l) {
            const QString llamada = l[u"llamada"_s].toString();
            m_confirmado |= !l.contains(u"error"_s)
                && (llamada == "CommitTrans"_L1
                    || (m_tipo == "nombre"_L1 && llamada == "Execute"_L1
                        && l[u"sql"_s].toString().startsWith("UPDATE"_L1)));
        });
    }

    int Trabajar(int duracionMs)
    {
        QElapsedTimer reloj;
        for (reloj.start(); reloj.elapsed() < duracionMs && !Sesion::Conexion()->EnTransaccion();)
            trabajar();
        if (!Sesion::Conexion()->EnTransaccion())
            return 0;
        anotar(u"estado"_s, {}, {}, u"fallido"_s, u"transacción abierta tras el cambio"_s);
        return 4;
    }

private:
    QString alAzar(const QStringList& claves)
    {
        return claves.isEmpty() ? QString() : claves[int(m_azar.bounded(claves.size()))];
    }

    // Half the time the user reloads the tree first (F5); otherwise it acts on groups as its
    // tree shows them, which others may have changed meanwhile. Edits go to groups as the
    // table has them now.
    void trabajar()
    {
        if (m_azar.bounded(2) == 0) {
            m_pantalla.Forma().CargarCuentas();
            m_conHijosMios.clear();
        }
        QStringList claves, hojas;
        recorrer(m_pantalla.Nodo(kZona), claves, hojas);
        QStringList enLaTabla;
        auto rs = Sesion::Conexion()->Execute(
            u"WITH RECURSIVE zona(clave) AS (SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable"
            " WHERE Gcc_Padre = ? UNION ALL SELECT g.Gcc_Cve_Grupo_Cuenta_Contable"
            " FROM Grupo_Cuenta_Contable g JOIN zona z ON g.Gcc_Padre = z.clave) SELECT clave FROM zona"_s,
            {kZona});
        for (; !rs->Eof(); rs->MoveNext())
            enLaTabla << rs->Fields(u"clave"_s).toString();
        int dado = int(m_azar.bounded(100));
        if (enLaTabla.size() > kGrupos + 6)
            dado = 25;
        else if (enLaTabla.size() < kGrupos - 6)
            dado = 0;
        if (dado < 25)
            operar(u"alta"_s, alAzar(claves << kZona));
        else
            operar(dado < 50       ? u"baja"_s
                       : dado < 70 ? u"edicion"_s
                       : dado < 85 ? u"clave"_s
                                   : u"nombre"_s,
                   alAzar(dado < 50 ? hojas : dado < 70 ? enLaTabla : claves));
    }

    // One operation on `objetivo` (for an add, the parent), logged as committed (perhaps with a
    // message after the commit, such as the reloaded tree missing a group another user removed),
    // refused with its message, or failed. Its description and new key are its own.
    void operar(const QString& tipo, const QString& objetivo)
    {
        if (objetivo.isEmpty() || (tipo == "baja"_L1 && m_conHijosMios.contains(objetivo)))
            return;
        m_tipo = tipo;
        m_confirmado = false;
        Sesion::LimpiarMensajes();
        QString clave = objetivo, valor = u"U%1 %2 %3 'X'"_s.arg(m_numero).arg(tipo.toUpper()).arg(++m_serie);
        const QString nueva
            = u"%1%2"_s.arg(m_numero).arg(QString::number(m_serie, 36).rightJustified(4, u'0')).toUpper();
        bool probado = true;
        if (tipo == "alta"_L1) {
            m_pantalla.Nuevo(objetivo, u"Q"_s + nueva, valor, {});
            if (m_confirmado)  // the tree is not reloaded: to this user the parent still looks a leaf
                m_conHijosMios.insert(objetivo);
            std::tie(clave, valor) = std::pair(u"Q"_s + nueva, objetivo);
        } else if (tipo == "edicion"_L1) {  // a group already deleted is not tried
            probado
                = m_pantalla.Editar(objetivo, valor, {}) || m_confirmado || !Sesion::MensajesRegistrados().isEmpty();
        } else if (tipo == "baja"_L1) {
            probado = m_pantalla.Eliminar(objetivo);
        } else if (tipo == "nombre"_L1) {
            probado = m_pantalla.Renombrar(objetivo, valor);
        } else {
            probado = m_pantalla.CambiarClave(objetivo, valor = u"R"_s + nueva);
        }
        const auto m = Sesion::MensajesRegistrados();
        if (probado && m.isEmpty())
            anotar(tipo, clave, valor, m_confirmado ? u"hecho"_s : u"fallido"_s,
                   m_confirmado ? QString() : u"sin mensaje"_s);
        else if (probado)
            anotar(tipo, clave, valor,
                   esFalla(m[0]) || m.size() > 1 ? u"fallido"_s
                       : m_confirmado            ? u"hecho"_s
                                                 : u"rechazado"_s,
                   m[0].idError + u' ' + m[0].texto.section(u':', 0, 0).left(60).simplified());
    }

    void anotar(const QString& tipo, const QString& clave, const QString& valor, const QString& resultado,
                const QString& detalle)
    {
        m_log.write(QStringList{tipo, clave, valor, resultado, detalle}.join(u'\t').toUtf8() + '\n');
        m_log.flush();
    }

    UsuarioDePantalla& m_pantalla;
    int m_numero, m_serie = 0;
    QRandomGenerator m_azar;
    QFile m_log;
    QString m_tipo;
    bool m_confirmado = false;
    QSet<QString> m_conHijosMios;
};

// Arguments: --usuario NUMBER ENGINE SCHEMA-OR-FILE LOG MILLISECONDS
int usuario(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    BaseDePrueba apoyo;  // the screen opens over a test base; the session then goes to the shared one
    Sesion::Configuracion c;
    if (args[3] == BaseDePrueba::NombreMotor(Motor::PostgreSQL)) {
        c = BaseDePrueba::ConfiguracionPostgres();
        c.esquema = args[4];
    } else {
        c.archivo = args[4];
    }
    c.operador = u"CARGA"_s + args[2];
    c.esperaBloqueoMs = 3000;
    Sesion::Configurar(c);
    UsuarioDePantalla pantalla(apoyo);
    return Usuario(pantalla, args[2].toInt(), args[5]).Trabajar(args[6].toInt());
}

// Groups whose chain of parents does not reach the root.
QStringList fueraDelArbol(BaseDePrueba& base)
{
    QHash<QString, QString> padres;
    auto rs = base.Conexion()->Execute(u"SELECT Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Padre FROM Grupo_Cuenta_Contable"_s);
    for (; !rs->Eof(); rs->MoveNext())
        padres.insert(rs->Fields(u"Gcc_Cve_Grupo_Cuenta_Contable"_s).toString(), rs->Fields(u"Gcc_Padre"_s).toString());
    QStringList fuera;
    for (auto it = padres.cbegin(); it != padres.cend(); ++it) {
        QString clave = it.key();
        for (qsizetype pasos = 0; clave != "0"_L1 && padres.contains(clave) && pasos <= padres.size(); ++pasos)
            clave = padres.value(clave);
        if (clave != "0"_L1)
            fuera << it.key();
    }
    return fuera;
}

} // namespace

class PruebaCarga : public QObject
{
    Q_OBJECT

private slots:
    void usuariosSobreLosMismosGrupos_data() { BaseDePrueba::AgregarMotores(); }
    void usuariosSobreLosMismosGrupos();
};

void PruebaCarga::usuariosSobreLosMismosGrupos()
{
    ABRIR_BASE(motor, base);
    // Z and a dozen groups under it, three levels deep, beside a group nobody touches.
    base.InsertarGrupo(u"A"_s, u"Fuera de la zona"_s);
    base.InsertarGrupo(kZona, u"Zona compartida"_s);
    for (int i = 1; i <= kGrupos; ++i)
        base.InsertarGrupo(u"Z%1"_s.arg(i), u"Grupo %1"_s.arg(i), u""_s, i <= 3 ? kZona : u"Z%1"_s.arg((i - 1) / 3),
                           i <= 3 ? 2 : 3);
    Sesion::Cerrar();
    QTemporaryDir carpeta;
    const int segundos = qEnvironmentVariableIntValue("TQ614_CARGA_SEGUNDOS") > 0
        ? qEnvironmentVariableIntValue("TQ614_CARGA_SEGUNDOS")
        : 4;
    std::vector<std::unique_ptr<QProcess>> hijos;
    QElapsedTimer reloj;
    reloj.start();
    for (int i = 1; i <= kUsuarios; ++i) {
        hijos.push_back(std::make_unique<QProcess>());
        hijos.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        hijos.back()->start(QCoreApplication::applicationFilePath(),
                            {u"--usuario"_s, QString::number(i), BaseDePrueba::NombreMotor(motor),
                             motor == Motor::PostgreSQL ? base.Esquema() : base.Archivo(),
                             carpeta.filePath(QString::number(i)), QString::number(segundos * 1000)});
        QVERIFY(hijos.back()->waitForStarted());
    }
    // Each ends after its time and the operation in hand; one that hangs is killed and counted.
    int fallasDeProceso = 0;
    for (auto& hijo : hijos) {
        if (!hijo->waitForFinished(qMax(1000, segundos * 1000 + 120000 - int(reloj.elapsed())))
            && hijo->processId() > 0) {
            ::kill(pid_t(hijo->processId()), SIGKILL);
            hijo->waitForFinished(5000);
        }
        fallasDeProceso += hijo->exitStatus() != QProcess::NormalExit || hijo->exitCode() != 0;
    }
    const double transcurrido = reloj.elapsed() / 1000.0;
    // Each log line: kind, key, value, outcome, detail. Keys that committed deletes or key
    // changes took away count how many did (when two retire one group at once, the second finds
    // no row and changes nothing); a key's other committed changes may replace each other.
    QList<std::pair<int, QStringList>> ops;
    QHash<QString, int> retiradas, cambiosPorClave;
    for (int i = 1; i <= kUsuarios; ++i) {
        QFile f(carpeta.filePath(QString::number(i)));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        for (QStringList op;
             !f.atEnd() && (op = QString::fromUtf8(f.readLine()).chopped(1).split(u'\t')).size() == 5;) {
            ops.append({i, op});
            retiradas[op[1]] += op[3] == "hecho"_L1 && (op[0] == "baja"_L1 || op[0] == "clave"_L1);
            cambiosPorClave[op[1]] += op[3] == "hecho"_L1 && op[0] != "alta"_L1;
        }
    }
    QMap<QString, int> rechazos;
    QHash<int, QStringList> registradas;  // per user, the keys its committed changes registered
    QStringList fallas;
    for (const auto& [usuario, op] : ops) {
        const QString &tipo = op[0], &clave = op[1], &valor = op[2];
        const bool hecho = op[3] == "hecho"_L1, retirada = retiradas.value(clave) > 0;
        if (hecho && tipo != "nombre"_L1)  // the rename registers nothing
            registradas[usuario] << clave;
        if (op[3] == "rechazado"_L1)
            ++rechazos[tipo + u' ' + op[4]];
        const QVariant actual
            = base.Valor(u"SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?"_s,
                         {tipo == "clave"_L1 ? valor : clave});
        QString problema = op[3] == "fallido"_L1 ? op[4] : QString();
        if (tipo == "alta"_L1 && hecho == actual.isNull() && !(hecho && retirada))
            problema = hecho ? u"committed add is missing"_s : u"refused add left its row"_s;
        if ((tipo == "edicion"_L1 || tipo == "nombre"_L1) && hecho && cambiosPorClave.value(clave) == 1
            && !actual.isNull()
            && actual.toString() != valor)  // each value is unique: unless replaced since, it is the description
            problema = u"committed description is not in the table"_s;
        if ((tipo == "edicion"_L1 || tipo == "nombre"_L1) && !hecho
            && base.Valor(u"SELECT COUNT(*) FROM Grupo_Cuenta_Contable WHERE Gcc_Descripcion = ?"_s, {valor}).toInt())
            problema = u"refused description was stored"_s;
        if (tipo == "baja"_L1 && hecho != actual.isNull() && (hecho || !retirada))
            problema = hecho ? u"deleted group is still there"_s : u"refused delete removed the group"_s;
        if (tipo == "clave"_L1 && !hecho && !actual.isNull())
            problema = u"refused key change left the new key"_s;
        // Unless another user retired the group too, and this one found nothing left to re-key.
        if (tipo == "clave"_L1 && hecho && actual.isNull() && retiradas.value(valor) == 0 && retiradas.value(clave) < 2)
            problema = u"new key of a committed change is missing"_s;
        if (!problema.isEmpty())
            fallas << u"user %1 %2: %3"_s.arg(usuario).arg(op.join(u' '), problema);
    }
    // The change log: a row for each committed change the editor, the delete and the key change
    // registered (the key change under its old key), none for a refused one.
    for (int i = 1; i <= kUsuarios; ++i) {
        QStringList filas;
        auto rs = base.Conexion()->Execute(u"SELECT Bit_Clave FROM Kes_Bitacora WHERE Bit_Operador = ?"_s,
                                           {u"CARGA%1"_s.arg(i)});
        for (; !rs->Eof(); rs->MoveNext())
            filas << rs->Fields(u"Bit_Clave"_s).toString();
        filas.sort();
        registradas[i].sort();
        if (filas != registradas[i])
            fallas << u"user %1: change log %2, committed %3"_s.arg(i).arg(filas.join(u' '), registradas[i].join(u' '));
    }
    if (const QStringList fuera = fueraDelArbol(base); !fuera.isEmpty())
        fallas << u"groups whose parents do not reach the root: "_s + fuera.mid(0, 10).join(u' ');
    // A fresh screen shows every group of the table once, under its parent.
    {
        PantallaDePrueba pantalla(base, PantallaDePrueba::Apertura::Cargada);
        QStringList arbol, tabla;
        for (QTreeWidgetItemIterator it(&pantalla.Arbol()); *it; ++it)
            if ((*it)->parent())
                arbol << TreeView::Key(*it).mid(1) + u'>' + TreeView::Key((*it)->parent()).mid(1);
        auto rs = base.Conexion()->Execute(
            u"SELECT Gcc_Cve_Grupo_Cuenta_Contable AS Clave, Gcc_Padre FROM Grupo_Cuenta_Contable"_s);
        for (; !rs->Eof(); rs->MoveNext())
            tabla << rs->Fields(u"Clave"_s).toString() + u'>' + rs->Fields(u"Gcc_Padre"_s).toString();
        arbol.sort();
        tabla.sort();
        if (arbol != tabla)
            fallas << u"the tree of a fresh screen is not the table"_s;
    }
    qInfo("%lld operations by %d users in %.1f s: %.1f operations per second", qlonglong(ops.size()), kUsuarios,
          transcurrido, ops.size() / transcurrido);
    int colisiones = 0;  // every target was valid as its user saw it: each refusal is a collision
    for (auto it = rechazos.cbegin(); it != rechazos.cend(); colisiones += it.value(), ++it)
        qInfo("  refused %6d  %s", it.value(), qPrintable(it.key()));
    qInfo("failures: %lld (processes: %d)", qlonglong(fallas.size()), fallasDeProceso);
    QCOMPARE(fallasDeProceso, 0);
    QVERIFY2(fallas.isEmpty(), qPrintable(fallas.mid(0, 5).join(u'\n')));
    QVERIFY(ops.size() >= kUsuarios);
    // About one operation in five collides: a hundred without one means users never met.
    if (ops.size() >= 100)
        QVERIFY2(colisiones > 0, "users working on the same dozen groups never collided");
    else
        qWarning("only %lld operations: too few to require a collision", qlonglong(ops.size()));
}

int main(int argc, char** argv)
{
    if (argc > 6 && qstrcmp(argv[1], "--usuario") == 0)
        return usuario(argc, argv);
    QApplication app(argc, argv);
    PruebaCarga prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_Carga.moc"
