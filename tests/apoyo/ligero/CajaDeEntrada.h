#pragma once

#include "VigiaModal.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <optional>

// Answers the input boxes ("InputBox") in order, a text accepted or std::nullopt for Cancel, recording
// each box as shown. Another window, a box beyond the answers or one left open is unexpected.
class CajaDeEntrada : public VigiaModal
{
public:
    struct Vista
    {
        QString titulo, etiqueta, predeterminado;
        QStringList botones;
    };
    using Respuestas = QList<std::optional<QString>>;

    explicit CajaDeEntrada(Respuestas respuestas)
        : VigiaModal([this](QWidget* ventana) { responder(ventana); })
        , m_respuestas(std::move(respuestas))
    {}
    QList<Vista> Vistas() const { return m_vistas; }
    int Inesperadas() const { return m_inesperadas + Vencidas(); }

private:
    void responder(QWidget* ventana)
    {
        auto* caja = qobject_cast<QInputDialog*>(ventana);
        if (caja) {
            Vista& vista = m_vistas.emplaceBack(caja->windowTitle(), caja->labelText(), caja->textValue());
            for (const QAbstractButton* boton : caja->findChildren<QAbstractButton*>())
                vista.botones << boton->text();
        }
        if (!caja || caja->objectName() != QLatin1String("InputBox") || m_respuestas.isEmpty()) {
            ++m_inesperadas;
            ventana->hide();
            return;
        }
        const std::optional<QString> respuesta = m_respuestas.takeFirst();
        caja->setTextValue(respuesta.value_or(QString()));
        respuesta ? caja->accept() : caja->reject();
    }

    Respuestas m_respuestas;
    QList<Vista> m_vistas;
    int m_inesperadas = 0;
};
