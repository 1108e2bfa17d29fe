#include "LoginDePrueba.h"

#include "BaseDePrueba.h"

#include <QUuid>
#include <libpq-fe.h>

SesionPorSocket::SesionPorSocket(const QString& usuario, const QString& esquema)
{
    QString cadena = QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
                         .arg(qEnvironmentVariable("TQ614_PG_SOCKET"), qEnvironmentVariable("TQ614_PG_PORT"), usuario,
                              qEnvironmentVariable("TQ614_PG_BASE"));
    if (!esquema.isEmpty())
        cadena += QStringLiteral(" options='-c search_path=%1 -c client_min_messages=warning'").arg(esquema);
    m_conexion = PQconnectdb(cadena.toUtf8().constData());
}

SesionPorSocket::~SesionPorSocket()
{
    PQfinish(m_conexion);
}

QString SesionPorSocket::Ejecutar(const QString& sql, QString* valor)
{
    const std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(m_conexion, sql.toUtf8().constData()), &PQclear);
    const auto estado = PQresultStatus(r.get());
    if (valor)
        *valor = PQntuples(r.get()) > 0 ? QString::fromUtf8(PQgetvalue(r.get(), 0, 0)) : QString();
    return estado == PGRES_COMMAND_OK || estado == PGRES_TUPLES_OK ? QString()
                                                                   : QString::fromUtf8(PQerrorMessage(m_conexion));
}

QString SesionPorSocket::Valor(const QString& sql)
{
    QString valor;
    if (const QString error = Ejecutar(sql, &valor); !error.isEmpty())
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return valor;
}

LoginDePrueba::LoginDePrueba(const QString& permisos)
    : m_nombre(QStringLiteral("tq614_p_") + QUuid::createUuid().toString(QUuid::Id128).left(12))
{
    Administrar(QStringLiteral("CREATE ROLE %1 LOGIN").arg(m_nombre));
    if (!permisos.isEmpty())
        Administrar(QString(permisos).replace(QStringLiteral("%1"), m_nombre));
}

LoginDePrueba::~LoginDePrueba()
{
    Administrar(QStringLiteral("DROP OWNED BY %1; DROP ROLE %1").arg(m_nombre));
}

void LoginDePrueba::Usar(BaseDePrueba& base) const
{
    base.Reconfigurar([&](Sesion::Configuracion& c) {
        c.servidor = qEnvironmentVariable("TQ614_PG_SOCKET");
        c.usuario = m_nombre;
    });
}

void LoginDePrueba::Administrar(const QString& sql)
{
    SesionPorSocket(qEnvironmentVariable("TQ614_PG_ADMIN")).Valor(sql);
}
