#include "colorKES.h"

#include "Etiqueta.h"
#include "PropiedadesDeLetra.h"
#include "txtKES.h"

#include <QWidget>

colorKES::colorKES(QObject* padre)
    : QObject(padre)
{}

void colorKES::AplicarColores()
{
    auto* duenio = qobject_cast<QWidget*>(parent());
    if (!duenio)
        return;
    QWidget* ventana = duenio->window();

    if (backcolor.isValid()) {
        QPalette paleta = ventana->palette();
        paleta.setColor(QPalette::Window, backcolor);
        ventana->setPalette(paleta);
        ventana->setAutoFillBackground(true);
    }

    for (Etiqueta* etiqueta : ventana->findChildren<Etiqueta*>()) {
        if (backcolor.isValid())
            etiqueta->setBackcolor(backcolor);
        if (labelfontsize > 0)
            etiqueta->setFontsize(labelfontsize);
    }

    for (txtKES* texto : ventana->findChildren<txtKES*>()) {
        if (enablecolor.isValid())
            texto->setEnabledcolor(enablecolor);
        texto->setColoresEsquema(disablecolor, focuscolor);
        if (textfontsize > 0)
            CambiarLetra(*texto, &QFont::setPointSizeF, textfontsize);
    }
}
