#pragma once

// The catalogue screen over a fresh database, with the real host services: what the screen's
// tests share. The form and the prompt are created anew for each test and destroyed after it.

#include "BaseDePrueba.h"
#include "FabricaServicios.h"
#include "Publico.h"
#include "TreeView.h"
#include "VigiaModal.h"
#include "frmInput.h"
#include "frmTQ614.h"

#include <QTreeWidgetItemIterator>

class PantallaDePrueba
{
public:
    explicit PantallaDePrueba(BaseDePrueba::Motor motor = BaseDePrueba::Motor::SQLite)
        : base(motor)
    {
        frmTQ614::Destruir();
        frmInput::Destruir();
        Publico::EstablecerFabrica([](const char* clase) { return KesCrearObjeto(clase); });
        Publico::Main();
        Publico::sFormatoClave.clear();
        Publico::sSQL.clear();
    }

    ~PantallaDePrueba()
    {
        frmInput::Destruir();
        frmTQ614::Destruir();
        Publico::EstablecerFabrica({});
    }

    frmTQ614& Forma() { return frmTQ614::Instancia(); }

    // Loads the screen (which fills the tree) and forgets what the load traced.
    frmTQ614& Cargar()
    {
        Forma().Load();
        base.LimpiarTraza();
        return Forma();
    }

    // Loads and shows it, the tree with the focus, as a user finds it.
    frmTQ614& Mostrar()
    {
        Cargar();
        QWidget* ventana = Forma().Ventana();
        ventana->show();
        ventana->activateWindow();
        Forma().tvCuentas()->setFocus();
        QCoreApplication::processEvents();
        return Forma();
    }

    TreeView& Arbol() { return *Forma().tvCuentas(); }

    QTreeWidgetItem* Nodo(const QString& claveGrupo) { return Arbol().Buscar(QLatin1Char('N') + claveGrupo); }

    // Every node, depth first, as "key|text|picture|depth": two trees are the same when their
    // descriptions are.
    QStringList Descripcion()
    {
        QStringList nodos;
        for (QTreeWidgetItemIterator it(&Arbol()); *it; ++it) {
            int profundidad = 0;
            for (auto* p = (*it)->parent(); p; p = p->parent())
                ++profundidad;
            nodos << QStringLiteral("%1|%2|%3|%4")
                         .arg(TreeView::Key(*it), TreeView::Text(*it))
                         .arg(TreeView::Image(*it))
                         .arg(profundidad);
        }
        return nodos;
    }

    QStringList Titulos() const
    {
        QStringList titulos;
        for (const auto& mensaje : base.Mensajes())
            titulos << mensaje.titulo;
        return titulos;
    }

    BaseDePrueba base;
};
