#pragma once

#include "ImageList.h"
#include "TreeView.h"

#include <QPainter>
#include <QPixmap>
#include <QtTest>

// What the tree tests share: a small catalogue-like tree and clicks on its nodes.
namespace ArbolDePrueba {

// A 16x16 picture of one colour, to tell the pictures apart.
inline QIcon Imagen(QColor color)
{
    QPixmap dibujo(16, 16);
    dibujo.fill(color);
    return QIcon(dibujo);
}

inline ImageList* Imagenes(QObject* duenio)
{
    auto* lista = new ImageList(duenio);
    for (QColor color : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::yellow)})
        lista->Add(Imagen(color));
    return lista;
}

// "/" (N0) with 1 ACTIVO (N1: N11, N12) and 2 PASIVO (N2), as the catalogue builds it.
inline void Llenar(TreeView& arbol, const QString& textoN11 = QStringLiteral("1.1 - CAJA"))
{
    arbol.Clear();
    arbol.Add({}, TreeView::tvwChild, "N0", "/", 3);
    arbol.Add("N0", TreeView::tvwChild, "N1", "ACTIVO", 3);
    arbol.Add("N1", TreeView::tvwChild, "N11", textoN11, 4);
    arbol.Add("N1", TreeView::tvwChild, "N12", "1.2 - BANCOS", 4);
    arbol.Add("N0", TreeView::tvwChild, "N2", "PASIVO", 3);
    arbol.expandAll();
}

inline QPoint Centro(TreeView& arbol, const QString& clave)
{
    return arbol.visualItemRect(arbol.Item(clave)).center();
}

inline void Clic(TreeView& arbol, const QString& clave)
{
    QTest::mouseClick(arbol.viewport(), Qt::LeftButton, {}, Centro(arbol, clave));
}

} // namespace ArbolDePrueba
