#pragma once

#include "HashDeClave.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <unordered_map>
#include <unordered_set>

class Connection;
class UtileriasKes;

// The catalogue of account groups in and out of a spreadsheet, as CSV (see Csv) whose first
// line names the table's columns.
namespace CatalogoCsv {

// The keys of a catalogue, and something of each key.
using Claves = std::unordered_set<QString, HashDeClave>;
template <class T>
using PorClave = std::unordered_map<QString, T, HashDeClave>;

// Writes `filas` under `encabezado` to `archivo` as a whole or not at all; false with the
// reason in `error`.
bool Escribir(const QString& archivo, const QStringList& encabezado, const QList<QStringList>& filas, char separador,
              QString* error);

// Every group, every column, in key order. With the semicolon, numbers carry a decimal comma,
// as Spanish-locale spreadsheets read them. Returns the number of groups, or -1 with `error`.
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

    // False when the file cannot be imported; Errores() then lists every bad line.
    bool Revisar(const QString& archivo, Connection& conexion);
    // Call after a successful Revisar. `progreso` (groups written, of all) may return false to
    // cancel. False with the reason in Errores().
    bool Escribir(Connection& conexion, UtileriasKes& utilerias,
                  const std::function<bool(int hechos, int total)>& progreso = {});

    const QList<Error>& Errores() const { return m_errores; }
    QStringList TextosDeError() const;
    int Grupos() const { return int(m_filas.size()); }

private:
    struct Fila
    {
        int linea = 0;
        QString clave, padre;
        QVariantList valores;  // by column of the table; a null value is filled as the editor fills it
    };

    bool leerFilas(const QByteArray& datos, Connection& conexion);
    void revisarArbol(const Claves& existentes);
    void error(int linea, const QString& razon) { m_errores << Error{linea, razon}; }

    QList<Fila> m_filas;  // parents before their children
    QList<Error> m_errores;
};

}  // namespace CatalogoCsv
