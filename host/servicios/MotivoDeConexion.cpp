#include "MotivoDeConexion.h"

#include <QRegularExpression>
#include <QStringList>
#include <clocale>
#include <libpq-fe.h>
#include <locale.h>

namespace {

QString valor(const char* texto)
{
    return texto ? QString::fromUtf8(texto) : QString();
}

// A setting of the connection as libpq resolved it ("sslmode", "service").
QString ajuste(const PGconn* conexion, const char* nombre)
{
    QString resultado;
    PQconninfoOption* opciones = PQconninfo(const_cast<PGconn*>(conexion));
    for (const PQconninfoOption* o = opciones; o && o->keyword; ++o)
        if (qstrcmp(o->keyword, nombre) == 0)
            resultado = valor(o->val);
    PQconninfoFree(opciones);
    return resultado;
}

// The first capture of `patron` in `texto`, or a null text.
QString captura(const QString& texto, const char* patron)
{
    const QRegularExpressionMatch encontrado = QRegularExpression(QLatin1String(patron)).match(texto);
    return encontrado.hasMatch() ? encontrado.captured(1) : QString();
}

bool contiene(const QString& texto, std::initializer_list<const char*> frases)
{
    for (const char* frase : frases)
        if (texto.contains(QLatin1String(frase), Qt::CaseInsensitive))
            return true;
    return false;
}

using Tipo = ErrorDeConexion::Tipo;

struct Motivo
{
    Tipo tipo;
    QString texto;
};

// What the server said, by the SQLSTATE it sent (in any language it speaks).
Motivo delServidor(const QString& estado, const DestinoDeConexion& d, bool contrasenaEscrita)
{
    if (estado == QLatin1String("28P01"))
        return {contrasenaEscrita ? Tipo::ContrasenaEscritaRechazada : Tipo::ContrasenaRechazada,
                QStringLiteral("rechazó la contraseña %1del usuario «%2» (o ese usuario no existe)")
                    .arg(contrasenaEscrita ? QStringLiteral("escrita ") : QString(), d.usuario)};
    if (estado == QLatin1String("28000"))
        return {Tipo::AccesoNegado,
                QStringLiteral("no deja entrar al usuario «%1» a la base «%2» desde este equipo: el usuario no existe, o "
                               "las reglas de acceso del servidor (pg_hba.conf) no lo permiten o exigen una conexión "
                               "cifrada (sslmode=require)")
                    .arg(d.usuario, d.base)};
    if (estado == QLatin1String("3D000"))
        return {Tipo::BaseInexistente, QStringLiteral("la base de datos «%1» no existe en él").arg(d.base)};
    if (estado == QLatin1String("53300"))
        return {Tipo::Inalcanzable, QStringLiteral("no admite más conexiones por ahora")};
    if (estado.startsWith(QLatin1String("57P")))
        return {Tipo::Inalcanzable, QStringLiteral("está arrancando o deteniéndose")};
    return {Tipo::Otro, QStringLiteral("rechazó la conexión")};
}

// What libpq itself said (read in English).
Motivo deLibpq(const QString& texto, const PGconn* conexion)
{
    if (const QString nombre = captura(texto, "invalid connection option \"([^\"]*)\""); !nombre.isNull())
        return {Tipo::Ajuste, QStringLiteral("la conexión tiene un ajuste que libpq no conoce: «%1»").arg(nombre)};
    if (const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("invalid (\\w+) value: \"([^\"]*)\"")).match(texto);
        m.hasMatch())
        return {Tipo::Ajuste,
                QStringLiteral("el ajuste «%1» no admite el valor «%2»").arg(m.captured(1), m.captured(2))};
    if (contiene(texto, {"connection info string", "invalid URI", "unexpected spaces", "unterminated quoted"}))
        return {Tipo::Ajuste, QStringLiteral("la cadena de conexión no tiene la forma que lee libpq (ajuste=valor "
                                             "separados por espacios, o una URI postgresql://…)")};
    if (const QString servicio = captura(texto, "definition of service \"([^\"]*)\" not found"); !servicio.isNull())
        return {Tipo::ServicioInexistente, QStringLiteral("el servicio «%1» no está en el archivo de servicios "
                                                          "(pg_service.conf, o el que indique PGSERVICEFILE)")
                                               .arg(servicio)};
    if (const QString archivo = captura(texto, "service file \"([^\"]*)\" not found"); !archivo.isNull())
        return {Tipo::ServicioInexistente,
                QStringLiteral("no se encuentra el archivo de servicios «%1» (PGSERVICEFILE)").arg(archivo)};
    if (texto.contains(QLatin1String("does not support SSL")))
        return {Tipo::Tls, QStringLiteral("no admite conexiones cifradas (TLS) y la conexión las exige (sslmode=%1)")
                               .arg(ajuste(conexion, "sslmode"))};
    if (texto.contains(QLatin1String("certificate verify failed")))
        return {Tipo::Tls, QStringLiteral("su certificado no lo firmó la autoridad en la que se confía (sslrootcert)")};
    if (texto.contains(QLatin1String("does not match host name")))
        return {Tipo::Tls, QStringLiteral("su certificado es de otro nombre que el servidor al que se conecta")};
    if (const QString archivo = captura(texto, "root certificate file \"([^\"]*)\" does not exist");
        !archivo.isNull())
        return {Tipo::Tls, QStringLiteral("no se encuentra el certificado de la autoridad «%1» (sslrootcert) con que "
                                          "comprobarlo")
                               .arg(archivo)};
    if (contiene(texto, {"SSL", "certificate"}))
        return {Tipo::Tls, QStringLiteral("la conexión cifrada (TLS) con él falló")};
    if (const QString nombre = captura(texto, "could not translate host name \"([^\"]*)\""); !nombre.isNull())
        return {Tipo::Inalcanzable, QStringLiteral("el nombre «%1» no es el de ningún equipo conocido").arg(nombre)};
    if (contiene(texto, {"could not connect", "Connection refused", "timeout expired", "No route to host",
                         "Network is unreachable", "closed the connection", "No such file or directory"}))
        return {Tipo::Inalcanzable, QStringLiteral("no se llega a él: no está en marcha, el nombre o el puerto no son "
                                                   "los suyos, o la red no llega hasta él")};
    return {Tipo::Otro, QStringLiteral("rechazó la conexión")};
}

