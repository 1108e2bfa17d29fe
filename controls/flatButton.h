#pragma once

#include "PropiedadesDeLetra.h"

#include <QAbstractButton>
#include <QColor>
#include <QPointer>

// The in-house flat button. Saved properties: caption, backcolor, bordercolor, forecolor,
// focuscolor (border while it has the focus), font, fontsize, fontbold, fontitalic, iconsize.
// Default and Cancel are the container's flags: Enter anywhere in the window presses the
// default button, Escape the cancel button. Click is raised on every press, by mouse,
// keyboard or those keys.
class flatButton
    : public QAbstractButton
    , public PropiedadesDeLetra<flatButton>
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor backcolor READ backcolor WRITE setBackcolor)
    Q_PROPERTY(QColor bordercolor READ bordercolor WRITE setBordercolor)
    Q_PROPERTY(QColor forecolor READ forecolor WRITE setForecolor)
    Q_PROPERTY(QColor focuscolor READ focuscolor WRITE setFocuscolor)
    Q_PROPERTY(double fontsize READ fontsize WRITE setFontsize)
    Q_PROPERTY(bool fontbold READ fontbold WRITE setFontbold)
    Q_PROPERTY(bool fontitalic READ fontitalic WRITE setFontitalic)
    Q_PROPERTY(int iconsize READ iconsize WRITE setIconsize)
    Q_PROPERTY(bool Default READ Default WRITE setDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel)

public:
    explicit flatButton(QWidget* padre = nullptr);

    QString caption() const;
    void setCaption(const QString& texto);
    QColor backcolor() const;
    void setBackcolor(const QColor& color);
    QColor bordercolor() const;
    void setBordercolor(const QColor& color);
    QColor forecolor() const;
    void setForecolor(const QColor& color);
    QColor focuscolor() const;
    void setFocuscolor(const QColor& color);
    int iconsize() const;
    void setIconsize(int tamano);
    bool Default() const;
    void setDefault(bool predeterminado);
    bool Cancel() const;
    void setCancel(bool cancelar);

    QSize sizeHint() const override;

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    bool event(QEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void VigilarVentana();
    int LadoIcono() const;

    QColor m_backcolor = QColor(0, 83, 138);
    QColor m_bordercolor = QColor(0, 83, 138);
    QColor m_forecolor = Qt::white;
    QColor m_focuscolor = QColor(255, 172, 117);
    int m_iconsize = 1;
    bool m_default = false;
    bool m_cancel = false;
    // The window whose Enter and Escape keys this button answers.
    QPointer<QWidget> m_ventana;
};
