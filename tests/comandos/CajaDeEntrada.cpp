#include "CajaDeEntrada.h"

#include <QApplication>
#include <QInputDialog>

namespace {
const char* kRespondida = "respondidaPorLaPrueba";
constexpr int kIntervaloMs = 10;
constexpr int kVueltasMaximas = 5000 / kIntervaloMs;
}

CajaDeEntrada::CajaDeEntrada(QList<std::optional<QString>> respuestas)
    : m_respuestas(std::move(respuestas))
{
    connect(&m_reloj, &QTimer::timeout, this, &CajaDeEntrada::revisar);
    m_reloj.start(kIntervaloMs);
}

void CajaDeEntrada::revisar()
{
    auto* caja = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!caja || !caja->isVisible() || caja->property(kRespondida).toBool()) {
        if (++m_vueltas > kVueltasMaximas && caja && caja->isVisible()) {
            ++m_inesperadas;
            caja->reject();
        }
        return;
    }
    m_vueltas = 0;
    caja->setProperty(kRespondida, true);
    if (caja->objectName() != QLatin1String("InputBox"))
        ++m_inesperadas;
    m_vistas.append({caja->windowTitle(), caja->labelText(), caja->textValue()});
    if (m_respuestas.isEmpty()) {
        ++m_inesperadas;
        caja->reject();
        return;
    }
    const std::optional<QString> respuesta = m_respuestas.takeFirst();
    if (!respuesta) {
        caja->reject();
        return;
    }
    caja->setTextValue(*respuesta);
    caja->accept();
}
