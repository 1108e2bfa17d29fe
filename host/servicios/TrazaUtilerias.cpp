#include "TrazaUtilerias.h"

#include "Trazado.h"

#include <QJsonArray>
#include <QTreeWidget>

namespace {

QJsonObject llamada(const char* nombre)
{
    return {{QStringLiteral("llamada"), QLatin1String(nombre)}};
}

QJsonArray textos(std::initializer_list<QString> valores)
{
    QJsonArray arreglo;
    for (const QString& v : valores)
        arreglo.append(v);
    return arreglo;
}

}  // namespace

TrazaUtilerias::TrazaUtilerias(std::unique_ptr<Utilerias> interior)
    : m_interior(std::move(interior))
{}

QString TrazaUtilerias::BuscarValor(const QString& tabla, const QString& campoClave, const QString& valorClave,
                                    const QString& campoResultado, long numero, const QString& texto1,
                                    const QString& texto2, const QString& texto3)
{
    if (!Sesion::TrazaActiva())
        return m_interior->BuscarValor(tabla, campoClave, valorClave, campoResultado, numero, texto1, texto2, texto3);
    QJsonObject traza = llamada("BuscarValor");
    traza.insert(QStringLiteral("tabla"), tabla);
    traza.insert(QStringLiteral("campoClave"), campoClave);
    traza.insert(QStringLiteral("valorClave"), valorClave);
    traza.insert(QStringLiteral("campoResultado"), campoResultado);
    traza.insert(QStringLiteral("numero"), static_cast<qint64>(numero));
    traza.insert(QStringLiteral("textos"), textos({texto1, texto2, texto3}));
    return Trazado::Ejecutar(traza, [&] {
        return m_interior->BuscarValor(tabla, campoClave, valorClave, campoResultado, numero, texto1, texto2, texto3);
    });
}

QDateTime TrazaUtilerias::FechaActual()
{
    return Trazado::Ejecutar(llamada("FechaActual"), [this] { return m_interior->FechaActual(); });
}

QString TrazaUtilerias::FormatoFecha(const QDateTime& fecha)
{
    if (!Sesion::TrazaActiva())
        return m_interior->FormatoFecha(fecha);
    QJsonObject traza = llamada("FormatoFecha");
    traza.insert(QStringLiteral("fecha"), Trazado::Json(fecha));
    return Trazado::Ejecutar(traza, [&] { return m_interior->FormatoFecha(fecha); });
}

QString TrazaUtilerias::FormatoFechaRegistro(const QDateTime& fecha)
{
    if (!Sesion::TrazaActiva())
        return m_interior->FormatoFechaRegistro(fecha);
    QJsonObject traza = llamada("FormatoFechaRegistro");
    traza.insert(QStringLiteral("fecha"), Trazado::Json(fecha));
    return Trazado::Ejecutar(traza, [&] { return m_interior->FormatoFechaRegistro(fecha); });
}

long TrazaUtilerias::SiguienteNumero(const QString& tabla, const QString& campo, const QString& texto1,
                                     const QString& texto2, const QString& texto3, const QString& texto4,
                                     const QString& texto5, const QString& texto6, const QString& texto7)
{
    if (!Sesion::TrazaActiva())
        return m_interior->SiguienteNumero(tabla, campo, texto1, texto2, texto3, texto4, texto5, texto6, texto7);
    QJsonObject traza = llamada("SiguienteNumero");
    traza.insert(QStringLiteral("tabla"), tabla);
    traza.insert(QStringLiteral("campo"), campo);
    traza.insert(QStringLiteral("textos"), textos({texto1, texto2, texto3, texto4, texto5, texto6, texto7}));
    return Trazado::Ejecutar(traza, [&] {
        return m_interior->SiguienteNumero(tabla, campo, texto1, texto2, texto3, texto4, texto5, texto6, texto7);
    });
}

bool TrazaUtilerias::RegistrarCambio(const QString& tabla, const QString& clave, const QString& texto)
{
    if (!Sesion::TrazaActiva())
        return m_interior->RegistrarCambio(tabla, clave, texto);
    QJsonObject traza = llamada("RegistrarCambio");
    traza.insert(QStringLiteral("tabla"), tabla);
    traza.insert(QStringLiteral("clave"), clave);
    traza.insert(QStringLiteral("texto"), texto);
    return Trazado::Ejecutar(traza, [&] { return m_interior->RegistrarCambio(tabla, clave, texto); });
}

QString TrazaUtilerias::UltimoError()
{
    return Trazado::Ejecutar(llamada("UltimoError"), [this] { return m_interior->UltimoError(); });
}

void TrazaUtilerias::BuscarEnArbol(QTreeWidget* arbol, const QString& texto)
{
    if (!Sesion::TrazaActiva())
        return m_interior->BuscarEnArbol(arbol, texto);
    QJsonObject traza = llamada("BuscarEnArbol");
    traza.insert(QStringLiteral("arbol"), arbol ? arbol->objectName() : QString());
    traza.insert(QStringLiteral("texto"), texto);
    Trazado::Ejecutar(traza, [&] { m_interior->BuscarEnArbol(arbol, texto); });
}

QString TrazaUtilerias::ObtenerTransaccion(const QString& transaccionPadre, const QString& aplicacion)
{
    if (!Sesion::TrazaActiva())
        return m_interior->ObtenerTransaccion(transaccionPadre, aplicacion);
    QJsonObject traza = llamada("ObtenerTransaccion");
    traza.insert(QStringLiteral("transaccionPadre"), transaccionPadre);
    traza.insert(QStringLiteral("aplicacion"), aplicacion);
    return Trazado::Ejecutar(traza, [&] { return m_interior->ObtenerTransaccion(transaccionPadre, aplicacion); });
}
