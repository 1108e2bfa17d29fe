#include "CatalogoCsv.h"

#include "AccesoDatosKes.h"
#include "Csv.h"
#include "DesenlaceIncierto.h"
#include "ErrorEjecucion.h"
#include "Esquema.h"
#include "GrupoCuenta.h"
#include "Servicios.h"
#include "Sesion.h"
#include "UtileriasKes.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

namespace CatalogoCsv {

namespace {

// Positions in Esquema::ColumnasDeGrupo(). The first five are what the editor asks for, and
// every file must have them; the others are filled as the editor fills them when missing.
enum Columna { kClave, kDescripcion, kCodigo, kPadre, kNivel, kObligatorias };
constexpr int kUserDef3 = 7, kUserDef4 = 8;
// The lengths the editor's boxes allow.
constexpr int kLargoDescripcion = 200, kLargoCodigo = 30, kLargoClave = 30;

bool esReal(int columna)
{
    return columna == kUserDef3 || columna == kUserDef4;
}

QString numero(double valor, char separador)
{
    QString texto = QString::number(valor, 'g', 15);
    return separador == Csv::kPuntoYComa ? texto.replace(QLatin1Char('.'), QLatin1Char(',')) : texto;
}

}  // namespace

QString Importacion::Error::Texto() const
{
    return linea > 0 ? QStringLiteral("Línea %1: %2").arg(linea).arg(razon) : razon;
}

QStringList Importacion::TextosDeError() const
{
    QStringList textos;
    for (const Error& e : m_errores)
        textos << e.Texto();
    return textos;
}

bool Escribir(const QString& archivo, const QStringList& encabezado, const QList<QStringList>& filas, char separador,
              QString* error)
{
    QSaveFile salida(archivo);
    if (salida.open(QIODevice::WriteOnly)) {
        salida.write(Csv::kMarcaUtf8);
        salida.write(Csv::Linea(encabezado, separador));
        for (const QStringList& fila : filas)
            salida.write(Csv::Linea(fila, separador));
        if (salida.commit())
            return true;
    }
    if (error)
        *error = QStringLiteral("No se pudo escribir el archivo %1: %2").arg(archivo, salida.errorString());
    return false;
}

int Exportar(Connection& conexion, const QString& archivo, char separador, QString* error)
{
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    QList<QStringList> filas;
    auto rs = conexion.Execute(QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable ORDER BY %2")
                                   .arg(columnas.join(QStringLiteral(", ")), GrupoCuenta::kCampoClave));
    for (; !rs->Eof(); rs->MoveNext()) {
        QStringList fila;
        for (int c = 0; c < columnas.size(); ++c) {
            const QVariant valor = rs->Fields(columnas[c]);
            fila << (valor.isNull() ? QString() : esReal(c) ? numero(valor.toDouble(), separador) : valor.toString());
        }
        filas << fila;
    }
    return Escribir(archivo, columnas, filas, separador, error) ? int(filas.size()) : -1;
}

bool Importacion::Revisar(const QString& archivo, Connection& conexion)
{
    m_filas.clear();
    m_errores.clear();
    QFile entrada(archivo);
    if (!entrada.open(QIODevice::ReadOnly)) {
        error(0, QStringLiteral("No se pudo abrir el archivo %1: %2").arg(archivo, entrada.errorString()));
        return false;
    }
    if (entrada.size() > kMaximoBytes) {
        error(0, QStringLiteral("El archivo mide %1 MB: un catálogo de grupos no pasa de %2 MB. Revise que sea el "
                                "archivo correcto")
                     .arg(double(entrada.size()) / (1024 * 1024), 0, 'f', 1)
                     .arg(kMaximoBytes / (1024 * 1024)));
        return false;
    }
    QByteArray datos = entrada.readAll();
    if (datos.startsWith(Csv::kMarcaUtf8))
        datos.remove(0, Csv::kMarcaUtf8.size());
    if (datos.trimmed().isEmpty()) {
        error(0, QStringLiteral("El archivo está vacío: su primera línea debe nombrar las columnas del catálogo y "
                                "cada línea siguiente, un grupo"));
        return false;
    }
    return leerFilas(datos, conexion) && m_errores.isEmpty();
}

bool Importacion::leerFilas(const QByteArray& datos, Connection& conexion)
{
    const QStringList& columnas = Esquema::ColumnasDeGrupo();
    // The whole file is read as UTF-8; only when that fails are its lines told apart.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texto = utf8(datos);
    QSet<int> lineasMalas;
    if (utf8.hasError()) {
        const QList<QByteArray> lineas = datos.split('\n');
        for (int l = 0; l < lineas.size(); ++l) {
            QStringDecoder linea(QStringDecoder::Utf8);
            const QString decodificada = linea.decode(lineas[l]);  // decoded when it becomes a text
            if (linea.hasError())
                lineasMalas.insert(l + 1);
        }
    }
    const auto enUtf8 = [&](const Csv::Registro& r) {
        for (int l = r.linea; l <= r.ultimaLinea && !lineasMalas.isEmpty(); ++l)
            if (lineasMalas.contains(l))
                return false;
        return true;
    };
    const QString noUtf8 = QStringLiteral("no está en UTF-8: guarde el archivo como «CSV UTF-8»");
    const char separador = Csv::Separador(texto);
    Csv::Lectura lectura = Csv::Leer(texto, separador);
    if (lectura.comillaSinCerrar > 0) {
        // What follows the quote is one field up to the end: that record is no group.
        error(lectura.comillaSinCerrar, QStringLiteral("unas comillas abren un campo que no se cierra"));
        if (lectura.registros.size() > 1)
            lectura.registros.removeLast();
    }

    // The first line names the columns.
    const qsizetype erroresAntes = m_errores.size();
    const Csv::Registro& encabezado = lectura.registros.first();
    QList<int> columnaDe;
    for (const QString& campo : encabezado.campos) {
        const QString nombre = campo.trimmed();
        const auto it = std::find_if(columnas.cbegin(), columnas.cend(),
                                     [&](const QString& c) { return c.compare(nombre, Qt::CaseInsensitive) == 0; });
        const int columna = it == columnas.cend() ? -1 : int(it - columnas.cbegin());
        if (columna < 0 && encabezado.campos.size() == 1)
            error(encabezado.linea,
                  QStringLiteral("no tiene columnas separadas por comas ni por punto y coma: debe nombrar las "
                                 "columnas del catálogo (%1)")
                      .arg(columnas.mid(0, kObligatorias).join(QStringLiteral(", "))));
        else if (columna < 0)
            error(encabezado.linea, QStringLiteral("la columna «%1» no es del catálogo de grupos").arg(nombre));
        else if (columnaDe.contains(columna))
            error(encabezado.linea, QStringLiteral("la columna %1 viene dos veces").arg(columnas[columna]));
        columnaDe << columna;
    }
    if (!enUtf8(encabezado))
        error(encabezado.linea, noUtf8);
    for (int c = 0; c < kObligatorias; ++c)
        if (!columnaDe.contains(c) && columnaDe.size() > 1)
            error(encabezado.linea, QStringLiteral("falta la columna %1").arg(columnas[c]));
    if (m_errores.size() > erroresAntes)
        return false;

    QString formato = AccesoDatosKes()
                          .ObtenerParametro(GrupoCuenta::kParametroFormato, 0, QStringLiteral("T"),
                                            GrupoCuenta::kFormatoPredeterminado)
                          .toString();
    Claves existentes;
    const QString claves = QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable").arg(GrupoCuenta::kCampoClave);
    for (auto rs = conexion.Execute(claves); !rs->Eof(); rs->MoveNext())
        existentes.insert(rs->Fields(GrupoCuenta::kCampoClave).toString());
    PorClave<int> lineaDeClave;
    for (qsizetype r = 1; r < lectura.registros.size(); ++r) {
        const Csv::Registro& registro = lectura.registros[r];
        if (std::all_of(registro.campos.cbegin(), registro.campos.cend(),
                        [](const QString& c) { return c.trimmed().isEmpty(); }))
            continue;  // an empty row of a spreadsheet
        if (!enUtf8(registro)) {
            error(registro.linea, noUtf8);
            continue;
        }
        if (registro.campos.size() != columnaDe.size()) {
            error(registro.linea, QStringLiteral("tiene %1 campos y la primera línea, %2")
                                      .arg(registro.campos.size())
                                      .arg(columnaDe.size()));
            continue;
        }
        Fila fila{registro.linea, {}, {}, QVariantList(columnas.size())};
        for (qsizetype i = 0; i < columnaDe.size(); ++i) {
            const int c = columnaDe[i];
            const bool recortar = c == kClave || c == kCodigo || c == kPadre || c == kNivel;
            fila.valores[c] = recortar ? registro.campos[i].trimmed() : registro.campos[i];
        }
        fila.clave = fila.valores[kClave].toString();
        fila.padre = fila.valores[kPadre].toString();
        if (fila.padre.isEmpty())
            fila.valores[kPadre] = fila.padre = GrupoCuenta::kClaveRaiz;
        const QString descripcion = fila.valores[kDescripcion].toString(), codigo = fila.valores[kCodigo].toString(),
                      nivel = fila.valores[kNivel].toString();
        bool entero = true;
        const int nivelDado = nivel.toInt(&entero);
        QString razon;
        // The editor's checks first, in its order, then what the table itself requires.
        if (fila.clave.isEmpty())
            razon = QStringLiteral("falta la clave");
        else if (fila.clave == GrupoCuenta::kClaveRaiz)
            razon = QStringLiteral("la clave 0 es la de la raíz del catálogo");
        else if (GrupoCuenta::ClaveExcedeFormato(fila.clave, formato))
            razon =
                QStringLiteral("la clave %1 tiene más caracteres que el formato de clave %2").arg(fila.clave, formato);
        else if (existentes.count(fila.clave))
            razon = QStringLiteral("la clave %1 ya existe en el catálogo").arg(fila.clave);
        else if (lineaDeClave.count(fila.clave))
            razon = QStringLiteral("la clave %1 ya viene en la línea %2").arg(fila.clave).arg(lineaDeClave[fila.clave]);
        else if (descripcion.isEmpty())
            razon = QStringLiteral("falta la descripción");
        else if (descripcion.size() > kLargoDescripcion)
            razon = QStringLiteral("la descripción tiene más de %1 caracteres").arg(kLargoDescripcion);
        else if (codigo.isEmpty() && GrupoCuenta::EsClaveNumerica(fila.clave))
            razon = QStringLiteral("la clave %1 es numérica y le falta el código").arg(fila.clave);
        else if (codigo.size() > kLargoCodigo)
            razon = QStringLiteral("el código tiene más de %1 caracteres").arg(kLargoCodigo);
        else if (!nivel.isEmpty() && (!entero || nivelDado < 0))
            razon = QStringLiteral("el nivel «%1» no es un número entero de 0 en adelante").arg(nivel);
        else if (codigo == GrupoCuenta::kCodigoNivelManual && nivel.isEmpty())
            razon = QStringLiteral("con el código 000 hay que indicar el nivel");
        else if (!codigo.isEmpty() && codigo != GrupoCuenta::kCodigoNivelManual && !nivel.isEmpty()
                 && nivelDado != GrupoCuenta::NivelDeCodigo(codigo))
            razon = QStringLiteral("el nivel %1 no corresponde al código %2, que es de nivel %3")
                        .arg(nivel, codigo)
                        .arg(GrupoCuenta::NivelDeCodigo(codigo));
        else if (fila.padre.size() > kLargoClave)
            razon = QStringLiteral("la clave del grupo padre tiene más de %1 caracteres").arg(kLargoClave);
        for (int c : {kUserDef3, kUserDef4}) {
            if (fila.valores[c].isNull())
                continue;  // left out of the file
            const QString original = fila.valores[c].toString().trimmed();
            QString texto = original;
            if (separador == Csv::kPuntoYComa)
                texto.replace(QLatin1Char(','), QLatin1Char('.'));
            bool esNumero = true;
            fila.valores[c] = texto.isEmpty() ? 0.0 : texto.toDouble(&esNumero);
            if (!esNumero && razon.isEmpty())
                razon = QStringLiteral("el valor «%1» de la columna %2 no es un número").arg(original, columnas[c]);
        }
        if (!razon.isEmpty()) {
            error(registro.linea, razon);
            continue;
        }
        // A level left out follows from the code; a heading without a code sits on level 0.
        fila.valores[kNivel] = nivel.isEmpty() ? (codigo.isEmpty() || codigo == GrupoCuenta::kCodigoNivelManual
                                                      ? 0
                                                      : GrupoCuenta::NivelDeCodigo(codigo))
                                               : nivelDado;
        lineaDeClave.emplace(fila.clave, fila.linea);
        m_filas << fila;
    }
    revisarArbol(existentes);
    return true;
}

// Every parent must be the root, a group of the catalogue or one of the file; following the
// parents of the file must reach one of the first two. The groups are then put parents first.
void Importacion::revisarArbol(const Claves& existentes)
{
    PorClave<qsizetype> enArchivo;
    for (qsizetype i = 0; i < m_filas.size(); ++i)
        enArchivo.emplace(m_filas[i].clave, i);
    const auto enElArchivo = [&](const QString& clave) {
        const auto it = enArchivo.find(clave);
        return it == enArchivo.end() ? qsizetype(-1) : it->second;
    };
    enum Estado { SinVer, Viendo, Bien, Mal };
    QList<Estado> estado(m_filas.size(), SinVer);
    for (qsizetype i = 0; i < m_filas.size(); ++i) {
        QList<qsizetype> camino;
        qsizetype actual = i;
        while (actual >= 0 && estado[actual] == SinVer) {
            estado[actual] = Viendo;
            camino << actual;
            const Fila& fila = m_filas[actual];
            actual = enElArchivo(fila.padre);
            if (actual < 0 && fila.padre != GrupoCuenta::kClaveRaiz && !existentes.count(fila.padre)) {
                error(fila.linea, QStringLiteral("el grupo padre %1 no existe en el catálogo ni viene en el archivo")
                                      .arg(fila.padre));
                actual = camino.last();  // a refused group: the rest of the path is refused with it
                estado[actual] = Mal;
                break;
            }
        }
        if (actual >= 0 && estado[actual] == Viendo) {
            // The path came back to a group of its own: each group of that loop is refused.
            const qsizetype desde = camino.indexOf(actual);
            QStringList ciclo;
            for (qsizetype k = desde; k < camino.size(); ++k)
                ciclo << m_filas[camino[k]].clave;
            ciclo << m_filas[actual].clave;
            for (qsizetype k = desde; k < camino.size(); ++k) {
                const Fila& fila = m_filas[camino[k]];
                estado[camino[k]] = Mal;
                error(fila.linea, QStringLiteral("el grupo %1 es su propio antecesor: %2")
                                      .arg(fila.clave, ciclo.join(QStringLiteral(" → "))));
            }
        }
        const bool bien = actual < 0 || estado[actual] == Bien;
        for (qsizetype k : camino)
            if (estado[k] == Viendo)
                estado[k] = bien ? Bien : Mal;
    }
    std::stable_sort(m_errores.begin(), m_errores.end(),
                     [](const Error& a, const Error& b) { return a.linea < b.linea; });
    // Parents first: each group after every group of the file above it.
    PorClave<QList<qsizetype>> hijos;
    QList<qsizetype> orden;
    for (qsizetype i = 0; i < m_filas.size(); ++i) {
        if (enElArchivo(m_filas[i].padre) >= 0)
            hijos[m_filas[i].padre] << i;
        else
            orden << i;
    }
    for (qsizetype k = 0; k < orden.size(); ++k)
        if (const auto it = hijos.find(m_filas[orden[k]].clave); it != hijos.end())
            orden << it->second;
    QList<Fila> ordenadas;
    for (qsizetype i : orden)
        ordenadas << m_filas[i];
    m_filas = ordenadas;
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
                for (int c = 0; c < columnas.size(); ++c)
                    fila << (m_filas[i].valores[c].isNull() ? predeterminados[c] : m_filas[i].valores[c]);
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
