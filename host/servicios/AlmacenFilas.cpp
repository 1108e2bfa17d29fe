#include "AlmacenFilas.h"

#include "ErrorEjecucion.h"

#include <limits>

void AlmacenFilas::AgregarEntero(qint64 valor)
{
    Celda celda{Tipo::Entero, 0, {0}};
    celda.entero = valor;
    agregar(celda);
}

void AlmacenFilas::AgregarReal(double valor)
{
    Celda celda{Tipo::Real, 0, {0}};
    celda.real = valor;
    agregar(celda);
}

void AlmacenFilas::AgregarLogico(bool valor)
{
    Celda celda{Tipo::Logico, 0, {0}};
    celda.entero = valor ? 1 : 0;
    agregar(celda);
}

void AlmacenFilas::agregarBytes(Tipo tipo, const char* datos, qsizetype largo)
{
    if (largo > std::numeric_limits<quint32>::max())
        throw ErrorEjecucion(QStringLiteral("Un valor del resultado es demasiado grande para leerlo"));
    if (m_bytes.empty())
        m_bytes.reserve(static_cast<size_t>(qMax<qsizetype>(256, largo)));  // one allocation for a typical row's texts
    Celda celda{tipo, static_cast<quint32>(largo), {0}};
    celda.inicio = static_cast<quint64>(m_bytes.size());
    m_bytes.append(datos, static_cast<size_t>(largo));
    agregar(celda);
}

QVariant AlmacenFilas::Valor(qsizetype fila, int columna) const
{
    const Celda& celda = m_celdas[static_cast<size_t>(fila * m_columnas + columna)];
    switch (celda.tipo) {
    case Tipo::Nulo:
        return {};
    case Tipo::Entero:
        return static_cast<qlonglong>(celda.entero);
    case Tipo::Real:
        return celda.real;
    case Tipo::Logico:
        return celda.entero != 0;
    case Tipo::Texto:
        return QString::fromUtf8(m_bytes.data() + celda.inicio, celda.largo);
    case Tipo::Binario:
        return QByteArray(m_bytes.data() + celda.inicio, celda.largo);
    }
    return {};
}

void AlmacenFilas::Liberar()
{
    m_celdas = {};
    m_bytes = {};
}
