#include "Titulo.h"

#include "MoverVentana.h"
#include "PropiedadesDeLetra.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace {

bool EsSi(const QString& valor)
{
    return valor.trimmed().compare(QLatin1String("SI"), Qt::CaseInsensitive) == 0;
}

const QColor kFondo(0, 83, 138);

}  // namespace

Titulo::Titulo(QWidget* padre)
    : QWidget(padre)
{
    setAutoFillBackground(true);
    QPalette paleta = palette();
    paleta.setColor(QPalette::Window, kFondo);
    paleta.setColor(QPalette::WindowText, Qt::white);
    paleta.setColor(QPalette::ButtonText, Qt::white);
    setPalette(paleta);

    m_icono = new QLabel(this);
    m_icono->setObjectName(QStringLiteral("Icono"));
    m_texto = new QLabel(this);
    m_texto->setObjectName(QStringLiteral("Caption"));
    CambiarLetra(*m_texto, &QFont::setBold, true);

    m_minimizar = crearBoton(QStringLiteral("Minimizar"), QStyle::SP_TitleBarMinButton);
    m_maximizar = crearBoton(QStringLiteral("Maximizar"), QStyle::SP_TitleBarMaxButton);
    m_cerrar = crearBoton(QStringLiteral("Cerrar"), QStyle::SP_TitleBarCloseButton);
    connect(m_minimizar, &QToolButton::clicked, this, [this] { window()->showMinimized(); });
    connect(m_maximizar, &QToolButton::clicked, this, [this] {
        if (window()->isMaximized())
            window()->showNormal();
        else
            window()->showMaximized();
    });
    connect(m_cerrar, &QToolButton::clicked, this, [this] { window()->close(); });

    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(6, 2, 4, 2);
    capa->setSpacing(6);
    capa->addWidget(m_icono);
    capa->addWidget(m_texto, 1);
    capa->addWidget(m_minimizar);
    capa->addWidget(m_maximizar);
    capa->addWidget(m_cerrar);

    new MoverVentana(this);
    ActualizarBotones();
    ActualizarIcono();
}

QToolButton* Titulo::crearBoton(const QString& nombre, int icono)
{
    auto* boton = new QToolButton(this);
    boton->setObjectName(nombre);
    boton->setAccessibleName(nombre);  // the button shows only a picture
    boton->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icono)));
    boton->setAutoRaise(true);
    boton->setFocusPolicy(Qt::NoFocus);
    return boton;
}

QString Titulo::caption() const
{
    return m_texto->text();
}

void Titulo::setCaption(const QString& texto)
{
    m_texto->setText(texto);
    if (window() != this && window()->windowTitle().isEmpty())
        window()->setWindowTitle(texto);
}

QPixmap Titulo::pictureicono() const
{
    return m_pictureicono;
}

void Titulo::setPictureicono(const QPixmap& icono)
{
    m_pictureicono = icono;
    ActualizarIcono();
}

QString Titulo::showminbutton() const
{
    return m_showminbutton;
}

void Titulo::setShowminbutton(const QString& siNo)
{
    m_showminbutton = siNo;
    ActualizarBotones();
}

QString Titulo::showmaxbutton() const
{
    return m_showmaxbutton;
}

void Titulo::setShowmaxbutton(const QString& siNo)
{
    m_showmaxbutton = siNo;
    ActualizarBotones();
}

QString Titulo::showexitbutton() const
{
    return m_showexitbutton;
}

void Titulo::setShowexitbutton(const QString& siNo)
{
    m_showexitbutton = siNo;
    ActualizarBotones();
}

QString Titulo::adjusticon() const
{
    return m_adjusticon;
}

void Titulo::setAdjusticon(const QString& siNo)
{
    m_adjusticon = siNo;
    ActualizarIcono();
}

void Titulo::resizeEvent(QResizeEvent* evento)
{
    QWidget::resizeEvent(evento);
    if (EsSi(m_adjusticon))
        ActualizarIcono();
}

void Titulo::ActualizarBotones()
{
    m_minimizar->setVisible(EsSi(m_showminbutton));
    m_maximizar->setVisible(EsSi(m_showmaxbutton));
    m_cerrar->setVisible(EsSi(m_showexitbutton));
}

// "SI" fits the picture to the bar's height; otherwise it is shown at 16 x 16.
void Titulo::ActualizarIcono()
{
    if (m_pictureicono.isNull()) {
        m_icono->clear();
        m_icono->hide();
        return;
    }
    const int lado = EsSi(m_adjusticon) ? qMax(16, height() - 4) : 16;
    m_icono->setPixmap(m_pictureicono.scaled(lado, lado, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_icono->show();
}
