#pragma once

// What the catalogue's export and import share: the positions of the table's columns and
// how the file writes a day.
#include <QDate>
#include <QString>

namespace CatalogoCsv::Columnas {

// Positions in Esquema::ColumnasDeGrupo(). The first five are what the editor asks for, and
// every file must have them; the others are filled as the editor fills them when missing.
enum Columna { kClave, kDescripcion, kCodigo, kPadre, kNivel, kObligatorias };
constexpr int kUserDef3 = 7, kUserDef4 = 8, kUserDef5 = 9, kUserDef6 = 10;
// The lengths the editor's boxes allow.
constexpr int kLargoDescripcion = 200, kLargoCodigo = 30, kLargoClave = 30;
// The free columns 5 and 6 hold the day a group was added as the editor writes it.
inline const QString kDiaDelEditor = QStringLiteral("dd/MM/yyyy"), kDiaDelArchivo = QStringLiteral("yyyy-MM-dd");

inline bool esReal(int columna)
{
    return columna == kUserDef3 || columna == kUserDef4;
}

// A day of the editor's in a free column, written as the file writes every date, and back.
inline QString cambiarDia(const QString& texto, const QString& de, const QString& a)
{
    if (texto.size() != de.size())
        return texto;
    const QDate dia = QDate::fromString(texto, de);
    return dia.isValid() && dia.toString(de) == texto ? dia.toString(a) : texto;
}

}  // namespace CatalogoCsv::Columnas
