#include "Etiqueta.h"

#include "Alineacion.h"

Etiqueta::Etiqueta(QWidget* padre)
    : QLabel(padre)
{
    setAlignment(Alineacion::AQt(0));
}

QString Etiqueta::caption() const
{
    return text();
}

void Etiqueta::setCaption(const QString& texto)
{
    setText(texto);
    if (buddy())
        Nombrar(buddy());
}

void Etiqueta::Nombrar(QWidget* control)
{
    setBuddy(control);
    QString nombre = text().trimmed();
    if (nombre.endsWith(QLatin1Char(':')))
        nombre.chop(1);
    control->setAccessibleName(nombre.trimmed());
}

QString Etiqueta::idetiqueta() const
{
    return m_idetiqueta;
}

void Etiqueta::setIdetiqueta(const QString& id)
{
    m_idetiqueta = id;
}

int Etiqueta::alineacion() const
{
    return Alineacion::Guardada(alignment());
}

void Etiqueta::setAlineacion(int alineacion)
{
    setAlignment(Alineacion::AQt(alineacion));
}

QColor Etiqueta::backcolor() const
{
    return m_backcolor;
}

void Etiqueta::setBackcolor(const QColor& color)
{
    m_backcolor = color;
    QPalette paleta = palette();
    paleta.setColor(QPalette::Window, color);
    setPalette(paleta);
    // A label only paints its own background when asked to; without a colour it shows
    // whatever lies beneath it.
    setAutoFillBackground(color.isValid());
}

QColor Etiqueta::forecolor() const
{
    return m_forecolor;
}

void Etiqueta::setForecolor(const QColor& color)
{
    m_forecolor = color;
    if (!color.isValid())
        return;
    QPalette paleta = palette();
    paleta.setColor(QPalette::WindowText, color);
    setPalette(paleta);
}
