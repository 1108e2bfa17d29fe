#include "CatalogoCsv.h"

#include "AccesoDatosKes.h"
#include "Cantidades.h"
#include "ColumnasCsv.h"
#include "Csv.h"
#include "DesenlaceIncierto.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"
#include "GrupoCuenta.h"
#include "Servicios.h"
#include "Sesion.h"
#include "UtileriasKes.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace CatalogoCsv {

using namespace Columnas;

namespace {

// Characters as the database counts them (a character outside the basic plane is one).
qsizetype largo(const QString& texto)
{
    return texto.size() - std::count_if(texto.cbegin(), texto.cend(), [](QChar c) { return c.isLowSurrogate(); });
}

QString cuantos(qint64 n, const char* singular, const char* plural)
{
    return Cantidades::De(n, QString::fromUtf8(singular), QString::fromUtf8(plural));
}

}  // namespace

QString Importacion::Error::Texto() const
{
    return linea > 0 ? QStringLiteral("Línea %1: %2").arg(Cantidades::Numero(linea), razon) : razon;
}

QStringList Importacion::TextosDeError() const
{
    QStringList textos;
    for (const Error& e : m_errores)
        textos << e.Texto();
    if (m_existentesNoDichas > 0)
        textos << (m_existentesNoDichas == 1
                       ? QStringLiteral("y 1 línea más con una clave que ya existe")
                       : QStringLiteral("y %1 líneas más con claves que ya existen")
                             .arg(Cantidades::Numero(m_existentesNoDichas)));
    if (m_erroresNoDichos > 0)
        textos << QStringLiteral("y %1 más").arg(cuantos(m_erroresNoDichos, "error", "errores"));
    return textos;
}

void Importacion::error(int linea, const QString& razon, Tipo tipo)
{
    if (tipo == Tipo::ClaveExistente && ++m_existentes > kClavesExistentesDichas)
        ++m_existentesNoDichas;
    else if (m_errores.size() >= kMaximoErrores)
        ++m_erroresNoDichos;
    else
        m_errores << Error{linea, razon};
}

bool Importacion::Revisar(const QString& archivo, Connection& conexion)
{
    m_filas.clear();
    m_errores.clear();
    m_erroresNoDichos = m_existentesNoDichas = m_existentes = 0;
    m_lineaDeClave.clear();
    m_lineaRechazada.clear();
    // Only a regular file has an end known before it is read.
    const QFileInfo info(archivo);
    QString noEs;
    if (info.isDir())
        noEs = QStringLiteral("es una carpeta");
    else if (info.exists() && !info.isFile())
        noEs = QStringLiteral("es un dispositivo o una tubería, no un archivo guardado");
    if (!noEs.isEmpty()) {
        error(0, QStringLiteral("No se puede importar %1: %2. Elija el archivo CSV del catálogo").arg(archivo, noEs));
        return false;
    }
    QFile entrada(archivo);
    if (!entrada.open(QIODevice::ReadOnly)) {
        error(0, QStringLiteral("No se pudo abrir el archivo %1: %2").arg(archivo, entrada.errorString()));
        return false;
    }
    const auto demasiado = [this](const QString& cuanto) {
        error(0, QStringLiteral("El archivo %1: un catálogo de grupos no pasa de %2 MB. Revise que sea el archivo "
                                "correcto")
                     .arg(cuanto)
                     .arg(kMaximoBytes / (1024 * 1024)));
        return false;
    };
    if (entrada.size() > kMaximoBytes)
        return demasiado(QStringLiteral("mide %1 MB").arg(double(entrada.size()) / (1024 * 1024), 0, 'f', 1));
    Csv::Lector lector(entrada, kMaximoBytes);
    const bool leido = leerFilas(lector, conexion);
    if (lector.Excedido()) {
        // A file that grew while it was read, or one whose size the system does not know.
        m_filas.clear();
        m_errores.clear();
        m_erroresNoDichos = m_existentesNoDichas = 0;
        return demasiado(QStringLiteral("pasa de %1 MB").arg(kMaximoBytes / (1024 * 1024)));
    }
    return leido && m_errores.isEmpty();
}

