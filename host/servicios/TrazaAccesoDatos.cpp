#include "TrazaAccesoDatos.h"

#include "Trazado.h"

TrazaAccesoDatos::TrazaAccesoDatos(std::unique_ptr<AccesoDatos> interior)
    : m_interior(std::move(interior))
    , m_conexion(m_interior.get())
{}

Connection* TrazaAccesoDatos::Conexion()
{
    // Opens the session's connection (and reports a failure to open it) before handing
    // out the traced one: every call returns the same object.
    if (Sesion::TrazaActiva())
        Trazado::Ejecutar({{QStringLiteral("llamada"), QStringLiteral("Conexion")}},
                          [this] { m_interior->Conexion(); });
    else
        m_interior->Conexion();
    return &m_conexion;
}

QString TrazaAccesoDatos::Operador()
{
    if (!Sesion::TrazaActiva())
        return m_interior->Operador();
    return Trazado::Ejecutar({{QStringLiteral("llamada"), QStringLiteral("Operador")}},
                             [this] { return m_interior->Operador(); });
}

QVariant TrazaAccesoDatos::ObtenerParametro(const QString& nombre, long numero, const QString& tipo,
                                            const QVariant& predeterminado)
{
    if (!Sesion::TrazaActiva())
        return m_interior->ObtenerParametro(nombre, numero, tipo, predeterminado);
    return Trazado::Ejecutar({{QStringLiteral("llamada"), QStringLiteral("ObtenerParametro")},
                              {QStringLiteral("nombre"), nombre},
                              {QStringLiteral("numero"), static_cast<qint64>(numero)},
                              {QStringLiteral("tipo"), tipo},
                              {QStringLiteral("predeterminado"), Trazado::Json(predeterminado)}},
                             [&] { return m_interior->ObtenerParametro(nombre, numero, tipo, predeterminado); });
}

void TrazaAccesoDatos::Mensaje(const QString& texto, long estilo, const QString& titulo, qintptr ventana,
                               const QString& proyecto, const QString& idError)
{
    if (!Sesion::TrazaActiva())
        return m_interior->Mensaje(texto, estilo, titulo, ventana, proyecto, idError);
    Trazado::Ejecutar({{QStringLiteral("llamada"), QStringLiteral("Mensaje")},
                       {QStringLiteral("texto"), texto},
                       {QStringLiteral("estilo"), static_cast<qint64>(estilo)},
                       {QStringLiteral("titulo"), titulo},
                       {QStringLiteral("ventana"), static_cast<qint64>(ventana)},
                       {QStringLiteral("proyecto"), proyecto},
                       {QStringLiteral("idError"), idError}},
                      [&] { m_interior->Mensaje(texto, estilo, titulo, ventana, proyecto, idError); });
}
