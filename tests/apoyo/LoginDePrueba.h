#pragma once

#include <QString>
#include <memory>

class BaseDePrueba;
struct pg_conn;

// A libpq session on the PostgreSQL test server through its socket, where local logins need no
// password; in `esquema` when given.
class SesionPorSocket
{
public:
    explicit SesionPorSocket(const QString& usuario, const QString& esquema = {});
    ~SesionPorSocket();
    Q_DISABLE_COPY(SesionPorSocket)

    QString Ejecutar(const QString& sql, QString* valor = nullptr);  // the error, empty when run; its first value
    QString Valor(const QString& sql);

private:
    pg_conn* m_conexion;
};

// A login of the test server, made by its administrator with `permisos` (SQL, %1 the login's name);
// dropped, with what was granted to it, when it goes.
class LoginDePrueba
{
public:
    explicit LoginDePrueba(const QString& permisos = {});
    ~LoginDePrueba();
    Q_DISABLE_COPY(LoginDePrueba)

    const QString& Nombre() const { return m_nombre; }
    void Usar(BaseDePrueba& base) const;  // the base's configuration under this login, through the socket
    static void Administrar(const QString& sql);  // warns when the server refuses it

private:
    QString m_nombre;
};
