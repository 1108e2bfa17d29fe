#pragma once

#include <QByteArray>
#include <QVariant>
#include <cstring>
#include <limits>
#include <memory>

// A text variant of UTF-8 bytes as SQLite and PostgreSQL give them. Keys, codes and most
// descriptions are ASCII, widened in a plain loop, which for a few characters costs less than
// QString::fromUtf8 (it takes over at the first other byte). The text enters the variant
// without the copy that Qt 6.4's QVariant(const QString&) makes, two atomic operations on
// every text field read.
QVariant VarianteDeUtf8(const char* utf8, qsizetype bytes);

// The rows of a result in compact form: one cell of 16 bytes per value, and the bytes of all
// its texts in one buffer. A text becomes a QString only when it is read, so a result of
// many columns of which the caller reads two costs two conversions, not a dozen.
class AlmacenFilas
{
public:
    explicit AlmacenFilas(int columnas = 0)
        : m_columnas(columnas)
    {}

    void Reservar(qsizetype filas) { reservarCeldas(filas * m_columnas); }

    // Values are appended row after row, column after column.
    void AgregarNulo() { agregar(Celda{Tipo::Nulo, 0, {0}}); }
    void AgregarEntero(qint64 valor) { agregar(Celda{Tipo::Entero, 0, {valor}}); }
    void AgregarReal(double valor)
    {
        Celda celda{Tipo::Real, 0, {0}};
        celda.real = valor;
        agregar(celda);
    }
    void AgregarLogico(bool valor) { agregar(Celda{Tipo::Logico, 0, {valor ? 1 : 0}}); }
    void AgregarTexto(const char* utf8, qsizetype largo) { agregarBytes(Tipo::Texto, utf8, largo); }
    void AgregarBinario(const char* datos, qsizetype largo) { agregarBytes(Tipo::Binario, datos, largo); }

    int Columnas() const { return m_columnas; }
    qsizetype Filas() const { return m_columnas ? m_celdasUsadas / m_columnas : 0; }
    // Integers as qlonglong, reals as double, texts as QString, bytes as QByteArray, SQL
    // NULL as a null QVariant.
    QVariant Valor(qsizetype fila, int columna) const;
    void Liberar();

private:
    enum class Tipo : quint8 { Nulo, Entero, Real, Logico, Texto, Binario };
    struct Celda
    {
        Tipo tipo;
        quint32 largo;
        union {
            qint64 entero;
            double real;
            quint64 inicio;  // of a text's bytes in m_bytes
        };
    };

    // Inline: a result copies every column of every row, and a call and a string append
    // per column cost more than the copy itself.
    void agregarBytes(Tipo tipo, const char* datos, qsizetype largo)
    {
        if (largo > kLargoMaximo || m_bytesUsados + largo > m_bytesReservados)
            crecer(largo);
        Celda celda{tipo, static_cast<quint32>(largo), {0}};
        celda.inicio = static_cast<quint64>(m_bytesUsados);
        if (largo > 0)
            std::memcpy(m_bytes.get() + m_bytesUsados, datos, static_cast<size_t>(largo));
        m_bytesUsados += largo;
        agregar(celda);
    }
    void crecer(qsizetype largo);
    void agregar(const Celda& celda)
    {
        if (m_celdasUsadas == m_celdasReservadas)
            reservarCeldas(m_celdasReservadas == 0 ? m_columnas : 2 * m_celdasReservadas);
        m_celdas[m_celdasUsadas++] = celda;
    }
    void reservarCeldas(qsizetype celdas);

    static constexpr qsizetype kLargoMaximo = std::numeric_limits<quint32>::max();

    int m_columnas;
    // Most results hold one row or none, so the first block holds one row. Reserving for
    // several would ask malloc for a kilobyte or more, which makes it consolidate its free
    // lists every time.
    std::unique_ptr<Celda[]> m_celdas;
    qsizetype m_celdasUsadas = 0;
    qsizetype m_celdasReservadas = 0;
    std::unique_ptr<char[]> m_bytes;
    qsizetype m_bytesUsados = 0;
    qsizetype m_bytesReservados = 0;
};
