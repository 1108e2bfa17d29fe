#pragma once

#include "Sesion.h"

#include <QJsonObject>
#include <QString>
#include <QVariantList>
#include <functional>
#include <future>
#include <memory>

class Connection;

// Another user of the same database: a connection of its own, opened like the host's, whose
// statements run either at once (Ejecutar) or on a thread of their own (Iniciar), so that a
// statement that must wait for the screen's open transaction can wait while the screen
// carries on.
class SegundoUsuario
{
public:
    explicit SegundoUsuario(Sesion::Configuracion configuracion);
    ~SegundoUsuario();
    SegundoUsuario(const SegundoUsuario&) = delete;
    SegundoUsuario& operator=(const SegundoUsuario&) = delete;

    // Runs a statement now, in its own implicit transaction; errors are thrown.
    void Ejecutar(const QString& sql, const QVariantList& parametros = {});

    // Starts a statement on another thread and returns at once.
    void Iniciar(const QString& sql, const QVariantList& parametros = {});
    // Waits up to `ms` for the started statement; whether it has ended.
    bool Esperar(int ms);
    // Once ended: the database's refusal, or the empty text when the statement succeeded.
    QString Resultado();

    // The first time the session traces a call that `cuando` accepts, runs `sql` now
    // (Ejecutar) or starts it and gives it 300 ms to be refused or to start waiting
    // (Iniciar). The watch ends with this user.
    enum class Modo { Ejecutar, Iniciar };
    void Intervenir(std::function<bool(const QJsonObject&)> cuando, const QString& sql, Modo modo);
    // Whether Intervenir's statement was run or started.
    bool Intervino() const { return m_intervino; }

    // A group row with only the columns the database requires.
    static QString InsercionDeGrupo(const QString& clave, const QString& padre, int nivel);

private:
    std::unique_ptr<Connection> m_conexion;
    std::future<QString> m_pendiente;
    bool m_intervino = false;
};
