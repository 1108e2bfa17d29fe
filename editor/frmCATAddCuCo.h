#pragma once

#include "FormaBase.h"

#include <QPointer>

#include "Controles.h"
#include "Etiqueta.h"
#include "colorKES.h"
#include "txtKES.h"

class GuardaTransaccion;

// The dialog that adds an account group under a parent or edits an existing one. A locked
// key box means the dialog edits; an unlocked one, that it adds. Whoever opens it sets its
// Padre first (the screen hands on its own).
class frmCATAddCuCo : public FormaPredeterminada<frmCATAddCuCo>
{
    Q_OBJECT

public:
    frmCATAddCuCo();

    // True only after a save was committed.
    bool Aceptado = false;

    // Writes the next automatic key into txtClave; false after an error.
    bool ClaveAutomatica();

    // Controls, valid while the form is loaded.
    txtKES* txtNPadre() const { return m_txtNPadre; }
    txtKES* txtPadre() const { return m_txtPadre; }
    txtKES* txtClave() const { return m_txtClave; }
    txtKES* txtDescripcion() const { return m_txtDescripcion; }
    txtKES* txtCodigo() const { return m_txtCodigo; }
    Controles* Controles1() const { return m_Controles1; }
    txtKES* txtNivel() const { return m_txtNivel; }

    // The save (the toolbar's Aceptar) and Cancelar.
    void cmdAceptar();
    void Controles1_B2Click();

protected:
    void ConstruirVentana(QWidget* ventana) override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyDown(int& codigoTecla, int mayusculas) override;
    void Form_QueryUnload(bool& cancel, int modoDescarga) override;

private:
    colorKES* CrearEsquemaColores(QWidget* ventana);
    txtKES* CrearCaja(QWidget* ventana, const QString& nombre, const QRect& posicion);
    Etiqueta* CrearEtiqueta(QWidget* ventana, const QString& nombre, const QRect& posicion, const QString& idEtiqueta,
                            const QString& titulo);
    Controles* CrearBarra(QWidget* ventana);
    void OrdenarTabulacion();
    void ConectarEventos();
    void Ocultar();

    short ObtenerNivel(const QString& codigo);
    // The two reactions to the code box: the level derivation and the level lock.
    void txtCodigo_Validate();
    void txtCodigo_Change();

    // New mode: the key box is not locked.
    bool ModoNuevo() const;
    // The seven checks of the save, in order; false after the first failure's message.
    bool EntradaValida();
    void Avisar(const QString& texto, long estilo, const QString& titulo, const QString& idError, txtKES* caja);
    void AvisarClaveExistente(const QString& clave);
    bool ClaveTomadaPorOtro() const;
    bool EscribirGrupo(GuardaTransaccion& transaccion, const QString& sello, const QString& operador);
    void ArmarInsercion(const QString& sello, const QString& operador);
    void ArmarActualizacion(const QString& sello, const QString& operador);

    // Activation puts the user in the description once per showing.
    bool m_enfocarAlActivar = true;

    QPointer<colorKES> m_colorKES;
    QPointer<txtKES> m_txtNPadre;
    QPointer<txtKES> m_txtPadre;
    QPointer<txtKES> m_txtClave;
    QPointer<txtKES> m_txtDescripcion;
    QPointer<Etiqueta> m_Label7;
    QPointer<Etiqueta> m_Label1;
    QPointer<Etiqueta> m_Label2;
    QPointer<txtKES> m_txtCodigo;
    QPointer<Etiqueta> m_Etiqueta1;
    QPointer<Controles> m_Controles1;
    QPointer<txtKES> m_txtNivel;
    QPointer<Etiqueta> m_Etiqueta2;
};
