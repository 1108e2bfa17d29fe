#pragma once

#include "HashDeClave.h"

#include <QIcon>
#include <QString>
#include <array>
#include <unordered_map>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
struct sqlite3;
struct pg_conn;

// The yardstick the screen is measured against: the least work that shows the same
// catalogue. One "SELECT *" of the whole table through the SQLite C library (or libpq), an index from
// each key to its children in memory, and then the tree (the same texts and pictures, in the
// same order, on a plain QTreeWidget) or the listing (the same text) built from memory.
class CatalogoEnMemoria
{
public:
    // The pictures by their index in the screen's image list (1 to 4).
    using Iconos = std::array<QIcon, 4>;

    // Reads the whole table through an open SQLite database. Throws std::runtime_error
    // when it cannot.
    static CatalogoEnMemoria Leer(sqlite3* base);
    // The same through a libpq connection: one "SELECT *", one round trip.
    static CatalogoEnMemoria Leer(pg_conn* conexion);

    // Clears `arbol` and adds the root "/" and every group reachable from it, depth first.
    void LlenarArbol(QTreeWidget& arbol, const Iconos& iconos) const;
    // The listing the print command builds: one line per group, tabs for its depth.
    QString Listado() const;

    qsizetype Filas() const { return qsizetype(m_filas.size()); }

    // The screen's picture rule: 3 under the root and for headings, 2 for a numeric key
    // under a heading, 4 for a numeric key under a numeric key.
    static int Imagen(const QString& padre, const QString& clave);
    // The runtime's numeric test, written out: blanks, a sign, digits with at most one
    // decimal point, an exponent.
    static bool EsNumero(QStringView texto);

private:
    struct Fila
    {
        QString clave;
        QString descripcion;
        QString codigo;
        QString padre;
        bool codigoNulo = false;
    };

    void Indexar();
    void AgregarHijos(QTreeWidgetItem* nodo, const QString& clave, const Iconos& iconos) const;
    void ListarHijos(QString& listado, const QString& clave, int nivel) const;
    const std::vector<int>* Hijos(const QString& clave) const;

    std::vector<Fila> m_filas;
    std::unordered_map<QString, std::vector<int>, HashDeClave> m_hijos;
};
