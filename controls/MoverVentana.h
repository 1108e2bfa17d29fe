#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Lets the user move a window by dragging one of its widgets (a title band, a toolbar) with
// the left mouse button. The window system does the move where it can; elsewhere the
// window follows the mouse.
class MoverVentana : public QObject
{
    Q_OBJECT

public:
    explicit MoverVentana(QWidget* asa);

    void setActivo(bool activo) { m_activo = activo; }
    bool activo() const { return m_activo; }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    QWidget* m_asa;
    bool m_activo = true;
    bool m_arrastrando = false;
    QPoint m_desplazamiento;
};
