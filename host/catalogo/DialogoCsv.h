#pragma once

#include <QString>

class QWidget;

// The file dialogs of the catalogue's CSV files. Saving offers both separators: commas, and
// semicolons for spreadsheets set up for Spanish.
namespace DialogoCsv {

// The file suggested for `nombre`: "nombre-AAAA-MM-DD.csv" of today, in the user's documents.
QString Sugerido(const QString& nombre);
// The file to write (empty when cancelled) and, in `separador`, the separator chosen. The
// dialog starts on Sugerido(nombre), adds ".csv" to a name without it and asks before
// replacing a file.
QString Guardar(QWidget* padre, const QString& titulo, const QString& nombre, char* separador);
// The file to read, or empty.
QString Abrir(QWidget* padre, const QString& titulo);

}  // namespace DialogoCsv
