#pragma once

#include "HashDeClave.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <limits>
#include <unordered_map>
#include <unordered_set>

class Connection;
class UtileriasKes;
namespace Csv {
class Lector;
struct Registro;
}  // namespace Csv

// The catalogue of account groups in and out of a spreadsheet, as CSV (see Csv) whose first
// line names the columns: in Spanish ("Clave", "Descripción", ...) as they are written, or
// by the table's own names, which are read too.
namespace CatalogoCsv {

// The keys of a catalogue, and something of each key.
using Claves = std::unordered_set<QString, HashDeClave>;
template <class T>
using PorClave = std::unordered_map<QString, T, HashDeClave>;

// Writes `filas` under `encabezado` to `archivo` as a whole or not at all; false with the
// reason in `error`.
bool Escribir(const QString& archivo, const QStringList& encabezado, const QList<QStringList>& filas, char separador,
              QString* error);

// The headings of the table's columns (Esquema::ColumnasDeGrupo), in their order.
const QStringList& Encabezados();

// What an export or an import did, as told to the user: "Se exportaron 30 grupos a ...",
// "Se importó 1 grupo de ...".
QString Exportados(int grupos, const QString& archivo);
QString Importados(int grupos, const QString& archivo);

// Every group, every column, in the order of the tree (each parent before its children,
// brothers by key; groups outside the tree last). With the semicolon, numbers carry a decimal
// comma, as Spanish-locale spreadsheets read them; every date is written year first
// (2024-03-01, or 2024-03-01 10:00:00 with its time). Returns the number of groups, or -1
// with `error`.
int Exportar(Connection& conexion, const QString& archivo, char separador, QString* error);

// A file of groups to add to the catalogue, all or none. Revisar reads it and checks every
// group against the catalogue as the editor checks a new one, and the tree they make with
// it; Escribir then inserts them in one transaction, each registered as a change like the
// editor's, so that a veto or any failure leaves the catalogue as it was.
class Importacion
{
public:
    struct Error
    {
        int linea = 0;  // 0: the file as a whole
        QString razon;
        // "Línea 7: la clave ... " or the reason alone.
        QString Texto() const;
    };

    // The most a file may weigh: a catalogue of some hundred thousand groups.
    static constexpr qint64 kMaximoBytes = 32 * 1024 * 1024;
    // The errors kept to be told; the rest are counted. Of lines whose key exists already (an
    // export imported again), only the first few are told.
    static constexpr int kMaximoErrores = 1000;
    static constexpr int kClavesExistentesDichas = 3;
    // The most groups a file may bring, whatever their size: what bounds the memory held.
    static constexpr int kMaximoGrupos = 500000;

    // Reads the file as a stream (only a regular file: a pipe, a device or a folder is
    // refused before reading). Keys and parents are taken upper-cased, as the editor stores
    // them. False when the file cannot be imported; Errores() then lists the bad lines.
    bool Revisar(const QString& archivo, Connection& conexion);
    // Call after a successful Revisar. `progreso` (groups written, of all) may return false to
    // cancel. False with the reason in Errores().
    bool Escribir(Connection& conexion, UtileriasKes& utilerias,
                  const std::function<bool(int hechos, int total)>& progreso = {});

    const QList<Error>& Errores() const { return m_errores; }
    // The errors told, then a line for each kind of those only counted.
    QStringList TextosDeError() const;
    int Grupos() const { return int(m_filas.size()); }

private:
    struct Fila
    {
        int linea = 0;
        int orden = std::numeric_limits<int>::max();  // parents first; groups outside the tree last
        QString clave, padre;
        // By column of the table while the line is checked; a null value is filled as the
        // editor fills it.
        QVariantList valores;
        // Then, kept: the file's columns only, in its order, as UTF-8 text apart by a null
        // character (which no field holds), so that a group takes little more than its line.
        QByteArray campos;
    };

    enum class Tipo { General, ClaveExistente };

    bool leerFilas(Csv::Lector& lector, Connection& conexion);
    bool leerEncabezado(const Csv::Registro& encabezado);
    void revisarRegistro(const Csv::Registro& registro);
    QString razonDeRechazo(const Fila& fila, Tipo* tipo) const;
    QString revisarNumeros(Fila& fila) const;
    QVariantList valoresDe(const Fila& fila, const QVariantList& predeterminados) const;
    void revisarArbol();
    void error(int linea, const QString& razon, Tipo tipo = Tipo::General);

    QList<Fila> m_filas;  // parents before their children
    QList<Error> m_errores;
    qint64 m_erroresNoDichos = 0;
    qint64 m_existentesNoDichas = 0;
    qint64 m_existentes = 0;
    // While a file is read: its columns (by column of the table), its separator, the key
    // format, the catalogue's keys, and the lines of the file's keys, good or rejected.
    QList<int> m_columnaDe;
    char m_separador = ',';
    bool m_enEspanol = true;
    QString m_formato;
    Claves m_claves;
    PorClave<int> m_lineaDeClave;
    PorClave<int> m_lineaRechazada;
};

}  // namespace CatalogoCsv