bool Importacion::leerFilas(Csv::Lector& lector, Connection& conexion)
{
    Csv::Registro registro;
    if (!lector.Siguiente(registro)) {
        if (!lector.Excedido())
            error(0, QStringLiteral("El archivo está vacío: su primera línea debe nombrar las columnas del catálogo y "
                                    "cada línea siguiente, un grupo"));
        return false;
    }
    m_separador = lector.Separador();
    if (!leerEncabezado(registro))
        return false;
    m_formato = AccesoDatosKes()
                    .ObtenerParametro(GrupoCuenta::kParametroFormato, 0, QStringLiteral("T"),
                                      GrupoCuenta::kFormatoPredeterminado)
                    .toString();
    m_claves.clear();
    const QString claves = QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable").arg(GrupoCuenta::kCampoClave);
    for (auto rs = conexion.Execute(claves); !rs->Eof(); rs->MoveNext())
        m_claves.insert(rs->Fields(GrupoCuenta::kCampoClave).toString());
    while (lector.Siguiente(registro)) {
        if (m_filas.size() >= kMaximoGrupos) {
            error(registro.linea, QStringLiteral("el archivo trae más de %1: un catálogo no tiene tantos. Revise que "
                                                 "sea el archivo correcto")
                                      .arg(cuantos(kMaximoGrupos, "grupo", "grupos")));
            return false;
        }
        if (lector.ComillaSinCerrar() > 0) {
            // What follows the quote is one field up to the end: that record is no group.
            error(lector.ComillaSinCerrar(), QStringLiteral("unas comillas abren un campo que no se cierra"));
            break;
        }
        revisarRegistro(registro);
    }
    if (lector.Excedido())
        return false;
    revisarArbol();
    return true;
}

// The first line names the columns, by their headings or the table's names.
bool Importacion::leerEncabezado(const Csv::Registro& encabezado)
{
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    const qsizetype erroresAntes = m_errores.size();
    m_columnaDe.clear();
    int enEspanol = 0, porTabla = 0;
    for (const QString& campo : encabezado.campos) {
        const QString nombre = campo.trimmed();
        int columna = -1;
        for (int c = 0; c < columnas.size() && columna < 0; ++c) {
            if (Encabezados()[c].compare(nombre, Qt::CaseInsensitive) == 0)
                columna = c, ++enEspanol;
            else if (columnas[c].compare(nombre, Qt::CaseInsensitive) == 0)
                columna = c, ++porTabla;
        }
        m_enEspanol = enEspanol >= porTabla;
        const QStringList& nombres = m_enEspanol ? Encabezados() : columnas;
        if (columna < 0 && encabezado.campos.size() == 1)
            error(encabezado.linea,
                  QStringLiteral("no tiene columnas separadas por comas ni por punto y coma: debe nombrar las "
                                 "columnas del catálogo (%1)")
                      .arg(Encabezados().mid(0, kObligatorias).join(QStringLiteral(", "))));
        else if (columna < 0)
            error(encabezado.linea, QStringLiteral("la columna «%1» no es del catálogo de grupos").arg(nombre));
        else if (m_columnaDe.contains(columna))
            error(encabezado.linea, QStringLiteral("la columna %1 viene dos veces").arg(nombres[columna]));
        m_columnaDe << columna;
    }
    if (!encabezado.utf8)
        error(encabezado.linea, QStringLiteral("no está en UTF-8: guarde el archivo como «CSV UTF-8»"));
    for (int c = 0; c < kObligatorias; ++c)
        if (!m_columnaDe.contains(c) && m_columnaDe.size() > 1)
            error(encabezado.linea, QStringLiteral("falta la columna %1")
                                        .arg((m_enEspanol ? Encabezados() : Esquema::ColumnasDeGrupo())[c]));
    return m_errores.size() == erroresAntes;
}

