#include "flatButton.h"

#include <QKeyEvent>
#include <QPainter>

flatButton::flatButton(QWidget* padre)
    : QAbstractButton(padre)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, &flatButton::Click);
}

QString flatButton::caption() const
{
    return text();
}

void flatButton::setCaption(const QString& texto)
{
    setText(texto);
}

QColor flatButton::backcolor() const
{
    return m_backcolor;
}

void flatButton::setBackcolor(const QColor& color)
{
    m_backcolor = color;
    update();
}

QColor flatButton::bordercolor() const
{
    return m_bordercolor;
}

void flatButton::setBordercolor(const QColor& color)
{
    m_bordercolor = color;
    update();
}

QColor flatButton::forecolor() const
{
    return m_forecolor;
}

void flatButton::setForecolor(const QColor& color)
{
    m_forecolor = color;
    update();
}

QColor flatButton::focuscolor() const
{
    return m_focuscolor;
}

void flatButton::setFocuscolor(const QColor& color)
{
    m_focuscolor = color;
    update();
}

int flatButton::iconsize() const
{
    return m_iconsize;
}

void flatButton::setIconsize(int tamano)
{
    m_iconsize = tamano;
    setIconSize(QSize(LadoIcono(), LadoIcono()));
    updateGeometry();
    update();
}

// The saved size is a step: 1 is 16 pixels, 2 is 24, 3 is 32.
int flatButton::LadoIcono() const
{
    return 8 * (qBound(1, m_iconsize, 6) + 1);
}

bool flatButton::Default() const
{
    return m_default;
}

void flatButton::setDefault(bool predeterminado)
{
    m_default = predeterminado;
    VigilarVentana();
}

bool flatButton::Cancel() const
{
    return m_cancel;
}

void flatButton::setCancel(bool cancelar)
{
    m_cancel = cancelar;
    VigilarVentana();
}

QSize flatButton::sizeHint() const
{
    const QFontMetrics medidas(font());
    int ancho = medidas.horizontalAdvance(text()) + 24;
    int alto = medidas.height() + 12;
    if (!icon().isNull()) {
        ancho += LadoIcono() + 6;
        alto = qMax(alto, LadoIcono() + 8);
    }
    return {ancho, alto};
}

void flatButton::paintEvent(QPaintEvent*)
{
    QPainter pintor(this);
    pintor.setRenderHint(QPainter::Antialiasing);
    QColor fondo = m_backcolor.isValid() ? m_backcolor : palette().color(QPalette::Button);
    if (!isEnabled())
        fondo = fondo.lighter(150);
    else if (isDown())
        fondo = fondo.darker(120);
    else if (underMouse())
        fondo = fondo.lighter(115);

    const QColor borde = hasFocus() && m_focuscolor.isValid() ? m_focuscolor
                         : m_bordercolor.isValid()            ? m_bordercolor
                                                              : fondo.darker(130);
    const int grosor = hasFocus() ? 2 : 1;
    const QRectF marco = QRectF(rect()).adjusted(grosor / 2.0, grosor / 2.0, -grosor / 2.0, -grosor / 2.0);
    pintor.setPen(QPen(borde, grosor));
    pintor.setBrush(fondo);
    pintor.drawRoundedRect(marco, 3, 3);

    QRect contenido = rect().adjusted(6, 2, -6, -2);
    if (!icon().isNull()) {
        const int lado = LadoIcono();
        const int anchoTexto = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + 6;
        const int x = contenido.left() + qMax(0, (contenido.width() - lado - anchoTexto) / 2);
        const QRect zonaIcono(x, contenido.center().y() - lado / 2, lado, lado);
        icon().paint(&pintor, zonaIcono, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        contenido.setLeft(zonaIcono.right() + 6);
        pintor.setPen(isEnabled() ? m_forecolor : m_forecolor.darker(130));
        pintor.drawText(contenido, Qt::AlignLeft | Qt::AlignVCenter, text());
        return;
    }
    pintor.setPen(isEnabled() ? m_forecolor : m_forecolor.darker(130));
    pintor.drawText(contenido, Qt::AlignCenter, text());
}

void flatButton::keyPressEvent(QKeyEvent* evento)
{
    if ((evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter) && evento->modifiers() == Qt::NoModifier) {
        click();
        evento->accept();
        return;
    }
    QAbstractButton::keyPressEvent(evento);
}

bool flatButton::event(QEvent* evento)
{
    switch (evento->type()) {
    case QEvent::ParentChange:
    case QEvent::Show:
        VigilarVentana();
        break;
    case QEvent::Enter:
    case QEvent::Leave:
        update();
        break;
    default:
        break;
    }
    return QAbstractButton::event(evento);
}

// Enter and Escape reach the window when the control that has the focus leaves them alone;
// the default and cancel buttons answer them there.
void flatButton::VigilarVentana()
{
    QWidget* ventana = window();
    if (ventana == this || !(m_default || m_cancel))
        ventana = nullptr;
    if (m_ventana == ventana)
        return;
    if (m_ventana)
        m_ventana->removeEventFilter(this);
    m_ventana = ventana;
    if (m_ventana)
        m_ventana->installEventFilter(this);
}

bool flatButton::eventFilter(QObject* objeto, QEvent* evento)
{
    if (objeto == m_ventana && evento->type() == QEvent::KeyPress && isVisible() && isEnabled()) {
        auto* tecla = static_cast<QKeyEvent*>(evento);
        const bool esEnter = tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter;
        const bool esEscape = tecla->key() == Qt::Key_Escape;
        const bool sinModificadores = (tecla->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (sinModificadores && ((esEnter && m_default) || (esEscape && m_cancel))) {
            click();
            return true;
        }
    }
    return QAbstractButton::eventFilter(objeto, evento);
}
