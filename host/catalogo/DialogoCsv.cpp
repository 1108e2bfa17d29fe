#include "DialogoCsv.h"

#include "Csv.h"

#include <QFileDialog>

namespace DialogoCsv {

namespace {
const QString kComas = QStringLiteral("CSV separado por comas (*.csv)");
const QString kPuntoYComa = QStringLiteral("CSV separado por punto y coma, para hojas de cálculo en español (*.csv)");
}  // namespace

QString Guardar(QWidget* padre, const QString& titulo, char* separador)
{
    QString filtro = kComas;
    QString archivo =
        QFileDialog::getSaveFileName(padre, titulo, QString(), kComas + QStringLiteral(";;") + kPuntoYComa, &filtro);
    if (!archivo.isEmpty() && !archivo.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        archivo += QLatin1String(".csv");
    *separador = filtro == kPuntoYComa ? Csv::kPuntoYComa : Csv::kComa;
    return archivo;
}

QString Abrir(QWidget* padre, const QString& titulo)
{
    return QFileDialog::getOpenFileName(padre, titulo, QString(),
                                        QStringLiteral("CSV (*.csv *.txt);;Todos los archivos (*)"));
}

}  // namespace DialogoCsv
