#include "UtileriasKes.h"

#include "BusquedaEnArbol.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"
#include "Identificador.h"
#include "Sesion.h"

#include <QTreeWidget>
#include <limits>

namespace {

QString comoTexto(const QVariant& valor)
{
    if (valor.isNull())
        return {};
    if (valor.typeId() == QMetaType::Double) {
        const double d = valor.toDouble();
        if (d == static_cast<double>(static_cast<qlonglong>(d)))
            return QString::number(static_cast<qlonglong>(d));
        return QString::number(d, 'g', 15);
    }
    return valor.toString();
}

// Keys made only of digits, and the largest of them. Keys longer than 18 significant digits
// do not fit in 64 bits; they are counted apart, as they exceed every 32-bit number.
QString sentenciaDelMayorNumero(const QString& tabla, const QString& campo)
{
    const bool postgres = Sesion::ConfiguracionActual().motor == Sesion::Configuracion::PostgreSQL;
    const QString texto = postgres ? QStringLiteral("CAST(%1 AS TEXT)").arg(campo) : campo;
    const QString soloDigitos = postgres ? QStringLiteral("%1 ~ '^[0-9]+$'").arg(texto)
                                         : QStringLiteral("%1 <> '' AND %1 NOT GLOB '*[^0-9]*'").arg(texto);
    return QStringLiteral("SELECT MAX(CASE WHEN length(ltrim(%1, '0')) <= 18 THEN CAST(%1 AS BIGINT) END) AS Mayor, "
                          "SUM(CASE WHEN length(ltrim(%1, '0')) > 18 THEN 1 ELSE 0 END) AS Enormes "
                          "FROM %2 WHERE %3")
        .arg(texto, tabla, soloDigitos);
}

}  // namespace

UtileriasKes::UtileriasKes(std::unique_ptr<AccesoDatos> mensajes)
    : m_mensajes(std::move(mensajes))
{}

UtileriasKes::~UtileriasKes() = default;

QString UtileriasKes::BuscarValor(const QString& tabla, const QString& campoClave, const QString& valorClave,
                                  const QString& campoResultado, long, const QString&, const QString&, const QString&)
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                            .arg(Identificador::Exigir(campoResultado, "campo"), Identificador::Exigir(tabla, "tabla"),
                                 Identificador::Exigir(campoClave, "campo"));
    auto rs = Sesion::Conexion()->Execute(sql, QVariantList{valorClave});
    if (rs->Eof())
        return {};
    return comoTexto(rs->Fields(campoResultado));
}

bool UtileriasKes::ExisteRegistro(const QString& tabla, const QString& campoClave, const QString& valorClave)
{
    const QString sql = QStringLiteral("SELECT 1 AS Existe FROM %1 WHERE %2 = ?")
                            .arg(Identificador::Exigir(tabla, "tabla"), Identificador::Exigir(campoClave, "campo"));
    return !Sesion::Conexion()->Execute(sql, QVariantList{valorClave})->Eof();
}

QDateTime UtileriasKes::FechaActual()
{
    QDateTime ahora = QDateTime::currentDateTime();
    ahora.setTime(QTime(ahora.time().hour(), ahora.time().minute(), ahora.time().second()));
    return ahora;
}

