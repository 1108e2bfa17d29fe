#pragma once

#include <QString>
#include <stdexcept>

// A run-time error as the component's error traps see it: a description for the user and,
// where the database gave one, the code it reported (SQLite result code or SQLSTATE).
class ErrorEjecucion : public std::runtime_error
{
public:
    explicit ErrorEjecucion(const QString& descripcion, const QString& codigo = {})
        : std::runtime_error(descripcion.toStdString())
        , m_descripcion(descripcion)
        , m_codigo(codigo)
    {}

    QString Description() const { return m_descripcion; }
    QString Codigo() const { return m_codigo; }

private:
    QString m_descripcion;
    QString m_codigo;
};
