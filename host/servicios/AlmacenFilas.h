#pragma once

#include <QByteArray>
#include <QVariant>
#include <string>
#include <vector>

// The rows of a result in compact form: one cell of 16 bytes per value, and the bytes of all
// its texts in one buffer. A text becomes a QString only when it is read, so a result of
// many columns of which the caller reads two costs two conversions, not a dozen.
class AlmacenFilas
{
public:
    explicit AlmacenFilas(int columnas = 0) : m_columnas(columnas) {}

    void Reservar(qsizetype filas) { m_celdas.reserve(static_cast<size_t>(filas * m_columnas)); }

    // Values are appended row after row, column after column.
    void AgregarNulo() { agregar(Celda{Tipo::Nulo, 0, {0}}); }
    void AgregarEntero(qint64 valor);
    void AgregarReal(double valor);
    void AgregarLogico(bool valor);
    void AgregarTexto(const char* utf8, qsizetype largo) { agregarBytes(Tipo::Texto, utf8, largo); }
    void AgregarBinario(const char* datos, qsizetype largo) { agregarBytes(Tipo::Binario, datos, largo); }

    int Columnas() const { return m_columnas; }
    qsizetype Filas() const { return m_columnas ? static_cast<qsizetype>(m_celdas.size()) / m_columnas : 0; }
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

    void agregarBytes(Tipo tipo, const char* datos, qsizetype largo);
    void agregar(const Celda& celda)
    {
        // Most results hold one row or none. Reserving for several would ask malloc for a
        // block of a kilobyte or more, which makes it consolidate its free lists every time.
        if (m_celdas.capacity() == 0)
            m_celdas.reserve(static_cast<size_t>(m_columnas));
        m_celdas.push_back(celda);
    }

    int m_columnas;
    std::vector<Celda> m_celdas;
    std::string m_bytes;  // appends inline, without QByteArray's detach checks
};
