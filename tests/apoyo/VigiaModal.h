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
        : m_accion(std::move(accion))
    {
        QObject::connect(&m_sondeo, &QTimer::timeout, [this] { Revisar(); });
        m_sondeo.start(10);
    }
    int Abiertas() const { return m_abiertas; }
    // Those the watchdog had to hide.
    int Vencidas() const { return m_vencidas; }

private:
    void Revisar()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            m_actual = nullptr;
        } else if (modal != m_actual) {
            m_actual = modal;
            m_desde.start();
            ++m_abiertas;
            m_accion ? m_accion(modal) : modal->hide();
        } else if (m_desde.elapsed() > 5000) {
            ++m_vencidas;
            modal->hide();
        }
    }

    std::function<void(QWidget*)> m_accion;
    QTimer m_sondeo;
    QPointer<QWidget> m_actual;
    QElapsedTimer m_desde;
    int m_abiertas = 0;
    int m_vencidas = 0;
};
