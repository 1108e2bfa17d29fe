#include "ResultadoPostgres.h"

#include "AlmacenFilas.h"

#include <libpq-fe.h>

namespace ValorPostgres {

Tipo De(unsigned int oid)
{
    switch (oid) {
    case 20:
    case 21:
    case 23:
    case 26:  // int8, int2, int4, oid
        return Tipo::Entero;
    case 700:
    case 701:
    case 1700:  // float4, float8, numeric
        return Tipo::Real;
    case 16:
        return Tipo::Logico;
    case 17:
        return Tipo::Binario;
    default:
        return Tipo::Texto;
    }
}

namespace {

// The text form of bytea: \x followed by hex digits.
QByteArray bytes(const char* texto, int largo)
{
    return QByteArray::fromHex(QByteArray::fromRawData(texto + 2, qMax(0, largo - 2)));
}

}  // namespace

void Agregar(AlmacenFilas& filas, Tipo tipo, const char* texto, int largo)
{
    switch (tipo) {
    case Tipo::Entero:
        filas.AgregarEntero(std::strtoll(texto, nullptr, 10));
        return;
    case Tipo::Real:
        filas.AgregarReal(QByteArray::fromRawData(texto, largo).toDouble());
        return;
    case Tipo::Logico:
        filas.AgregarLogico(texto[0] == 't');
        return;
    case Tipo::Binario: {
        const QByteArray datos = bytes(texto, largo);
        filas.AgregarBinario(datos.constData(), datos.size());
        return;
    }
    case Tipo::Texto:
        filas.AgregarTexto(texto, largo);
        return;
    }
}

QVariant Variante(Tipo tipo, const char* texto, int largo)
{
    switch (tipo) {
    case Tipo::Entero:
        return static_cast<qlonglong>(std::strtoll(texto, nullptr, 10));
    case Tipo::Real:
        return QByteArray::fromRawData(texto, largo).toDouble();
    case Tipo::Logico:
        return texto[0] == 't';
    case Tipo::Binario:
        return bytes(texto, largo);
    case Tipo::Texto:
        return VarianteDeUtf8(texto, largo);
    }
    return {};
}

}  // namespace ValorPostgres

ResultadoPostgres::ResultadoPostgres(pg_result* resultado)
    : m_resultado(resultado)
{
    const int columnas = PQnfields(resultado);
    m_tipos.reserve(size_t(columnas));
    for (int c = 0; c < columnas; ++c)
        m_tipos.push_back(ValorPostgres::De(PQftype(resultado, c)));
}

ResultadoPostgres::~ResultadoPostgres()
{
    PQclear(m_resultado);
}

int ResultadoPostgres::Filas() const
{
    return PQntuples(m_resultado);
}

QString ResultadoPostgres::Nombre(int columna) const
{
    return QString::fromUtf8(PQfname(m_resultado, columna));
}

int ResultadoPostgres::Columna(const QString& nombre) const
{
    for (int c = 0; c < Columnas(); ++c) {
        if (Nombre(c) == nombre)
            return c;
    }
    return -1;
}

QVariant ResultadoPostgres::Valor(int fila, int columna) const
{
    if (PQgetisnull(m_resultado, fila, columna))
        return {};
    return ValorPostgres::Variante(m_tipos[size_t(columna)], PQgetvalue(m_resultado, fila, columna),
                                   PQgetlength(m_resultado, fila, columna));
}

std::optional<QByteArrayView> ResultadoPostgres::Texto(int fila, int columna) const
{
    if (PQgetisnull(m_resultado, fila, columna))
        return std::nullopt;
    return QByteArrayView(PQgetvalue(m_resultado, fila, columna), PQgetlength(m_resultado, fila, columna));
}
