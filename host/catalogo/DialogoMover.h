#pragma once

#include <QDialog>
#include <functional>

class Connection;
class QLineEdit;
class QTreeWidget;

// "Mover grupo": the catalogue as a tree under "/", where the user picks the new parent of a
// group, with a search box. Typing in the box selects the first group whose key or description
// contains the text, Enter the next one, the arrows move in the tree; Enter in the tree or
// Aceptar takes the selected group. A parent that `revisar` refuses is told and the dialog stays
// open on the tree.
class DialogoMover : public QDialog
{
    Q_OBJECT

public:
    // `revisar` gives why the group may not go under a parent key, or the empty text.
    DialogoMover(Connection& conexion, const QString& clave, std::function<QString(const QString&)> revisar,
                 QWidget* padre = nullptr);

    // The key of the selected parent ("0" for the root), or empty.
    QString Padre() const;

    void accept() override;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void cargar(Connection& conexion, const QString& clave);
    void buscar(bool siguiente);

    QString m_clave;
    std::function<QString(const QString&)> m_revisar;
    QLineEdit* m_buscar;
    QTreeWidget* m_arbol;
};
