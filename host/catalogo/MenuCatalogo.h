#pragma once

#include <QMenu>
#include <QPointer>
#include <functional>

class VentanaHistorial;

// The host window's "Catálogo" menu: the change history of the catalogue, the catalogue
// exported to and imported from CSV, and the selected group moved under another parent. The
// host tells it which group the screen has selected and how to show the catalogue again after
// a change, on a group (an empty key: only reloaded).
class MenuCatalogo : public QMenu
{
    Q_OBJECT

public:
    MenuCatalogo(QWidget* ventana, std::function<QString()> claveSeleccionada,
                 std::function<void(const QString& clave)> mostrarGrupo);

    // The catalogue screen `pantalla` (its form object, inside `ventana`) reloaded, and the
    // group `clave` selected in its tree and shown, as a click on it shows it.
    static void MostrarGrupo(QObject* pantalla, QWidget* ventana, const QString& clave);

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
    // The selected group under a parent chosen in a dialog; refusals are told.
    bool Mover();

private:
    void avisar(const QString& texto, long estilo, const QString& titulo);

    QWidget* m_ventana;
    std::function<QString()> m_claveSeleccionada;
    std::function<void(const QString&)> m_mostrarGrupo;
    QPointer<VentanaHistorial> m_historial;
};
