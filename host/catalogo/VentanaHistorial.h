#pragma once

#include "Historial.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class ModeloHistorial;

// "Historial de cambios": who changed which group of the catalogue, when and how, newest
// first, filtered by group key, operator and dates, and what it shows exported to CSV. The
// table reads a page of changes at a time as the user scrolls, so it opens at once however
// long the history is.
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

private:
    void exportarConDialogo();
    void avisar(const QString& texto, long estilo);

    QLineEdit* m_clave;
    QLineEdit* m_operador;
    QCheckBox* m_conDesde;
    QCheckBox* m_conHasta;
    QDateEdit* m_desde;
    QDateEdit* m_hasta;
    QTableView* m_tabla;
    QPlainTextEdit* m_detalle;
    ModeloHistorial* m_modelo;
};
