// How ConexionPostgres opens its session: libpq's settings and the password, a standby when
// no primary answers, and a new session when the server ended the old one.

#include "ConexionPostgres.h"

#include "ErrorEjecucion.h"
#include "MotivoDeConexion.h"

#include <QLoggingCategory>
#include <libpq-fe.h>
#include <poll.h>

Q_LOGGING_CATEGORY(lcConexion, "kestrima.conexion")

namespace {

// Whether libpq refused every host only because each was a standby (target_session_attrs).
bool soloRespondieronReservas(const QString& detalle)
{
    return detalle.contains(QLatin1String("session is read-only"))
           || detalle.contains(QLatin1String("server is in hot standby mode"));
}

// How many hosts libpq will try: each may take the whole deadline.
int hostsDe(const PGconn* conn)
{
    int hosts = 1;
    PQconninfoOption* opciones = PQconninfo(const_cast<PGconn*>(conn));
    for (const PQconninfoOption* o = opciones; o && o->keyword; ++o) {
        if (o->val && (qstrcmp(o->keyword, "host") == 0 || qstrcmp(o->keyword, "hostaddr") == 0))
            hosts = qMax(hosts, static_cast<int>(QByteArrayView(o->val).count(',')) + 1);
    }
    PQconninfoFree(opciones);
    return hosts;
}

}  // namespace

ConexionPostgres::Cadena ConexionPostgres::LeerCadena(const QString& valor)
{
    // libpq's own test: a value of a plain field is a whole connection string when it starts
    // as a URI or holds an equals sign.
    if (!valor.startsWith(QLatin1String("postgresql://")) && !valor.startsWith(QLatin1String("postgres://"))
        && !valor.contains(QLatin1Char('=')))
        return Cadena::Simple;
    char* error = nullptr;
    PQconninfoOption* opciones = nullptr;
    {
        const LibpqEnIngles enIngles;
        opciones = PQconninfoParse(valor.toUtf8().constData(), &error);
    }
    // An unknown setting's name is all libpq will say of it when it connects; any other error
    // may quote the value, password included.
    const bool ajusteDesconocido = error && qstrncmp(error, "invalid connection option", 25) == 0;
    PQfreemem(error);
    if (!opciones && ajusteDesconocido)
        return valor.contains(QLatin1String("password"), Qt::CaseInsensitive) ? Cadena::ConContrasena
                                                                             : Cadena::SinContrasena;
    if (!opciones)
        return Cadena::Ilegible;
    bool lleva = false;
    for (const PQconninfoOption* o = opciones; o->keyword; ++o)
        lleva |= qstrcmp(o->keyword, "password") == 0 && o->val && *o->val;
    PQconninfoFree(opciones);
    return lleva ? Cadena::ConContrasena : Cadena::SinContrasena;
}

QString ConexionPostgres::DondeVaLaContrasena()
{
    return QStringLiteral("La contraseña va en el archivo de contraseñas de PostgreSQL (~/.pgpass, o el que indique "
                          "la variable PGPASSFILE, legible sólo por su dueño), en el archivo de servicios "
                          "(pg_service.conf) o en la variable de entorno PGPASSWORD; si no está en ninguno, el "
                          "programa la pide al conectar.");
}

// Opens the session. When the server asks for a password that libpq has not found, the user
// is asked once; a password that did not open the session is not kept. A failure says why in
// the user's words; libpq's own text goes to its details and to the log.
void ConexionPostgres::conectar()
{
    bool preguntada = false;
    for (Destino hacia = Destino::Configurado;;) {
        abrir(hacia);
        if (PQstatus(m_conn) == CONNECTION_OK)
            break;
        const bool faltaContrasena = PQconnectionNeedsPassword(m_conn);
        ErrorDeConexion error = MotivoDeConexion(m_conn, !m_contrasena.isEmpty());
        const QString adonde = DestinoDeConexion::De(m_conn).Texto();
        cerrar();
        if (hacia == Destino::Configurado && m_reservaSoloLectura && soloRespondieronReservas(error.Detalle())) {
            hacia = Destino::AunReserva;
            continue;
        }
        if (faltaContrasena && !preguntada && Sesion::Interactivo()) {
            preguntada = true;
            if (const auto contrasena = Sesion::PedirClave(adonde)) {
                m_contrasena = contrasena->toUtf8();
                continue;
            }
            error = ErrorDeConexion(ErrorDeConexion::Tipo::Cancelada,
                                    QStringLiteral("Se canceló la conexión con la base de datos: no se escribió la "
                                                   "contraseña de %1.")
                                        .arg(adonde),
                                    error.Detalle());
        } else if (faltaContrasena) {
            error = ErrorDeConexion(ErrorDeConexion::Tipo::SinContrasena,
                                    QStringLiteral("El servidor PostgreSQL pide la contraseña de %1 y no está en "
                                                   "ninguno de sus sitios. %2")
                                        .arg(adonde, DondeVaLaContrasena()),
                                    error.Detalle());
        }
        m_contrasena.fill('\0');
        m_contrasena.clear();
        qCWarning(lcConexion).noquote() << error.Description() << QStringLiteral("| libpq:") << error.Detalle();
        throw error;
    }
    // Nothing waits on the socket but our own bounded wait, not even closing it.
    PQsetnonblocking(m_conn, 1);
    PQsetErrorVerbosity(m_conn, PQERRORS_DEFAULT);
    // Notices (a table that already exists, and the like) are no concern of the user's.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    const Resultado identidad = ejecutarVarias(m_ajustes);
    const auto valor = [&](int columna) { return QString::fromUtf8(PQgetvalue(identidad.get(), 0, columna)); };
    m_identidad = {valor(0), valor(1) == QLatin1String("t"), valor(2) == QLatin1String("t"),
                   valor(3) == QLatin1String("t")};
}

