#pragma once

#include <QString>

class Connection;

// A small catalogue of account groups for a new database: headings, groups of the chart
// under them and groups nested several levels deep with dotted codes.
namespace CatalogoEjemplo {

// Inserts the sample groups in one transaction; the values are bound, never spliced.
void Cargar(Connection* conexion, const QString& operador, const QString& fecha, const QString& fechaRegistro);

}  // namespace CatalogoEjemplo