void Importacion::revisarRegistro(const Csv::Registro& registro)
{
    if (std::all_of(registro.campos.cbegin(), registro.campos.cend(),
                    [](const QString& c) { return c.trimmed().isEmpty(); }))
        return;  // an empty row of a spreadsheet
    // A key of a rejected line is kept, so that its children are told why they cannot go in.
    const auto rechazar = [&](const QString& clave, const QString& razon, Tipo tipo = Tipo::General) {
        error(registro.linea, razon, tipo);
        if (!clave.isEmpty() && m_lineaRechazada.size() < kMaximoGrupos && !m_lineaRechazada.count(clave))
            m_lineaRechazada.emplace(clave, registro.linea);
    };
    if (registro.campos.size() != m_columnaDe.size()) {
        rechazar({}, QStringLiteral("tiene %1 y la primera línea, %2")
                         .arg(cuantos(registro.campos.size(), "campo", "campos"))
                         .arg(m_columnaDe.size()));
        return;
    }
    Fila fila;
    fila.linea = registro.linea;
    fila.valores = QVariantList(Esquema::ColumnasDeGrupo().size());
    for (qsizetype i = 0; i < m_columnaDe.size(); ++i) {
        const int c = m_columnaDe[i];
        const QString valor = Csv::Restaurar(registro.campos[i]);
        const bool recortar = c == kClave || c == kCodigo || c == kPadre || c == kNivel;
        fila.valores[c] = recortar                             ? valor.trimmed()
                          : c == kUserDef5 || c == kUserDef6 ? cambiarDia(valor, kDiaDelArchivo, kDiaDelEditor)
                                                               : valor;
    }
    // Keys are stored upper-cased, as the editor stores them.
    fila.clave = fila.valores[kClave].toString().toUpper();
    fila.padre = fila.valores[kPadre].toString().toUpper();
    if (fila.padre.isEmpty())
        fila.padre = GrupoCuenta::kClaveRaiz;
    else if (const auto padre = m_lineaDeClave.find(fila.padre); padre != m_lineaDeClave.end())
        fila.padre = padre->first;  // one text for a parent's key and its children's
    fila.valores[kClave] = fila.clave;
    fila.valores[kPadre] = fila.padre;
    if (!registro.utf8) {
        rechazar(fila.clave, QStringLiteral("no está en UTF-8: guarde el archivo como «CSV UTF-8»"));
        return;
    }
    Tipo tipo = Tipo::General;
    QString razon = razonDeRechazo(fila, &tipo);
    if (const QString numeros = revisarNumeros(fila); razon.isEmpty())
        razon = numeros;
    if (!razon.isEmpty()) {
        rechazar(fila.clave, razon, tipo);
        return;
    }
    // A level left out follows from the code; a heading without a code sits on level 0.
    const QString codigo = fila.valores[kCodigo].toString(), nivel = fila.valores[kNivel].toString();
    fila.valores[kNivel] = !nivel.isEmpty() ? nivel.toInt()
                           : codigo.isEmpty() || codigo == GrupoCuenta::kCodigoNivelManual
                               ? 0
                               : GrupoCuenta::NivelDeCodigo(codigo);
    m_lineaDeClave.emplace(fila.clave, fila.linea);
    QStringList campos;
    for (int c : m_columnaDe)
        campos << fila.valores[c].toString();
    fila.campos = campos.join(QChar(0)).toUtf8();
    fila.valores = QVariantList();  // clear() would keep its room
    m_filas << fila;
}

QVariantList Importacion::valoresDe(const Fila& fila, const QVariantList& predeterminados) const
{
    QVariantList valores = predeterminados;
    const QStringList campos = QString::fromUtf8(fila.campos).split(QChar(0));
    for (qsizetype i = 0; i < m_columnaDe.size(); ++i) {
        const int c = m_columnaDe[i];
        valores[c] = c == kNivel ? QVariant(campos[i].toInt())
                     : esReal(c) ? QVariant(campos[i].toDouble())
                                 : QVariant(campos[i]);
    }
    return valores;
}

// The editor's checks first, in its order, then what the table itself requires.
QString Importacion::razonDeRechazo(const Fila& fila, Tipo* tipo) const
{
    const QString descripcion = fila.valores[kDescripcion].toString(), codigo = fila.valores[kCodigo].toString(),
                  nivel = fila.valores[kNivel].toString();
    bool entero = true;
    const int nivelDado = nivel.toInt(&entero);
    if (std::any_of(fila.valores.cbegin(), fila.valores.cend(),
                    [](const QVariant& v) { return v.toString().contains(QChar(0)); }))
        return QStringLiteral("tiene un carácter nulo, que no es texto: revise que sea un archivo CSV");
    if (fila.clave.isEmpty())
        return QStringLiteral("falta la clave");
    if (fila.clave == GrupoCuenta::kClaveRaiz)
        return QStringLiteral("la clave 0 es la de la raíz del catálogo");
    if (GrupoCuenta::ClaveExcedeFormato(fila.clave, m_formato))
        return QStringLiteral("la clave %1 tiene más caracteres que el formato de clave %2").arg(fila.clave, m_formato);
    if (m_claves.count(fila.clave)) {
        *tipo = Tipo::ClaveExistente;
        return QStringLiteral("la clave %1 ya existe en el catálogo").arg(fila.clave);
    }
    if (const auto it = m_lineaDeClave.find(fila.clave); it != m_lineaDeClave.end())
        return QStringLiteral("la clave %1 ya viene en la línea %2").arg(fila.clave, Cantidades::Numero(it->second));
    if (descripcion.isEmpty())
        return QStringLiteral("falta la descripción");
    if (largo(descripcion) > kLargoDescripcion)
        return QStringLiteral("la descripción tiene más de %1 caracteres").arg(kLargoDescripcion);
    if (codigo.isEmpty() && GrupoCuenta::EsClaveNumerica(fila.clave))
        return QStringLiteral("la clave %1 es numérica y le falta el código").arg(fila.clave);
    if (largo(codigo) > kLargoCodigo)
        return QStringLiteral("el código tiene más de %1 caracteres").arg(kLargoCodigo);
    if (!nivel.isEmpty() && (!entero || nivelDado < 0))
        return QStringLiteral("el nivel «%1» no es un número entero de 0 en adelante").arg(nivel);
    if (codigo == GrupoCuenta::kCodigoNivelManual && nivel.isEmpty())
        return QStringLiteral("con el código 000 hay que indicar el nivel");
    if (!codigo.isEmpty() && codigo != GrupoCuenta::kCodigoNivelManual && !nivel.isEmpty()
        && nivelDado != GrupoCuenta::NivelDeCodigo(codigo))
        return QStringLiteral("el nivel %1 no corresponde al código %2, que es de nivel %3")
            .arg(nivel, codigo)
            .arg(GrupoCuenta::NivelDeCodigo(codigo));
    if (largo(fila.padre) > kLargoClave)
        return QStringLiteral("la clave del grupo padre tiene más de %1 caracteres").arg(kLargoClave);
    return {};
}

