#pragma once

#include "FormaBase.h"

#include <QPointer>

#include "Etiqueta.h"
#include "Titulo.h"
#include "colorKES.h"
#include "flatButton.h"
#include "txtKES.h"

// A small modal prompt for one text value (the tree search). Whoever opens it sets its Padre
// first (the screen hands on its own).
class frmInput : public FormaPredeterminada<frmInput>
{
    Q_OBJECT

public:
    frmInput();

    // True only after Aceptar with a text that is not empty.
    bool Aceptado = false;

    // Empties the box and shows the dialog modally; returns once it is hidden.
    void Mostrar();

    Titulo* titulo() const { return m_Titulo; }
    Etiqueta* Etiqueta1() const { return m_Etiqueta1; }
    txtKES* txtValor() const { return m_txtValor; }
    flatButton* cmdAceptar() const { return m_cmdAceptar; }
    flatButton* cmdCancelar() const { return m_cmdCancelar; }

protected:
    void ConstruirVentana(QWidget* ventana) override;
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, int modoDescarga) override;

private:
    flatButton* CrearBoton(QWidget* ventana, const QString& nombre, const QRect& posicion, const QString& titulo);
    void CentrarEnPantalla();
    void cmdAceptar_Click();
    void cmdCancelar_Click();

    QPointer<Titulo> m_Titulo;
    QPointer<Etiqueta> m_Etiqueta1;
    QPointer<colorKES> m_colorKES;
    QPointer<txtKES> m_txtValor;
    QPointer<flatButton> m_cmdAceptar;
    QPointer<flatButton> m_cmdCancelar;
};
