#pragma once

#include "HashDeClave.h"

#include <QString>
#include <QStringList>
#include <array>
#include <unordered_map>
#include <utility>

// The column names of a result, shared by all its rows and by every result of the same
// prepared statement. Lookup by name ignores case (PostgreSQL folds unquoted names to lower
// case) and is cheap on repeated names: the component reads the same few columns of every
// row, so the last names asked for are remembered with their index. Like the connection
// that made it, it is used from one thread.
class ColumnasRecordset
{
public:
    explicit ColumnasRecordset(QStringList nombres);

    int Cantidad() const { return static_cast<int>(m_nombres.size()); }
    const QString& Nombre(int indice) const { return m_nombres.at(indice); }
    // The index of a column, or -1. With duplicate names the first one wins. The column
    // counts as read (Leidas).
    int Indice(const QString& nombre) const;
    // The columns that callers have read from results with these names: bit i for column i,
    // the last bit for any column past the 63rd. A burst of reads holds only these.
    quint64 Leidas() const { return m_leidas; }
    void MarcarLeida(int indice) const { m_leidas |= quint64(1) << qMin(indice, 63); }

private:
    QStringList m_nombres;
    std::unordered_map<QString, int, HashDeClave> m_porNombreEnMinusculas;
    mutable std::array<std::pair<QString, int>, 8> m_recientes;
    mutable int m_siguienteReciente = 0;
    mutable quint64 m_leidas = 0;
};
