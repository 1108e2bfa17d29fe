#include "CatalogoCsv.h"

#include "Ado.h"
#include "Cantidades.h"
#include "ColumnasCsv.h"
#include "Csv.h"
#include "Esquema.h"
#include "GrupoCuenta.h"

#include <QSaveFile>

namespace CatalogoCsv {

using namespace Columnas;

namespace {

QString numero(double valor, char separador)
{
    QString texto = QString::number(valor, 'g', 15);
    return separador == Csv::kPuntoYComa ? texto.replace(QLatin1Char('.'), QLatin1Char(',')) : texto;
}

// Each group's row after its parent's, brothers in the order given; rows whose parent is no
// group of the catalogue (the root's children, and any of other origins) start a branch.
QList<qsizetype> ordenDelArbol(const QStringList& claves, const QStringList& padres)
{
    PorClave<QList<qsizetype>> hijos;
    for (qsizetype i = 0; i < claves.size(); ++i)
        hijos[padres[i]] << i;
    QList<bool> puesto(claves.size(), false);
    QList<qsizetype> orden;
    const auto rama = [&](qsizetype desde) {
        QList<qsizetype> pendientes{desde};
        while (!pendientes.isEmpty()) {
            const qsizetype i = pendientes.takeLast();
            if (puesto[i])
                continue;  // a loop of another origin
            puesto[i] = true;
            orden << i;
            if (const auto it = hijos.find(claves[i]); it != hijos.end())
                for (qsizetype k = it->second.size() - 1; k >= 0; --k)
                    pendientes << it->second[k];
        }
    };
    if (const auto it = hijos.find(GrupoCuenta::kClaveRaiz); it != hijos.end())
        for (qsizetype i : QList<qsizetype>(it->second))
            rama(i);
    for (qsizetype i = 0; i < claves.size(); ++i)
        if (!puesto[i])
            rama(i);
    return orden;
}

}  // namespace

const QStringList& Encabezados()
{
    static const QStringList encabezados = {
        QStringLiteral("Clave"),         QStringLiteral("Descripción"),
        QStringLiteral("Código"),        QStringLiteral("Padre"),
        QStringLiteral("Nivel"),         QStringLiteral("Dato libre 1"),
        QStringLiteral("Dato libre 2"),  QStringLiteral("Dato libre 3"),
        QStringLiteral("Dato libre 4"),  QStringLiteral("Dato libre 5"),
        QStringLiteral("Dato libre 6"),  QStringLiteral("Operador del alta"),
        QStringLiteral("Operador del último cambio"), QStringLiteral("Fecha del alta"),
        QStringLiteral("Fecha del último cambio"),    QStringLiteral("Estado")};
    return encabezados;
}

QString Exportados(int grupos, const QString& archivo)
{
    return (grupos == 1 ? QStringLiteral("Se exportó %1 a %2") : QStringLiteral("Se exportaron %1 a %2"))
        .arg(Cantidades::De(grupos, QStringLiteral("grupo"), QStringLiteral("grupos")), archivo);
}

QString Importados(int grupos, const QString& archivo)
{
    return (grupos == 1 ? QStringLiteral("Se importó %1 de %2") : QStringLiteral("Se importaron %1 de %2"))
        .arg(Cantidades::De(grupos, QStringLiteral("grupo"), QStringLiteral("grupos")), archivo);
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
    QStringList claves, padres;
    auto rs = conexion.Execute(QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable ORDER BY %2")
                                   .arg(columnas.join(QStringLiteral(", ")), GrupoCuenta::kCampoClave));
    for (; !rs->Eof(); rs->MoveNext()) {
        QStringList fila;
        for (int c = 0; c < columnas.size(); ++c) {
            const QVariant valor = rs->Fields(columnas[c]);
            fila << (valor.isNull()                       ? QString()
                     : esReal(c)                          ? numero(valor.toDouble(), separador)
                     : c == kUserDef5 || c == kUserDef6 ? cambiarDia(valor.toString(), kDiaDelEditor, kDiaDelArchivo)
                                                          : valor.toString());
        }
        claves << fila[kClave];
        padres << fila[kPadre];
        filas << fila;
    }
    QList<QStringList> enOrden;
    enOrden.reserve(filas.size());
    for (qsizetype i : ordenDelArbol(claves, padres))
        enOrden << filas[i];
    return Escribir(archivo, Encabezados(), enOrden, separador, error) ? int(enOrden.size()) : -1;
}

}  // namespace CatalogoCsv
