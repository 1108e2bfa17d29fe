#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QVariant>
#include <QVariantList>
#include <vector>

// The values of a statement's parameters as libpq takes them: text, except bytes.
class ValoresPg
{
public:
    explicit ValoresPg(const QVariantList& valores)
    {
        const auto n = valores.size();
        m_datos.reserve(n);
        m_punteros.reserve(n);
        m_largos.reserve(n);
        m_formatos.reserve(n);
        for (const QVariant& valor : valores)
            agregar(valor);
        for (qsizetype i = 0; i < n; ++i)
            m_punteros.push_back(m_nulos[i] ? nullptr : m_datos[i].constData());
    }

    int Cantidad() const { return static_cast<int>(m_datos.size()); }
    const char* const* Punteros() const { return m_punteros.data(); }
    const int* Largos() const { return m_largos.data(); }
    const int* Formatos() const { return m_formatos.data(); }

private:
    void agregar(const QVariant& valor)
    {
        QByteArray datos;
        int formato = 0;
        const bool nulo = valor.isNull();
        if (!nulo) {
            switch (valor.typeId()) {
            case QMetaType::Bool:
                datos = valor.toBool() ? "true" : "false";
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                datos = QByteArray::number(valor.toDouble(), 'g', 17);
                break;
            case QMetaType::QDateTime:
                datos = valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
                break;
            case QMetaType::QByteArray:
                datos = valor.toByteArray();
                formato = 1;
                break;
            default:
                datos = valor.toString().toUtf8();
                break;
            }
        }
        m_largos.push_back(static_cast<int>(datos.size()));
        m_formatos.push_back(formato);
        m_nulos.push_back(nulo);
        m_datos.push_back(std::move(datos));
    }

    std::vector<QByteArray> m_datos;
    std::vector<const char*> m_punteros;
    std::vector<int> m_largos;
    std::vector<int> m_formatos;
    std::vector<bool> m_nulos;
};

