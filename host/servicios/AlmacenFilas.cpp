#include "AlmacenFilas.h"

#include "ErrorEjecucion.h"

#include <algorithm>

namespace {

QString textoDeUtf8(const char* utf8, qsizetype bytes)
{
    if (bytes <= 0)
        return QString::fromUtf8(utf8, bytes);
    QString texto(bytes, Qt::Uninitialized);
    char16_t* destino = reinterpret_cast<char16_t*>(texto.data());
    for (qsizetype i = 0; i < bytes; ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x80)
            return QString::fromUtf8(utf8, bytes);
        destino[i] = byte;
    }
    return texto;
}

}  // namespace

QVariant VarianteDeUtf8(const char* utf8, qsizetype bytes)
{
    QVariant variante{QMetaType::fromType<QString>()};
    *static_cast<QString*>(variante.data()) = textoDeUtf8(utf8, bytes);
    return variante;
}

void AlmacenFilas::crecer(qsizetype largo)
{
    if (largo > kLargoMaximo)
        throw ErrorEjecucion(QStringLiteral("Un valor del resultado es demasiado grande para leerlo"));
    // A typical row's texts fit in the first block; after that the buffer doubles.
    const qsizetype reservados = qMax(qMax<qsizetype>(256, 2 * m_bytesReservados), m_bytesUsados + largo);
    auto bytes = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(reservados));
    if (m_bytesUsados > 0)
        std::memcpy(bytes.get(), m_bytes.get(), static_cast<size_t>(m_bytesUsados));
    m_bytes = std::move(bytes);
    m_bytesReservados = reservados;
}

void AlmacenFilas::reservarCeldas(qsizetype celdas)
{
    if (celdas <= m_celdasReservadas)
        return;
    auto nuevas = std::make_unique_for_overwrite<Celda[]>(static_cast<size_t>(celdas));
    std::copy_n(m_celdas.get(), m_celdasUsadas, nuevas.get());
    m_celdas = std::move(nuevas);
    m_celdasReservadas = celdas;
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
        return VarianteDeUtf8(m_bytes.get() + celda.inicio, celda.largo);
    case Tipo::Binario:
        return QByteArray(m_bytes.get() + celda.inicio, celda.largo);
    }
    return {};
}

void AlmacenFilas::Liberar()
{
    m_celdas.reset();
    m_celdasUsadas = 0;
    m_celdasReservadas = 0;
    m_bytes.reset();
    m_bytesUsados = 0;
    m_bytesReservados = 0;
}
