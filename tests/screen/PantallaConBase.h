#pragma once

// The screen's tests open the form themselves: a base of their own and a closed screen.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "Publico.h"
#include "TreeView.h"
#include "VigiaModal.h"
#include "frmInput.h"
#include "frmTQ614.h"

struct PantallaConBase
{
    explicit PantallaConBase(BaseDePrueba::Motor motor = BaseDePrueba::Motor::SQLite)
        : base(motor)
        , pantalla(base, PantallaDePrueba::Apertura::Cerrada)
    {
    }
    frmTQ614& Forma() { return pantalla.Forma(); }
    frmTQ614& Cargar()
    {
        Forma().Load();
        base.LimpiarTraza();
        return Forma();
    }
    frmTQ614& Mostrar()
    {
        Cargar();
        Forma().Ventana()->show();
        Forma().Ventana()->activateWindow();
        Forma().tvCuentas()->setFocus();
        QCoreApplication::processEvents();
        return Forma();
    }
    TreeView& Arbol() { return pantalla.Arbol(); }
    QTreeWidgetItem* Nodo(const QString& clave) { return pantalla.Nodo(clave); }
    QStringList Descripcion() { return pantalla.Descripcion(); }
    QStringList Titulos() const { return PantallaDePrueba::Titulos(base); }

    BaseDePrueba base;
    PantallaDePrueba pantalla;
};
