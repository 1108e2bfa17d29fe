#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QMenu;
class QShortcut;
class QToolButton;
class MoverVentana;

// The in-house toolbar: the form's title across the top and its command buttons.
// A catalogue toolbar (ActivarCatalogo) shows New, Edit, Delete and Print; the two extra
// buttons show when they have a caption; the exit button when showexitbutton is "SI".
// Each button raises its event (a signal without arguments). The buttons take the focus
// when clicked, so that a box being edited finishes its edit (and raises its own events)
// before the command runs.
class Controles : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QString b1caption READ b1caption WRITE setB1caption)
    Q_PROPERTY(QString b2caption READ b2caption WRITE setB2caption)
    Q_PROPERTY(QString tabwidth READ tabwidth WRITE setTabwidth)
    Q_PROPERTY(QString easyaccessenabled READ easyaccessenabled WRITE setEasyaccessenabled)
    Q_PROPERTY(QString showmenupopup READ showmenupopup WRITE setShowmenupopup)
    Q_PROPERTY(QString showwindowslist READ showwindowslist WRITE setShowwindowslist)
    Q_PROPERTY(QString showexitbutton READ showexitbutton WRITE setShowexitbutton)
    Q_PROPERTY(bool permitir_mover READ permitir_mover WRITE setPermitir_mover)
    Q_PROPERTY(bool ActivarCatalogo READ ActivarCatalogo WRITE setActivarCatalogo)
    Q_PROPERTY(bool NuevoHabilitado READ NuevoHabilitado WRITE setNuevoHabilitado)
    Q_PROPERTY(bool EditarHabilitado READ EditarHabilitado WRITE setEditarHabilitado)
    Q_PROPERTY(bool EliminarHabilitado READ EliminarHabilitado WRITE setEliminarHabilitado)
    Q_PROPERTY(QString Leyenda READ Leyenda)

public:
    explicit Controles(QWidget* padre = nullptr);

    QString caption() const;
    void setCaption(const QString& texto);
    QString b1caption() const;
    void setB1caption(const QString& texto);
    QString b2caption() const;
    void setB2caption(const QString& texto);
    QString tabwidth() const;
    void setTabwidth(const QString& ancho);
    QString easyaccessenabled() const;
    void setEasyaccessenabled(const QString& siNo);
    QString showmenupopup() const;
    void setShowmenupopup(const QString& siNo);
    QString showwindowslist() const;
    void setShowwindowslist(const QString& siNo);
    QString showexitbutton() const;
    void setShowexitbutton(const QString& siNo);
    bool permitir_mover() const;
    void setPermitir_mover(bool permitir);

    bool ActivarCatalogo() const;
    void setActivarCatalogo(bool activar);
    bool NuevoHabilitado() const;
    void setNuevoHabilitado(bool habilitado);
    bool EditarHabilitado() const;
    void setEditarHabilitado(bool habilitado);
    bool EliminarHabilitado() const;
    void setEliminarHabilitado(bool habilitado);

    // The title the toolbar shows for its form, used as the heading of the form's messages.
    QString Leyenda() const;

    // After a command: every button back to the state its flag gives, none left pressed.
    Q_INVOKABLE void Restablecer();
    // Redraws the toolbar from its flags (after a change was refused).
    Q_INVOKABLE void Refrescar();
    // Raises Editar as a click on the Edit button would (nothing when Edit is disabled).
    Q_INVOKABLE void PulsarEditar();
    // Shows the toolbar as belonging to the active window or not.
    Q_INVOKABLE void Activar(bool activo);

    // The buttons, by name: "Nuevo", "Editar", "Eliminar", "Imprimir", "B1", "B2", "Salir".
    QToolButton* Boton(const QString& nombre) const;

signals:
    void Nuevo();
    void Editar();
    void Imprimir();
    void Eliminar();
    void Salir();
    void B1Click();
    void B2Click();

protected:
    void contextMenuEvent(QContextMenuEvent* evento) override;

private:
    QToolButton* crearBoton(const QString& nombre, const QString& texto, const QIcon& icono);
    void ActualizarBotones();
    void PintarBanda();
    void Pulsar(QToolButton* boton);
    void LlenarMenuVentanas();
    void CrearAccesosRapidos();
    QList<QToolButton*> BotonesVisibles() const;

    QWidget* m_banda = nullptr;
    QLabel* m_titulo = nullptr;
    QToolButton* m_nuevo = nullptr;
    QToolButton* m_editar = nullptr;
    QToolButton* m_eliminar = nullptr;
    QToolButton* m_imprimir = nullptr;
    QToolButton* m_b1 = nullptr;
    QToolButton* m_b2 = nullptr;
    QToolButton* m_ventanas = nullptr;
    QToolButton* m_salir = nullptr;
    QMenu* m_menuVentanas = nullptr;
    MoverVentana* m_mover = nullptr;
    QList<QShortcut*> m_accesos;

    QString m_tabwidth = QStringLiteral("0");
    QString m_easyaccessenabled = QStringLiteral("NO");
    QString m_showmenupopup = QStringLiteral("NO");
    QString m_showwindowslist = QStringLiteral("NO");
    QString m_showexitbutton = QStringLiteral("NO");
    bool m_activarCatalogo = false;
    bool m_nuevoHabilitado = true;
    bool m_editarHabilitado = false;
    bool m_eliminarHabilitado = false;
    bool m_activo = true;
};
