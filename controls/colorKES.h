#pragma once

#include <QColor>
#include <QObject>

// The invisible colour scheme of a form. AplicarColores paints the form it belongs to (its
// parent widget's window) and the in-house controls on it: the form's and the labels'
// background, the text boxes' enabled, disabled and focus colours, font sizes of labels and
// text boxes.
class colorKES : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QColor backcolor MEMBER backcolor)
    Q_PROPERTY(QColor calendarbackcolor MEMBER calendarbackcolor)
    Q_PROPERTY(QColor calendarforecolor MEMBER calendarforecolor)
    Q_PROPERTY(QColor calendartitlebackcolor MEMBER calendartitlebackcolor)
    Q_PROPERTY(QColor calendartitleforecolor MEMBER calendartitleforecolor)
    Q_PROPERTY(QColor calendartrailingforecolor MEMBER calendartrailingforecolor)
    Q_PROPERTY(QColor dbgridbackcolor MEMBER dbgridbackcolor)
    Q_PROPERTY(QColor dbgridbackcoloreven MEMBER dbgridbackcoloreven)
    Q_PROPERTY(QColor dbgridbackcolorodd MEMBER dbgridbackcolorodd)
    Q_PROPERTY(QColor enablecolor MEMBER enablecolor)
    Q_PROPERTY(QColor disablecolor MEMBER disablecolor)
    Q_PROPERTY(QColor focuscolor MEMBER focuscolor)
    Q_PROPERTY(double labelfontsize MEMBER labelfontsize)
    Q_PROPERTY(double textfontsize MEMBER textfontsize)
    Q_PROPERTY(QColor menubackcolor MEMBER menubackcolor)
    Q_PROPERTY(QColor menufontbackcolor MEMBER menufontbackcolor)
    Q_PROPERTY(QColor menuselbackcolor MEMBER menuselbackcolor)

public:
    explicit colorKES(QObject* padre = nullptr);

    Q_INVOKABLE void AplicarColores();

    QColor backcolor;
    QColor calendarbackcolor;
    QColor calendarforecolor;
    QColor calendartitlebackcolor;
    QColor calendartitleforecolor;
    QColor calendartrailingforecolor;
    QColor dbgridbackcolor;
    QColor dbgridbackcoloreven;
    QColor dbgridbackcolorodd;
    QColor enablecolor;
    QColor disablecolor;
    QColor focuscolor;
    double labelfontsize = 8.25;
    double textfontsize = 8.25;
    QColor menubackcolor;
    QColor menufontbackcolor;
    QColor menuselbackcolor;
};
