#pragma once

#include "Historial.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QTimer;
class ModeloHistorial;
class Connection;
class Utilerias;

// "Historial de cambios": who changed which group of the catalogue, when and how, newest
// first, filtered by the start of the group's key, its description or code, the operator and
// dates, and what it shows exported to CSV. The table reads a page of changes at a time as the
// user scrolls, so it opens at once however long the history is. F5 reads it again; a query
// that fails says so in the window instead of leaving an empty list. Each row is headed by the
// change's number; the selected deletion can be restored and the selected change undone
// (Reorganizacion), each as a new change.
class VentanaHistorial : public QDialog
{
    Q_OBJECT

public:
    // Opens on the changes of the group `clave` (every group's when empty).
    explicit VentanaHistorial(const QString& clave = {}, QWidget* padre = nullptr);

    Historial::Filtro Filtro() const;
    // Reads the table again with the filter as the boxes have it.
    void Buscar();
    // Writes every change that passes the filter; false with the reason in `error`.
    bool Exportar(const QString& archivo, char separador, QString* error) const;
    // The same without a window (the command line's export): -1 with the reason in `error`,
    // else the number of changes written.
    static int Exportar(const Historial::Filtro& filtro, const QString& archivo, char separador, QString* error);
    // Verifies the whole history and shows the verdict beside the button that asks for it.
    void VerificarIntegridad();

signals:
    // A restore or an undo changed the catalogue; `clave` is the group to show.
    void CatalogoCambiado(const QString& clave);

private:
    QLayout* crearFiltros(const QString& clave);
    void crearTabla();
    void mostrarEstado(const QString& error);
    const Historial::Cambio* seleccionado() const;
    void actualizarBotones();
    void restaurar();
    void deshacer();
    // Runs a restore or an undo of the selected change; a refusal is told.
    void reorganizar(bool (*accion)(Connection&, Utilerias&, qint64, QString*, QString*));
    QHBoxLayout* integridadDelHistorial();
    void exportarConDialogo();
    void avisar(const QString& texto, long estilo);

    QLineEdit* m_clave;
    QLineEdit* m_texto;
    QLineEdit* m_operador;
    QCheckBox* m_conDesde;
    QCheckBox* m_conHasta;
    QDateEdit* m_desde;
    QDateEdit* m_hasta;
    QTimer* m_alEscribir;
    QTableView* m_tabla;
    QLabel* m_estado;
    QPlainTextEdit* m_detalle;
    QPushButton* m_restaurar;
    QPushButton* m_deshacer;
    ModeloHistorial* m_modelo;
    QLabel* m_veredicto = nullptr;
};