QString UtileriasKes::FormatoFecha(const QDateTime& fecha)
{
    return fecha.isValid() ? fecha.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString UtileriasKes::FormatoFechaRegistro(const QDateTime& fecha)
{
    return fecha.isValid() ? fecha.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

long UtileriasKes::SiguienteNumero(const QString& tabla, const QString& campo, const QString&, const QString&,
                                   const QString&, const QString&, const QString&, const QString&, const QString&)
{
    Identificador::Exigir(tabla, "tabla");
    Identificador::Exigir(campo, "campo");
    auto rs = Sesion::Conexion()->Execute(sentenciaDelMayorNumero(tabla, campo));
    const qlonglong mayor = rs->Fields(QStringLiteral("Mayor")).toLongLong();
    const qlonglong enormes = rs->Fields(QStringLiteral("Enormes")).toLongLong();
    if (enormes > 0 || mayor >= std::numeric_limits<qint32>::max())
        throw ErrorEjecucion(QStringLiteral("No hay más números automáticos para %1.%2: la clave numérica más alta ya "
                                            "llega al límite (%3)")
                                 .arg(tabla, campo)
                                 .arg(std::numeric_limits<qint32>::max()));
    return static_cast<long>(mayor + 1);
}

bool UtileriasKes::RegistrarCambio(const QString& tabla, const QString& clave, const QString& texto)
{
    return RegistrarCambios(tabla, {clave}, texto);
}

bool UtileriasKes::permitido(Connection& conexion, const QString& operador, const QString& tabla)
{
    auto permiso =
        conexion.Execute(QStringLiteral("SELECT MIN(Per_Escritura) AS Escritura FROM Kes_Permiso "
                                        "WHERE lower(Per_Operador) = lower(?) AND lower(Per_Tabla) = lower(?)"),
                         QVariantList{operador, tabla});
    const QVariant escritura = permiso->Fields(QStringLiteral("Escritura"));
    if (escritura.isNull() || escritura.toLongLong() != 0)
        return true;
    m_ultimoError = QStringLiteral("El operador %1 no tiene permiso para modificar la tabla %2").arg(operador, tabla);
    return false;
}

bool UtileriasKes::RegistrarCambios(const QString& tabla, const QStringList& claves, const QString& texto)
{
    m_ultimoError.clear();
    if (!Identificador::EsValido(tabla)) {
        m_ultimoError =
            QStringLiteral("El cambio no se puede registrar: el nombre de tabla \"%1\" no es válido").arg(tabla);
        return false;
    }
    Connection* conexion = Sesion::Conexion();
    if (!conexion->EnTransaccion()) {
        m_ultimoError = QStringLiteral("El cambio de la tabla %1 no se puede registrar: no hay una transacción "
                                       "abierta")
                            .arg(tabla);
        return false;
    }
    const QString operador = Sesion::Operador();
    const auto motor = Sesion::ConfiguracionActual().motor;
    // A server decides by its own rights; a file keeps the operators' permissions in a table.
    if (motor == Sesion::Configuracion::SQLite && !permitido(*conexion, operador, tabla))
        return false;
    // The time and the login are the database's own: a workstation's clock or name can be wrong.
    // Many keys go in rows of one statement, a few hundred at a time. Nothing here needs their
    // answer: across a network they travel with the COMMIT, which reports their failure.
    const QString fila = QStringLiteral("(?, ?, ?, %1, ?, ?, %2)")
                             .arg(Esquema::AhoraDelServidor(motor), Esquema::UsuarioDeLaBase(motor));
    constexpr qsizetype kPorSentencia = 200;
    for (qsizetype desde = 0; desde < claves.size(); desde += kPorSentencia) {
        const qsizetype cuantas = qMin(kPorSentencia, claves.size() - desde);
        QVariantList valores;
        valores.reserve(cuantas * 5);
        for (qsizetype i = desde; i < desde + cuantas; ++i)
            valores << tabla << claves[i] << operador << texto << Sesion::IdSesion();
        conexion->ExecuteSinRespuesta(QStringLiteral("INSERT INTO Kes_Bitacora (Bit_Tabla, Bit_Clave, Bit_Operador, Bit_Fecha, "
                                         "Bit_Transaccion, Bit_Sesion, Bit_Usuario_Base) VALUES ")
                              + QStringList(cuantas, fila).join(QStringLiteral(", ")),
                          valores);
    }
    return true;
}

QString UtileriasKes::UltimoError()
{
    return m_ultimoError;
}

void UtileriasKes::BuscarEnArbol(QTreeWidget* arbol, const QString& texto)
{
    if (!arbol || texto.trimmed().isEmpty())
        return;
    if (QTreeWidgetItem* nodo = BusquedaEnArbol::Siguiente(arbol, texto)) {
        BusquedaEnArbol::Mostrar(arbol, nodo);
        return;
    }
    const qintptr ventana = static_cast<qintptr>(arbol->window()->winId());
    m_mensajes->Mensaje(QStringLiteral("No se encontró \"%1\"").arg(texto), AccesoDatos::vbExclamation,
                        QStringLiteral("Buscar"), ventana, QStringLiteral("Kestrima"), QString());
}

QString UtileriasKes::ObtenerTransaccion(const QString& transaccionPadre, const QString& aplicacion)
{
    const QString padre = transaccionPadre.trimmed();
    return padre.isEmpty() ? aplicacion.trimmed() : padre;
}
