#include "DialogoCsv.h"

#include "Csv.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QStandardPaths>

namespace DialogoCsv {

namespace {

const QString kComas = QStringLiteral("CSV separado por comas (*.csv)");
const QString kPuntoYComa = QStringLiteral("CSV separado por punto y coma, para hojas de cálculo en español (*.csv)");

// Qt's own dialog says "file" in its words: ours, where it is Qt's that shows.
void enEspanol(QFileDialog& dialogo, const QString& aceptar)
{
    dialogo.setObjectName(QStringLiteral("dlgArchivoCsv"));
    dialogo.setLabelText(QFileDialog::LookIn, QStringLiteral("Carpeta:"));
    dialogo.setLabelText(QFileDialog::FileName, QStringLiteral("Nombre del &archivo:"));
    dialogo.setLabelText(QFileDialog::FileType, QStringLiteral("&Tipo de archivo:"));
    dialogo.setLabelText(QFileDialog::Accept, aceptar);
    dialogo.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
}

}  // namespace

QString Sugerido(const QString& nombre)
{
    QString carpeta = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (carpeta.isEmpty())
        carpeta = QDir::homePath();
    return QDir(carpeta).filePath(
        QStringLiteral("%1-%2.csv").arg(nombre, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
}

QString Guardar(QWidget* padre, const QString& titulo, const QString& nombre, char* separador)
{
    // The dialog adds ".csv" to a name typed without it before it looks whether the file
    // exists, so that replacing one is always asked.
    QFileDialog dialogo(padre, titulo);
    enEspanol(dialogo, QStringLiteral("&Guardar"));
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setDefaultSuffix(QStringLiteral("csv"));
    dialogo.setNameFilters({kComas, kPuntoYComa});
    dialogo.selectFile(Sugerido(nombre));
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    *separador = dialogo.selectedNameFilter() == kPuntoYComa ? Csv::kPuntoYComa : Csv::kComa;
    return dialogo.selectedFiles().constFirst();
}

QString Abrir(QWidget* padre, const QString& titulo)
{
    QFileDialog dialogo(padre, titulo);
    enEspanol(dialogo, QStringLiteral("&Abrir"));
    dialogo.setFileMode(QFileDialog::ExistingFile);
    dialogo.setNameFilters({QStringLiteral("CSV (*.csv *.txt)"), QStringLiteral("Todos los archivos (*)")});
    dialogo.setDirectory(QFileInfo(Sugerido(QStringLiteral("catalogo"))).path());
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    return dialogo.selectedFiles().constFirst();
}

}  // namespace DialogoCsv
