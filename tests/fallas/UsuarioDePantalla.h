#pragma once

#include <QString>
#include <QStringList>

class QTreeWidgetItem;
class TreeView;
class frmTQ614;

// One user working in the catalogue screen, headless: the component started with the host's
// services on the session's current database, the screen loaded and shown off screen, and
// each change made through the screen's and the editor's own procedures as the toolbar and
// the tree run them. Nothing here writes to the database by itself.
class UsuarioDePantalla
{
public:
    UsuarioDePantalla();
    ~UsuarioDePantalla();
    UsuarioDePantalla(const UsuarioDePantalla&) = delete;
    UsuarioDePantalla& operator=(const UsuarioDePantalla&) = delete;

    frmTQ614& Forma() const;
    TreeView& Arbol() const;
    QTreeWidgetItem* Nodo(const QString& clave) const;

    // Selects the group's node as a click does; false when the tree has no such node.
    bool Seleccionar(const QString& clave);

    // Each returns false when the group's node is not in the tree (nothing was run).
    bool Eliminar(const QString& clave);
    bool Renombrar(const QString& clave, const QString& texto);
    // The change-key command, its input box answered with `nueva`. `cuadros` receives how
    // many input boxes the command showed.
    bool CambiarClave(const QString& clave, const QString& nueva, int* cuadros = nullptr);

    // The editor as New opens it under `padre`; an empty key keeps the automatic one. The
    // level box gets the level the code gives (or `nivel` for "000" and headings). Returns
    // the editor's Aceptado after its save.
    bool Nuevo(const QString& padre, const QString& clave, const QString& descripcion, const QString& codigo,
               const QString& nivel = QString());
    // The editor as Edit opens it on a stored group, with a new description and code (a null
    // code keeps the stored one). False, with nothing run, when the group is not stored.
    bool Editar(const QString& clave, const QString& descripcion, const QString& codigo);

    // The key the last Nuevo saved (as the key box held it, upper-cased).
    QString UltimaClave() const { return m_ultimaClave; }

private:
    QString m_ultimaClave;
};