// The SQLSTATE a failure of each kind is reported with.
QString codigoDe(Tipo tipo)
{
    switch (tipo) {
    case Tipo::ContrasenaRechazada:
    case Tipo::ContrasenaEscritaRechazada:
    case Tipo::SinContrasena:
    case Tipo::Cancelada:
        return QStringLiteral("28P01");
    case Tipo::AccesoNegado:
        return QStringLiteral("28000");
    case Tipo::BaseInexistente:
        return QStringLiteral("3D000");
    default:
        return QStringLiteral("08001");
    }
}

}  // namespace

ErrorDeConexion::ErrorDeConexion(Tipo tipo, const QString& motivo, const QString& detalle)
    : ErrorEjecucion(motivo, codigoDe(tipo))
    , m_tipo(tipo)
    , m_detalle(detalle)
{}

DestinoDeConexion DestinoDeConexion::De(const pg_conn* conexion)
{
    auto* c = const_cast<PGconn*>(conexion);
    return {valor(PQuser(c)), valor(PQhost(c)), valor(PQport(c)), valor(PQdb(c)), ajuste(c, "service")};
}

QString DestinoDeConexion::Servidor() const
{
    if (servidor.isEmpty())
        return {};
    return QStringLiteral("«%1»").arg(puerto.isEmpty() ? servidor : servidor + QLatin1Char(':') + puerto);
}

QString DestinoDeConexion::Texto() const
{
    return QStringLiteral("«%1» en %2, base «%3»").arg(usuario, Servidor(), base);
}

ErrorDeConexion MotivoDeConexion(const pg_conn* conexion, bool contrasenaEscrita)
{
    QStringList lineas = valor(PQerrorMessage(const_cast<PGconn*>(conexion))).trimmed().split(QLatin1Char('\n'));
    lineas.removeIf([](const QString& linea) { return linea.startsWith(QLatin1String("LOCATION:")); });
    const QString detalle = lineas.join(QLatin1Char('\n'));
    const DestinoDeConexion destino = DestinoDeConexion::De(conexion);
    const QString estado = captura(detalle, ":\\s+((?=[A-Z]*[0-9])[0-9A-Z]{5}):\\s");
    const Motivo motivo =
        estado.isNull() ? deLibpq(detalle, conexion) : delServidor(estado, destino, contrasenaEscrita);
    const QString servidor = destino.Servidor();
    return ErrorDeConexion(motivo.tipo,
                           QStringLiteral("No se pudo conectar con el servidor PostgreSQL%1: %2")
                               .arg(servidor.isEmpty() ? QString() : QLatin1Char(' ') + servidor, motivo.texto),
                           detalle);
}

LibpqEnIngles::LibpqEnIngles()
    : m_anterior(uselocale(static_cast<locale_t>(nullptr)))
    , m_ingles(nullptr)
{
    // Only the messages change: numbers and characters keep the thread's locale.
    locale_t base = duplocale(static_cast<locale_t>(m_anterior));
    if (!base)
        return;
    m_ingles = newlocale(LC_MESSAGES_MASK, "C", base);
    if (!m_ingles) {
        freelocale(base);
        return;
    }
    uselocale(static_cast<locale_t>(m_ingles));
}

LibpqEnIngles::~LibpqEnIngles()
{
    if (!m_ingles)
        return;
    uselocale(static_cast<locale_t>(m_anterior));
    freelocale(static_cast<locale_t>(m_ingles));
}
