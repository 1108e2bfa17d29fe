#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>

// What a user who cannot see the screen, or sees it enlarged, would meet in a window.
namespace Accesibilidad {

// Every input box, tree and button shown in the window that a screen reader would read out
// without a name, as "objectName (role)".
inline QStringList SinNombreAccesible(QWidget* ventana)
{
    QStringList faltan;
    const auto recorrer = [&faltan](const auto& self, QAccessibleInterface* i) -> void {
        if (!i || i->state().invisible)
            return;
        const QAccessible::Role rol = i->role();
        const bool nombrable = rol == QAccessible::EditableText || rol == QAccessible::Tree
                               || rol == QAccessible::PushButton || rol == QAccessible::ButtonMenu
                               || rol == QAccessible::ButtonDropDown || rol == QAccessible::CheckBox
                               || rol == QAccessible::ComboBox;
        if (nombrable && i->text(QAccessible::Name).trimmed().isEmpty())
            faltan << QStringLiteral("%1 (%2)").arg(i->object() ? i->object()->objectName() : QString()).arg(rol);
        if (rol == QAccessible::Tree)  // its rows are named by their own text
            return;
        for (int k = 0; k < i->childCount(); ++k)
            self(self, i->child(k));
    };
    recorrer(recorrer, QAccessible::queryAccessibleInterface(ventana));
    return faltan;
}

// Every label, input box and button shown in the window that cuts its text: a label or a
// button narrower or lower than its text, a box lower than its line.
inline QStringList TextoRecortado(QWidget* ventana)
{
    QStringList recortados;
    for (QWidget* w : ventana->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(ventana))
            continue;
        const QFontMetrics medida = w->fontMetrics();
        QSize espacio, texto;
        if (const auto* etiqueta = qobject_cast<QLabel*>(w); etiqueta && !etiqueta->text().isEmpty()) {
            const int margen = etiqueta->margin();
            espacio = etiqueta->contentsRect().adjusted(margen, margen, -margen, -margen).size();
            texto = QSize(medida.horizontalAdvance(etiqueta->text()), medida.height());
        } else if (const auto* caja = qobject_cast<QLineEdit*>(w)) {
            // Where QLineEdit draws its one line; a longer text scrolls sideways.
            QStyleOptionFrame opcion;
            opcion.initFrom(caja);
            opcion.lineWidth =
                caja->hasFrame() ? caja->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opcion, caja) : 0;
            espacio = caja->style()
                          ->subElementRect(QStyle::SE_LineEditContents, &opcion, caja)
                          .marginsRemoved(caja->textMargins())
                          .size();
            texto = QSize(0, medida.height());
        } else if (const auto* boton = qobject_cast<QAbstractButton*>(w); boton && !boton->text().isEmpty()) {
            espacio = boton->size();
            texto = boton->minimumSizeHint();
        } else {
            continue;
        }
        if (espacio.width() < texto.width() || espacio.height() < texto.height())
            recortados << QStringLiteral("%1 %2x%3 < %4x%5")
                              .arg(w->objectName())
                              .arg(espacio.width())
                              .arg(espacio.height())
                              .arg(texto.width())
                              .arg(texto.height());
    }
    return recortados;
}

}  // namespace Accesibilidad
