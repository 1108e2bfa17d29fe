#pragma once

#include <QColor>
#include <QLineEdit>
#include <functional>

class Connection;
class QValidator;

// The in-house text box. Saved properties: locked, maxlength (what the user may type or
// paste; text set by code is kept whole), tabonenter (Enter moves to the next control),
// alignment (0 left, 1 right, 2 centre), subrayar (underlined text), enabledcolor, font, and
// the lookup pair sql / sql_control_resultado: whenever the text changes (typed or set by
// code) the box runs `sql` with its text bound in place of the "?" placeholder (a quoted
// '?' in the statement stands for the placeholder too) and shows the first column of the
// first row in the sibling control named by sql_control_resultado (an empty text when no row
// comes back). The value is always bound, never spliced into the statement. The statement
// runs on the connection the form provides; without one there is no lookup.
class txtKES : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(bool locked READ locked WRITE setLocked)
    Q_PROPERTY(int maxlength READ maxLength WRITE setMaxLength)
    // Qt's own name for the limit answers the same, never QLineEdit's limit that cuts code's text.
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(int alignment READ alineacion WRITE setAlineacion)
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
    // 0 left, 1 right, 2 centre (QLineEdit's setAlignment stays for Qt's own flags).
    int alineacion() const;
    void setAlineacion(int alineacion);
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

    // Where the lookup finds its connection at the moment it runs (the form's data services);
    // a provider that gives none, or none set, means no lookup.
    using ProveedorConexion = std::function<Connection*()>;
    void setProveedorConexion(ProveedorConexion proveedor);

signals:
    // In this order in the box's event list:
    // the text is settled: set by code, or changed by the user, who then finished (the
    // focus left the box, or Tab or Enter was pressed), whatever the text ends as;
    void Validate();
    // the user changed the text (each keystroke or paste; never raised by code).
    void Change();

protected:
    bool event(QEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void focusInEvent(QFocusEvent* evento) override;
    void focusOutEvent(QFocusEvent* evento) override;
    void changeEvent(QEvent* evento) override;

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
    ProveedorConexion m_proveedorConexion;
    bool m_tabStop = true;
    Qt::FocusPolicy m_politicaFoco = Qt::StrongFocus;
    // The user changed the text since the box last raised Validate.
    bool m_editado = false;
    bool m_cambioDelUsuario = false;
    bool m_consultando = false;
};
