#pragma once

#include <QtWidgets>

// What a user who cannot see the screen, or sees it enlarged, would meet in a window.
namespace Accesibilidad {

// Every input box, tree and button shown that a screen reader would read without a name, as "objectName (role)".
inline QStringList SinNombreAccesible(QWidget* ventana)
{
    QStringList faltan;
    for (QWidget* w : ventana->findChildren<QWidget*>()) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
        if (i && !i->state().invisible
            && QList{QAccessible::EditableText, QAccessible::Tree, QAccessible::PushButton, QAccessible::ButtonMenu,
                     QAccessible::ButtonDropDown, QAccessible::CheckBox, QAccessible::ComboBox}
                   .contains(i->role())
            && i->text(QAccessible::Name).trimmed().isEmpty())
            faltan << QStringLiteral("%1 (%2)").arg(w->objectName()).arg(i->role());
    }
    return faltan;
}

// Every label, box and button shown that cuts its text: narrower or lower than its text, a box lower than its line.
inline QStringList TextoRecortado(QWidget* ventana)
{
    QStringList recortados;
    for (QWidget* w : ventana->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(ventana))
            continue;
        QSize espacio, texto;  // other widgets keep both invalid, which passes
        if ((qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w))
            && !w->property("text").toString().isEmpty()) {
            espacio = w->size();
            texto = w->minimumSizeHint();
        } else if (const auto* caja = qobject_cast<QLineEdit*>(w)) {
            // Where QLineEdit draws its one line; a longer text scrolls sideways.
            QStyleOptionFrame opcion;
            opcion.initFrom(caja);
            opcion.lineWidth = caja->hasFrame() ? w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opcion, w) : 0;
            espacio = w->style()
                          ->subElementRect(QStyle::SE_LineEditContents, &opcion, w)
                          .marginsRemoved(caja->textMargins())
                          .size();
            texto = QSize(0, w->fontMetrics().height());
        }
        if (espacio.width() < texto.width() || espacio.height() < texto.height())
            QDebug(&recortados.emplaceBack()) << w->objectName() << espacio << "<" << texto;
    }
    return recortados;
}

}  // namespace Accesibilidad
