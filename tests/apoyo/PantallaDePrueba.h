#pragma once

#include "TreeView.h"
#include "frmTQ614.h"

class BaseDePrueba;

// The catalogue screen as the host opens it over a test database, created anew and destroyed
// afterwards. The user's changes run through the screen's and the editor's own procedures; each
// returns false, with nothing run, when the tree has no node for the group, or the editor's Aceptado.
class PantallaDePrueba
{
public:
    // Shown off screen, active, the tree with the focus; or loaded, never shown (the layout as designed).
    enum class Apertura { Mostrada, Cargada };

    explicit PantallaDePrueba(BaseDePrueba& base, Apertura apertura = Apertura::Mostrada);
    ~PantallaDePrueba();
    Q_DISABLE_COPY(PantallaDePrueba)

    frmTQ614& Forma() const { return frmTQ614::Instancia(); }
    TreeView& Arbol() const { return *Forma().tvCuentas(); }
    // The node of a group key ("0" is the root), or nullptr.
    QTreeWidgetItem* Nodo(const QString& clave) const { return Arbol().Buscar(QLatin1Char('N') + clave); }
    // Selects the group's node as a click does (selection, then NodeClick); false without it. ParaComando
    // then forgets the messages and trace so far: what follows is the command's.
    bool Seleccionar(const QString& clave);
    void SeleccionarParaComando(const QString& clave);
    // Every node as "key|text|picture|depth", depth first.
    QStringList Descripcion() const;

    bool Eliminar(const QString& clave) { return Seleccionar(clave) && (Forma().Controles_Eliminar(), true); }
    bool Renombrar(const QString& clave, QString texto);
    // The input box answered with `nueva`, a second one (a duplicate) cancelled; `cuadros` gets how many were shown.
    bool CambiarClave(const QString& clave, const QString& nueva, int* cuadros = nullptr);
    // The editor as New opens it under `padre`; the level box gets `nivel` when the code gives none.
    bool Nuevo(const QString& padre, const QString& clave, const QString& descripcion, const QString& codigo,
               const QString& nivel = {})
    {
        return guardar(false, padre, clave, descripcion, codigo, nivel);
    }
    // The editor as Edit opens it on a stored group (a null code keeps the stored one).
    bool Editar(const QString& clave, const QString& descripcion, const QString& codigo);

private:
    bool guardar(bool edicion, const QString& padre, const QString& clave, const QString& descripcion,
                 const QString& codigo, const QString& nivel);

    BaseDePrueba& m_base;
};
