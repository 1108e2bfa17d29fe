#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPrinter;

// The report viewer's window: the listing, read-only, with its tab indentation, and the
// buttons Imprimir, Vista previa, Guardar and Cerrar. Guardar writes a PDF or, for any
// other extension, the text itself.
class DialogoReporte : public QDialog
{
    Q_OBJECT

public:
    DialogoReporte(const QString& listado, const QString& titulo, QWidget* padre = nullptr);

    // The listing exactly as it was given (what Guardar writes as text).
    QString Listado() const { return m_listado; }
    // Writes the listing to `archivo`: PDF when it ends in ".pdf", UTF-8 text otherwise.
    // Throws ErrorEjecucion when the file cannot be written.
    void Guardar(const QString& archivo);
    void Imprimir(QPrinter* impresora);

private:
    void imprimirConDialogo();
    void vistaPrevia();
    void guardarConDialogo();
    void avisar(const QString& texto);

    QString m_listado;
    QPlainTextEdit* m_texto;
};