// The real columns, given with the file's decimal mark; an empty one is 0.
QString Importacion::revisarNumeros(Fila& fila) const
{
    QString razon;
    for (int c : {kUserDef3, kUserDef4}) {
        if (fila.valores[c].isNull())
            continue;  // left out of the file
        const QString original = fila.valores[c].toString().trimmed();
        QString texto = original;
        if (m_separador == Csv::kPuntoYComa)
            texto.replace(QLatin1Char(','), QLatin1Char('.'));
        bool esNumero = true;
        fila.valores[c] = texto.isEmpty() ? 0.0 : texto.toDouble(&esNumero);
        if (!esNumero && razon.isEmpty())
            razon = QStringLiteral("el valor «%1» de la columna %2 no es un número")
                        .arg(original, (m_enEspanol ? Encabezados() : Esquema::ColumnasDeGrupo())[c]);
    }
    return razon;
}

bool Importacion::Escribir(Connection& conexion, UtileriasKes& utilerias,
                           const std::function<bool(int hechos, int total)>& progreso)
{
    if (!m_errores.isEmpty())
        return false;
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    // What the editor writes in the columns a file leaves out.
    const QDateTime ahora = utilerias.FechaActual();
    const QString fecha = utilerias.FormatoFecha(ahora), sello = utilerias.FormatoFechaRegistro(ahora),
                  operador = Sesion::Operador();
    const QVariantList predeterminados{{},    {},    {},       {},       {},    QString(), QString(),           0, 0,
                                       fecha, fecha, operador, operador, sello, sello,     QStringLiteral("AC")};
    const QString valores = QStringLiteral("(?%1)").arg(QStringLiteral(", ?").repeated(columnas.size() - 1));
    const QString insercion =
        QStringLiteral("INSERT INTO Grupo_Cuenta_Contable (%1) VALUES ").arg(columnas.join(QStringLiteral(", ")));
    // Groups go in rows of one statement, parents in an earlier one or earlier in the same.
    constexpr int kPorSentencia = 50;
    const int total = Grupos();
    QString razon, desenlace;
    conexion.BeginTrans();
    try {
        for (int desde = 0; desde < total && razon.isEmpty(); desde += kPorSentencia) {
            const int cuantos = qMin(kPorSentencia, total - desde);
            QVariantList fila;
            QStringList claves;
            for (int i = desde; i < desde + cuantos; ++i) {
                fila << valoresDe(m_filas[i], predeterminados);
                claves << m_filas[i].clave;
            }
            conexion.Execute(insercion + QStringList(cuantos, valores).join(QStringLiteral(", ")), fila);
            if (!utilerias.RegistrarCambios(GrupoCuenta::kTabla, claves, QString()))
                razon = utilerias.UltimoError();
            else if (progreso && !progreso(desde + cuantos, total))
                razon = QStringLiteral("la importación se canceló");
        }
        if (razon.isEmpty()) {
            conexion.CommitTrans();
            return true;
        }
    } catch (const ErrorEjecucion& e) {
        razon = e.Description();
        if (DesenlaceIncierto::EsDesenlace(e))
            desenlace = razon;  // already says what became of the groups
    }
    if (conexion.EnTransaccion()) {
        try {
            conexion.RollbackTrans();
        } catch (const ErrorEjecucion&) {
            // the first error is the one worth reporting
        }
    }
    error(0, desenlace.isEmpty() ? QStringLiteral("No se importó ningún grupo: %1").arg(razon) : desenlace);
    return false;
}

}  // namespace CatalogoCsv
