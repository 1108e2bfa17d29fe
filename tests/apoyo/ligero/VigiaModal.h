#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// While it lives, runs `accion` on each modal window that opens (without one, hides it), and
// hides any still open five seconds later, so that a broken test fails instead of hanging.
class VigiaModal
{
public:
    explicit VigiaModal(std::function<void(QWidget*)> accion = {})
    {
        QObject::connect(&m_sondeo, &QTimer::timeout, [this, accion = std::move(accion)] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) {
                m_actual = nullptr;
            } else if (modal != m_actual) {
                m_actual = modal;
                m_desde.start();
                ++m_abiertas;
                accion ? accion(modal) : modal->hide();
            } else if (m_desde.elapsed() > 5000) {
                ++m_vencidas;  // the watchdog had to hide it
                modal->hide();
            }
        });
        m_sondeo.start(10);
    }
    int Abiertas() const { return m_abiertas; }
    int Vencidas() const { return m_vencidas; }

private:
    QTimer m_sondeo;
    QPointer<QWidget> m_actual;
    QElapsedTimer m_desde;
    int m_abiertas = 0;
    int m_vencidas = 0;
};
