#pragma once

#include <QMenu>
#include <QPointer>
#include <functional>

class VentanaHistorial;

// The host window's "Catálogo" menu: the change history of the catalogue, and the catalogue
// exported to and imported from CSV. The host tells it which group the screen has selected
// and how to show the catalogue again after an import.
class MenuCatalogo : public QMenu
{
    Q_OBJECT

public:
    MenuCatalogo(QWidget* ventana, std::function<QString()> claveSeleccionada, std::function<void()> alImportar);

    // The key of the group selected in the catalogue screen `pantalla`, which its key box
    // (txtClave) shows; empty for the root or without a screen.
    static QString ClaveSeleccionadaEn(const QWidget* pantalla);

    // The history window, on the selected group; one only: when it is open, it is read again
    // and brought to the front.
    VentanaHistorial* AbrirHistorial();
    // What each entry does once it has its file.
    bool Exportar(const QString& archivo, char separador);
    // Checks the file; when some line is wrong, lists them all in a window and writes nothing.
    // A progress bar shows when writing takes longer than `esperaProgresoMs`.
    bool Importar(const QString& archivo);
    int esperaProgresoMs = 500;

private:
    void avisar(const QString& texto, long estilo, const QString& titulo);

    QWidget* m_ventana;
    std::function<QString()> m_claveSeleccionada;
    std::function<void()> m_alImportar;
    QPointer<VentanaHistorial> m_historial;
};
