#pragma once

#include "PropiedadesDeLetra.h"

#include <QColor>
#include <QLabel>

// The in-house label. Saved properties: caption, idetiqueta, alignment (0 left, 1 right,
// 2 centre; QLabel's setAlignment stays for Qt's own flags), backcolor, forecolor, font,
// fontsize, fontbold, enabled.
class Etiqueta
    : public QLabel
    , public PropiedadesDeLetra<Etiqueta>
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QString idetiqueta READ idetiqueta WRITE setIdetiqueta)
    Q_PROPERTY(int alignment READ alineacion WRITE setAlineacion)
    Q_PROPERTY(QColor backcolor READ backcolor WRITE setBackcolor)
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)
    Q_PROPERTY(double fontsize READ fontsize WRITE setFontsize)
    Q_PROPERTY(bool fontbold READ fontbold WRITE setFontbold)

public:
    explicit Etiqueta(QWidget* padre = nullptr);

    QString caption() const;
    void setCaption(const QString& texto);
    QString idetiqueta() const;
    void setIdetiqueta(const QString& id);
    int alineacion() const;
    void setAlineacion(int alineacion);
    QColor backcolor() const;
    void setBackcolor(const QColor& color);
    QColor forecolor() const;
    void setForecolor(const QColor& color);

    // The label stands for `control` (its buddy): screen readers call the control by the
    // caption without its closing colon, now and after every change of caption.
    void Nombrar(QWidget* control);

private:
    QString m_idetiqueta;
    QColor m_backcolor;
    QColor m_forecolor;
};