// Starts libpq's connection and drives it within the deadline, once per host it may try.
void ConexionPostgres::abrir(Destino hacia)
{
    std::vector<const char*> claves, valores;
    for (const auto& [clave, valor] : m_parametros) {
        claves.push_back(clave.constData());
        valores.push_back(valor.constData());
    }
    if (hacia == Destino::AunReserva) {  // the last keyword wins
        claves.push_back("target_session_attrs");
        valores.push_back("any");
    }
    if (!m_contrasena.isEmpty()) {
        claves.push_back("password");
        valores.push_back(m_contrasena.constData());
    }
    claves.push_back(nullptr);
    valores.push_back(nullptr);
    const LibpqEnIngles ingles;
    m_conn = PQconnectStartParams(claves.data(), valores.data(), 1);
    if (!m_conn)
        throw std::bad_alloc();
    // The server's reasons then carry their SQLSTATE, which MotivoDeConexion reads.
    PQsetErrorVerbosity(m_conn, PQERRORS_VERBOSE);
    const Limite limite = std::chrono::steady_clock::now() + m_espera * hostsDe(m_conn);
    // Just started, libpq waits to write.
    for (auto paso = PGRES_POLLING_WRITING; paso != PGRES_POLLING_OK && PQstatus(m_conn) != CONNECTION_BAD;
         paso = PQconnectPoll(m_conn)) {
        if (!esperar(paso == PGRES_POLLING_READING ? POLLIN : POLLOUT, limite)) {
            const QString adonde = DestinoDeConexion::De(m_conn).Texto();
            cerrar();
            throw ErrorDeConexion(ErrorDeConexion::Tipo::Inalcanzable,
                                  QStringLiteral("El servidor PostgreSQL no respondió en %1 s al conectar (%2)")
                                      .arg(m_espera.count() / 1000.0)
                                      .arg(adonde),
                                  {});
        }
    }
}

// A new session. A transaction still waiting in the queue, which the old session never saw,
// goes on in the new one.
void ConexionPostgres::reconectar()
{
    const bool reanudar = m_transaccion && m_transaccionSinEnviar;
    std::vector<EnCola> cola = reanudar ? std::exchange(m_enCola, {}) : std::vector<EnCola>();
    cerrar();
    m_transaccion = reanudar;
    m_transaccionSinEnviar = reanudar;
    m_enCola = std::move(cola);
    m_rafaga.Olvidar();
    conectar();
    ++m_reconexiones;
}

// A session the server ended while it sat idle (its backend terminated, the server restarted)
// has said so on the socket: noticed before a statement goes, the statement goes to a new
// session instead of into doubt. Costs a look at the socket, no round trip.
bool ConexionPostgres::sesionTerminada()
{
    for (int vistas = 0; !conexionPerdida() && vistas < 3; ++vistas) {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        if (::poll(&socket, 1, 0) <= 0 || !PQconsumeInput(m_conn))
            break;
    }
    return conexionPerdida();
}

// On a standby, the first statement of each new action looks for a primary again (one back, or
// another promoted); while none answers the new session is on a standby again. A standby
// promoted under the session needs none of this: the server reports the change itself.
void ConexionPostgres::buscarPrincipal()
{
    if (!m_accionNueva || !EnReserva())
        return;
    m_accionNueva = false;
    reconectar();
}

bool ConexionPostgres::EnReserva() const
{
    return m_conn && qstrcmp(PQparameterStatus(m_conn, "in_hot_standby"), "on") == 0;
}
