#pragma once

#include <QString>

class QWidget;

// The file dialogs of the catalogue's CSV files. Saving offers both separators: commas, and
// semicolons for spreadsheets set up for Spanish.
namespace DialogoCsv {

// The file to write (empty when cancelled) and, in `separador`, the separator chosen.
QString Guardar(QWidget* padre, const QString& titulo, char* separador);
// The file to read, or empty.
QString Abrir(QWidget* padre, const QString& titulo);

}  // namespace DialogoCsv
