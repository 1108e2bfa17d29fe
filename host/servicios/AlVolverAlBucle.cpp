#include "AlVolverAlBucle.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QTimer>

AlVolverAlBucle::AlVolverAlBucle(std::function<void()> accion)
    : m_accion(std::move(accion))
    , m_contexto(std::make_unique<QObject>())
{}

AlVolverAlBucle::~AlVolverAlBucle() = default;

bool AlVolverAlBucle::Programar()
{
    if (m_programado)
        return true;
    if (!QCoreApplication::instance() || !QAbstractEventDispatcher::instance()
        || QThread::currentThread() != m_contexto->thread())
        return false;
    m_programado = true;
    QTimer::singleShot(0, m_contexto.get(), [this] {
        m_programado = false;
        m_accion();
    });
    return true;
}
