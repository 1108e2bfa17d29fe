#pragma once

#include <QMainWindow>
#include <QPointer>

// The host's own window: it is the catalogue screen's Padre, carries the transaction code
// the component's forms derive theirs from, holds the screen as its content, and offers the
// catalogue's history, export, import and the move of a group in its menu.
class VentanaPrincipal : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(QString Transaccion READ Transaccion)

public:
    explicit VentanaPrincipal(QWidget* padre = nullptr);

    QString Transaccion() const;

    // Makes this window the screen's Padre, loads the screen and shows it inside.
    void MostrarPantalla(QObject* pantalla);
    QObject* Pantalla() const { return m_pantalla; }

    // Unloading the host window (the screen's exit button does it) closes the program.
    Q_INVOKABLE void Unload();

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    void mostrarSiSoloLectura();
    QPointer<QObject> m_pantalla;
};
