#include "SegundoUsuario.h"

#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "ErrorEjecucion.h"

#include <chrono>

SegundoUsuario::SegundoUsuario(Sesion::Configuracion configuracion)
{
    // Long enough to outwait the screen's transaction, short enough to end a broken test.
    configuracion.esperaBloqueoMs = 8000;
    if (configuracion.motor == Sesion::Configuracion::PostgreSQL)
        m_conexion = std::make_unique<ConexionPostgres>(configuracion);
    else
        m_conexion = std::make_unique<ConexionSqlite>(configuracion);
}

SegundoUsuario::~SegundoUsuario()
{
    if (m_pendiente.valid())
        m_pendiente.wait();
}

void SegundoUsuario::Ejecutar(const QString& sql, const QVariantList& parametros)
{
    m_conexion->Execute(sql, parametros);
}

void SegundoUsuario::Iniciar(const QString& sql, const QVariantList& parametros)
{
    m_pendiente = std::async(std::launch::async, [this, sql, parametros]() -> QString {
        try {
            m_conexion->Execute(sql, parametros);
            return QString();
        } catch (const ErrorEjecucion& error) {
            return error.Description().isEmpty() ? QStringLiteral("error") : error.Description();
        }
    });
}

bool SegundoUsuario::Esperar(int ms)
{
    return m_pendiente.valid()
        && m_pendiente.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
}

QString SegundoUsuario::Resultado()
{
    return m_pendiente.valid() ? m_pendiente.get() : QStringLiteral("no se inició");
}
