#include "MoverVentana.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

MoverVentana::MoverVentana(QWidget* asa)
    : QObject(asa)
    , m_asa(asa)
{
    asa->installEventFilter(this);
}

bool MoverVentana::eventFilter(QObject* objeto, QEvent* evento)
{
    if (!m_activo || objeto != m_asa)
        return false;
    QWidget* ventana = m_asa->window();
    switch (evento->type()) {
    case QEvent::MouseButtonPress: {
        auto* raton = static_cast<QMouseEvent*>(evento);
        if (raton->button() != Qt::LeftButton)
            return false;
        if (ventana->windowHandle() && ventana->windowHandle()->startSystemMove())
            return true;
        m_arrastrando = true;
        m_desplazamiento = raton->globalPosition().toPoint() - ventana->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        auto* raton = static_cast<QMouseEvent*>(evento);
        if (!m_arrastrando || !(raton->buttons() & Qt::LeftButton))
            return false;
        ventana->move(raton->globalPosition().toPoint() - m_desplazamiento);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_arrastrando)
            return false;
        m_arrastrando = false;
        return true;
    default:
        return false;
    }
}
