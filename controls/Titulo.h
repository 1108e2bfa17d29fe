#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QToolButton;

// The in-house title bar of a borderless form: icon, caption and the minimise, maximise and
// exit buttons ("SI" or "NO"); dragging it moves the window.
class Titulo : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QPixmap pictureicono READ pictureicono WRITE setPictureicono)
    Q_PROPERTY(QString showminbutton READ showminbutton WRITE setShowminbutton)
    Q_PROPERTY(QString showmaxbutton READ showmaxbutton WRITE setShowmaxbutton)
    Q_PROPERTY(QString showexitbutton READ showexitbutton WRITE setShowexitbutton)
    Q_PROPERTY(QString adjusticon READ adjusticon WRITE setAdjusticon)

public:
    explicit Titulo(QWidget* padre = nullptr);

    QString caption() const;
    void setCaption(const QString& texto);
    QPixmap pictureicono() const;
    void setPictureicono(const QPixmap& icono);
    QString showminbutton() const;
    void setShowminbutton(const QString& siNo);
    QString showmaxbutton() const;
    void setShowmaxbutton(const QString& siNo);
    QString showexitbutton() const;
    void setShowexitbutton(const QString& siNo);
    QString adjusticon() const;
    void setAdjusticon(const QString& siNo);

protected:
    void resizeEvent(QResizeEvent* evento) override;

private:
    QToolButton* crearBoton(const QString& nombre, int icono);
    void ActualizarBotones();
    void ActualizarIcono();

    QLabel* m_icono = nullptr;
    QLabel* m_texto = nullptr;
    QToolButton* m_minimizar = nullptr;
    QToolButton* m_maximizar = nullptr;
    QToolButton* m_cerrar = nullptr;
    QPixmap m_pictureicono;
    QString m_showminbutton = QStringLiteral("SI");
    QString m_showmaxbutton = QStringLiteral("SI");
    QString m_showexitbutton = QStringLiteral("SI");
    QString m_adjusticon = QStringLiteral("NO");
};
