#pragma once

#include <QColor>
#include <QLineEdit>

class Connection;
class QValidator;

// The in-house text box. Saved properties: locked, maxlength (what the user may type or
// paste; text set by code is kept whole), tabonenter (Enter moves to the next control),
// alignment (Qt's), subrayar (underlined text), enabledcolor, font, and
// the lookup pair sql / sql_control_resultado: whenever the text changes (typed or set by
// code) the box runs `sql` with its text bound in place of the "?" placeholder (a quoted
// '?' in the statement stands for the placeholder too) and shows the first value returned
// in the sibling control named by sql_control_resultado (an empty text when no row comes
// back). The value is always bound, never spliced into the statement.
class txtKES : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(bool locked READ locked WRITE setLocked)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(bool tabonenter READ tabonenter WRITE setTabonenter)
    Q_PROPERTY(bool subrayar READ subrayar WRITE setSubrayar)
    Q_PROPERTY(QColor enabledcolor READ enabledcolor WRITE setEnabledcolor)
    Q_PROPERTY(QString sql READ sql WRITE setSql)
    Q_PROPERTY(QString sql_control_resultado READ sql_control_resultado WRITE setSql_control_resultado)
    Q_PROPERTY(double Valor READ Valor WRITE setValor)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    explicit txtKES(QWidget* padre = nullptr);

    bool locked() const;
    void setLocked(bool bloqueado);
    // The most characters the user's typing, pasting or dropping may leave in the box
    // (32767 by default, as QLineEdit's). Unlike QLineEdit's own limit, which these hide,
    // text set by code is never cut: a key the program computes is shown whole, and the
    // form's own checks judge it. A user edit never makes a text that is already longer
    // any longer.
    int maxLength() const;
    void setMaxLength(int largo);
    bool tabonenter() const;
    void setTabonenter(bool mover);
    bool subrayar() const;
    void setSubrayar(bool subrayar);
    QColor enabledcolor() const;
    void setEnabledcolor(const QColor& color);
    QString sql() const;
    void setSql(const QString& sentencia);
    QString sql_control_resultado() const;
    void setSql_control_resultado(const QString& nombreControl);

    // The numeric value of the text, read as far as it reads as a number (0 when it does
    // not start with one); setting it writes the number as text.
    double Valor() const;
    void setValor(double valor);

    // Whether the tab key stops in the box.
    bool TabStop() const;
    void setTabStop(bool parar);

    // The connection every box runs its lookup on (the host sets it once).
    static void EstablecerConexion(Connection* conexion);
    static Connection* ConexionConsultas();

signals:
    // In this order in the box's event list:
    // the user finished changing the text (the focus left the box or Enter was pressed,
    // and the text differs from when the box last raised Validate or received the focus,
    // or from the last text set by code);
    void Validate();
    // the user changed the text (each keystroke or paste; never raised by code).
    void Change();

protected:
    bool event(QEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void focusInEvent(QFocusEvent* evento) override;
    void focusOutEvent(QFocusEvent* evento) override;
    void changeEvent(QEvent* evento) override;
    void hideEvent(QHideEvent* evento) override;

private:
    // The colour scheme of the form sets the colours that have no saved property here.
    friend class colorKES;
    void setColoresEsquema(const QColor& deshabilitado, const QColor& conFoco);

    void ActualizarFondo();
    void ComprobarValidate();
    void TextoCambiado();
    void Consultar();
    void MostrarResultado(const QString& valor);

    QValidator* m_limite = nullptr;
    bool m_tabonenter = false;
    QColor m_enabledcolor;
    QColor m_disabledcolor;
    QColor m_focuscolor;
    QString m_sql;
    QString m_sqlControlResultado;
    bool m_tabStop = true;
    Qt::FocusPolicy m_politicaFoco = Qt::StrongFocus;
    // The text as it was when the box got the focus or last raised Validate.
    QString m_textoValidado;
    bool m_enEdicion = false;
    bool m_cambioDelUsuario = false;
    bool m_consultando = false;
};
