#pragma once

#include "FormaBase.h"

#include <QPointer>
#include <QString>

#include "Controles.h"
#include "Etiqueta.h"
#include "ImageList.h"
#include "TreeView.h"
#include "colorKES.h"
#include "txtKES.h"

#include <QFrame>

// The catalogue of account groups: the groups as a tree under "/", the selected group's
// fields below it, and the toolbar's commands.
class frmTQ614 : public FormaPredeterminada<frmTQ614>
{
    Q_OBJECT

public:
    frmTQ614();

    // Controls, valid while the form is loaded.
    QFrame* frFrame() const { return m_frFrame; }
    txtKES* txtCuenta() const { return m_txtCuenta; }
    txtKES* txtClave() const { return m_txtClave; }
    txtKES* txtCodigo() const { return m_txtCodigo; }
    txtKES* txtNivel() const { return m_txtNivel; }
    Etiqueta* lbNivel() const { return m_lbNivel; }
    Controles* controles() const { return m_Controles; }
    TreeView* tvCuentas() const { return m_tvCuentas; }
    ImageList* ilIconos() const { return m_ilIconos; }

    // The last search text (Ctrl+B), used again by F3.
    QString TextoBuscado;

    // The listing being built by Print, and the depth of the next level's lines.
    QString sListado;
    short iNivel = 0;

    // Toolbar commands (public: the change-key command calls itself again after a
    // duplicate, and hosts and tests may run any command as the toolbar does).
    void Controles_Nuevo();
    void Controles_Editar();
    void Controles_Eliminar();
    void Controles_Imprimir();
    void Controles_B2Click();
    void Controles_Salir();

    // Clears and refills the whole tree from the table (hosts call it after changing the
    // table themselves).
    Q_INVOKABLE void CargarCuentas();

    // Tree events.
    void tvCuentas_NodeClick(QTreeWidgetItem* nodo);
    void tvCuentas_DblClick();
    void tvCuentas_KeyDown(int& codigoTecla, int mayusculas);
    void tvCuentas_AfterLabelEdit(int& cancel, QString& nuevoTexto);
    void tvCuentas_GotFocus();

protected:
    void ConstruirVentana(QWidget* ventana) override;
    void Form_Load() override;
    void Form_Resize() override;

private:
    // The group key that a node stands for: its node key without the leading "N".
    static QString ClaveDeGrupo(const QTreeWidgetItem* nodo);

    void AddSubMenu(const QString& clavePadre);
    void Imprimir_CeCo(const QString& clavePadre);

    void ConectarEventos();
    // Ctrl+B and F3: ask for TextoBuscado, and search the tree for it.
    void PedirTextoBuscado();
    void BuscarTextoEnArbol();

    QPointer<QFrame> m_frFrame;
    QPointer<txtKES> m_txtCuenta;
    QPointer<txtKES> m_txtClave;
    QPointer<Etiqueta> m_Label1;
    QPointer<Etiqueta> m_Label2;
    QPointer<txtKES> m_txtCodigo;
    QPointer<Etiqueta> m_Etiqueta1;
    QPointer<txtKES> m_txtNivel;
    QPointer<Etiqueta> m_lbNivel;
    QPointer<colorKES> m_colorKES;
    QPointer<Controles> m_Controles;
    QPointer<TreeView> m_tvCuentas;
    QPointer<ImageList> m_ilIconos;

    // How many levels of AddSubMenu are running: a chain of groups deeper than the stack can
    // hold ends in an error report instead of a crash.
    int m_nivelesCargando = 0;
};
