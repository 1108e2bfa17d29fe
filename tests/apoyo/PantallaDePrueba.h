#pragma once

#include "TreeView.h"
#include "frmTQ614.h"

#include <QString>
#include <QStringList>

class BaseDePrueba;

// The catalogue screen as the host opens it over a test database: the host's services reach
// the component through its start-up routine (the editor's lookups run on their connection), and
// the form and the prompt are created anew and destroyed afterwards.
class PantallaDePrueba
{
public:
    // Mostrada: shown off screen, active, the tree with the focus. Cargada: loaded, never
    // shown (the layout as designed). Cerrada: fresh instances, not loaded.
    enum class Apertura { Mostrada, Cargada, Cerrada };

    explicit PantallaDePrueba(BaseDePrueba& base, Apertura apertura = Apertura::Mostrada);
    ~PantallaDePrueba();
    PantallaDePrueba(const PantallaDePrueba&) = delete;
    PantallaDePrueba& operator=(const PantallaDePrueba&) = delete;

    frmTQ614& Forma() const { return frmTQ614::Instancia(); }
    TreeView& Arbol() const;
    // The node of a group key ("0" is the root), or nullptr.
    QTreeWidgetItem* Nodo(const QString& clave) const { return Arbol().Buscar(QLatin1Char('N') + clave); }
    // Selects the group's node as a click does (selection, then NodeClick); false without it.
    bool Seleccionar(const QString& clave);
    // Selects, then forgets the messages and trace so far: what follows is the command's.
    void SeleccionarParaComando(const QString& clave);
    // Every node key, depth first; every node as "key|text|picture|depth".
    QStringList Nodos() const;
    QStringList Descripcion() const;

    // Groups whose parent key names no group (nor the root).
    static QStringList Huerfanos(BaseDePrueba& base);
    // The calls made to the services, leaving out the fetching of the connection.
    static QStringList Llamadas(const BaseDePrueba& base);
    // Every message as "style | title | error id | text"; only their titles.
    static QStringList Mensajes(const BaseDePrueba& base);
    static QStringList Titulos(const BaseDePrueba& base);

private:
    BaseDePrueba& m_base;
};
