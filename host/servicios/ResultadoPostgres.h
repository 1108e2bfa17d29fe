#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

class AlmacenFilas;
struct pg_result;

// How a value of a PostgreSQL result, in libpq's text form, becomes the value a recordset
// gives: by the column's type, read once per result.
namespace ValorPostgres {

enum class Tipo { Texto, Entero, Real, Logico, Binario };

Tipo De(unsigned int oid);
void Agregar(AlmacenFilas& filas, Tipo tipo, const char* texto, int largo);
QVariant Variante(Tipo tipo, const char* texto, int largo);

}  // namespace ValorPostgres

// A result kept where libpq holds it, each value converted when it is read: rows fetched to
// answer many statements, each of which reads a few columns of a few rows.
class ResultadoPostgres
{
public:
    explicit ResultadoPostgres(pg_result* resultado);  // takes it over
    ~ResultadoPostgres();
    ResultadoPostgres(const ResultadoPostgres&) = delete;
    ResultadoPostgres& operator=(const ResultadoPostgres&) = delete;

    int Filas() const;
    int Columnas() const { return static_cast<int>(m_tipos.size()); }
    QString Nombre(int columna) const;
    // The column named exactly so, or -1.
    int Columna(const QString& nombre) const;
    QVariant Valor(int fila, int columna) const;
    // A value's text as libpq holds it; nothing for NULL.
    std::optional<QByteArrayView> Texto(int fila, int columna) const;

private:
    pg_result* m_resultado;
    std::vector<ValorPostgres::Tipo> m_tipos;
};
