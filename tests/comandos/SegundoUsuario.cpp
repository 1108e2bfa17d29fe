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
    Sesion::EstablecerObservadorTraza({});
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

void SegundoUsuario::Intervenir(std::function<bool(const QJsonObject&)> cuando, const QString& sql, Modo modo)
{
    Sesion::EstablecerObservadorTraza([this, cuando, sql, modo](const QJsonObject& llamada) {
        if (m_intervino || !cuando(llamada))
            return;
        m_intervino = true;
        if (modo == Modo::Ejecutar) {
            Ejecutar(sql);
        } else {
            Iniciar(sql);
            Esperar(300);
        }
    });
}

QString SegundoUsuario::InsercionDeGrupo(const QString& clave, const QString& padre, int nivel)
{
    return QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion,"
                          " Gcc_Codigo, Gcc_Padre, Gcc_Nivel) VALUES ('%1', 'DEL OTRO', '', '%2', %3)")
        .arg(clave, padre)
        .arg(nivel);
}
