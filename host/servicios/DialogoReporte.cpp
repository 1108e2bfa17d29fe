#include "DialogoReporte.h"

#include "ErrorEjecucion.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Four character widths per tab: each level of the listing stands out without running off
// the page at depth ten.
constexpr int kCaracteresPorTabulador = 4;

qreal distanciaDeTabulador(const QFont& fuente)
{
    return QFontMetricsF(fuente).horizontalAdvance(QLatin1Char(' ')) * kCaracteresPorTabulador;
}

}  // namespace

DialogoReporte::DialogoReporte(const QString& listado, const QString& titulo, QWidget* padre)
    : QDialog(padre)
    , m_listado(listado)
    , m_texto(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("VisorReporte"));
    setWindowTitle(titulo.trimmed().isEmpty() ? QStringLiteral("Reporte") : titulo);
    setModal(true);
    resize(820, 620);

    m_texto->setObjectName(QStringLiteral("txtListado"));
    m_texto->setReadOnly(true);
    m_texto->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_texto->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_texto->setTabStopDistance(distanciaDeTabulador(m_texto->font()));
    m_texto->setPlainText(listado);

    auto* botones = new QDialogButtonBox(this);
    auto* imprimir = botones->addButton(QStringLiteral("&Imprimir..."), QDialogButtonBox::ActionRole);
    auto* vista = botones->addButton(QStringLiteral("&Vista previa..."), QDialogButtonBox::ActionRole);
    auto* guardar = botones->addButton(QStringLiteral("&Guardar..."), QDialogButtonBox::ActionRole);
    auto* cerrar = botones->addButton(QStringLiteral("&Cerrar"), QDialogButtonBox::RejectRole);
    imprimir->setObjectName(QStringLiteral("cmdImprimir"));
    vista->setObjectName(QStringLiteral("cmdVistaPrevia"));
    guardar->setObjectName(QStringLiteral("cmdGuardar"));
    cerrar->setObjectName(QStringLiteral("cmdCerrar"));
    connect(imprimir, &QPushButton::clicked, this, &DialogoReporte::imprimirConDialogo);
    connect(vista, &QPushButton::clicked, this, &DialogoReporte::vistaPrevia);
    connect(guardar, &QPushButton::clicked, this, &DialogoReporte::guardarConDialogo);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* columna = new QVBoxLayout(this);
    columna->addWidget(m_texto);
    columna->addWidget(botones);
}

void DialogoReporte::Imprimir(QPrinter* impresora)
{
    // A copy laid out for the page, with the same tab stops as on screen.
    std::unique_ptr<QTextDocument> documento(m_texto->document()->clone());
    documento->setDefaultFont(m_texto->font());
    QTextOption opcion = documento->defaultTextOption();
    opcion.setTabStopDistance(distanciaDeTabulador(m_texto->font()));
    opcion.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    documento->setDefaultTextOption(opcion);
    documento->print(impresora);
}

void DialogoReporte::Guardar(const QString& archivo)
{
    if (archivo.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        QPrinter impresora(QPrinter::HighResolution);
        impresora.setOutputFormat(QPrinter::PdfFormat);
        impresora.setOutputFileName(archivo);
        impresora.setDocName(windowTitle());
        Imprimir(&impresora);
        if (!QFile::exists(archivo))
            throw ErrorEjecucion(QStringLiteral("No se pudo guardar el reporte en %1").arg(archivo));
        return;
    }
    QSaveFile salida(archivo);
    if (!salida.open(QIODevice::WriteOnly) || salida.write(Listado().toUtf8()) < 0 || !salida.commit())
        throw ErrorEjecucion(
            QStringLiteral("No se pudo guardar el reporte en %1: %2").arg(archivo, salida.errorString()));
}

void DialogoReporte::imprimirConDialogo()
{
    QPrinter impresora(QPrinter::HighResolution);
    QPrintDialog dialogo(&impresora, this);
    dialogo.setWindowTitle(QStringLiteral("Imprimir reporte"));
    if (dialogo.exec() == QDialog::Accepted)
        Imprimir(&impresora);
}

void DialogoReporte::vistaPrevia()
{
    QPrinter impresora(QPrinter::HighResolution);
    QPrintPreviewDialog dialogo(&impresora, this);
    dialogo.setWindowTitle(QStringLiteral("Vista previa del reporte"));
    connect(&dialogo, &QPrintPreviewDialog::paintRequested, this, &DialogoReporte::Imprimir);
    dialogo.exec();
}

void DialogoReporte::guardarConDialogo()
{
    QString filtro;
    const QString archivo =
        QFileDialog::getSaveFileName(this, QStringLiteral("Guardar reporte"), QString(),
                                     QStringLiteral("Documento PDF (*.pdf);;Texto (*.txt)"), &filtro);
    if (archivo.isEmpty())
        return;
    QString destino = archivo;
    if (QFileInfo(destino).suffix().isEmpty())
        destino += filtro.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf") : QStringLiteral(".txt");
    try {
        Guardar(destino);
    } catch (const ErrorEjecucion& error) {
        avisar(error.Description());
    }
}

void DialogoReporte::avisar(const QString& texto)
{
    QMessageBox::warning(this, windowTitle(), texto);
}
