#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

// Answers the Change-key command's input boxes (a QInputDialog named "InputBox") as a user
// would, one answer per box in the order they appear: a text typed and accepted, or
// std::nullopt for Cancel. Every box is recorded as it was shown. A box beyond the answers,
// or one still open after a few seconds, is cancelled and counted as unexpected, so that a
// broken command fails its test instead of hanging it.
class CajaDeEntrada : public QObject
{
    Q_OBJECT

public:
    struct Vista
    {
        QString titulo;
        QString etiqueta;
        QString predeterminado;
    };

    explicit CajaDeEntrada(QList<std::optional<QString>> respuestas);

    QList<Vista> Vistas() const { return m_vistas; }
    int Inesperadas() const { return m_inesperadas; }

private:
    void revisar();

    QList<std::optional<QString>> m_respuestas;
    QList<Vista> m_vistas;
    int m_inesperadas = 0;
    int m_vueltas = 0;
    QTimer m_reloj;
};
