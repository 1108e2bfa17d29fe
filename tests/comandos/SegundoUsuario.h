#pragma once

#include "Sesion.h"

#include <QString>
#include <QVariantList>
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

private:
    std::unique_ptr<Connection> m_conexion;
    std::future<QString> m_pendiente;
};
