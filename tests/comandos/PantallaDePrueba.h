#pragma once

#include <QString>
#include <QStringList>

class BaseDePrueba;
class QTreeWidgetItem;
class TreeView;
class frmTQ614;

// The catalogue screen as the host shows it, over a test database: the services of the
// host library reach the component through its start-up routine, the screen is loaded and
// shown (off screen) with a parent form of its own, and everything is discarded afterwards
// so that the next test starts from fresh instances.
class PantallaDePrueba
{
public:
    explicit PantallaDePrueba(BaseDePrueba& base);
    ~PantallaDePrueba();
    PantallaDePrueba(const PantallaDePrueba&) = delete;
    PantallaDePrueba& operator=(const PantallaDePrueba&) = delete;

    frmTQ614& Forma() const;
    TreeView& Arbol() const;

    // The node of a group key ("0" is the root), or nullptr.
    QTreeWidgetItem* Nodo(const QString& clave) const;
    // Selects the group's node as a click does: selection, then the tree's NodeClick.
    void Seleccionar(const QString& clave);
    // Selects, then forgets the messages and trace so far: what follows is the command's.
    void SeleccionarParaComando(const QString& clave);
    // Every node key of the tree, depth first.
    QStringList Nodos() const;

    // Groups whose parent key names no group (nor the root).
    static QStringList Huerfanos(BaseDePrueba& base);
    // The calls made to the services, leaving out the fetching of the connection.
    static QStringList Llamadas(const BaseDePrueba& base);
    // Every message as "style | title | error id | text", to be compared whole.
    static QStringList Mensajes(const BaseDePrueba& base);

private:
    BaseDePrueba& m_base;
};
