#include "ColumnasRecordset.h"

ColumnasRecordset::ColumnasRecordset(QStringList nombres)
    : m_nombres(std::move(nombres))
{
    // Filled from the end so that, with duplicate names, the first column wins.
    for (int i = static_cast<int>(m_nombres.size()) - 1; i >= 0; --i)
        m_porNombreEnMinusculas[m_nombres.at(i).toLower()] = i;
}

int ColumnasRecordset::Indice(const QString& nombre) const
{
    for (const auto& [reciente, indice] : m_recientes) {
        // The same literal passed again shares its data: a pointer comparison settles it.
        if (reciente.size() == nombre.size() && !reciente.isNull()
            && (reciente.constData() == nombre.constData() || reciente == nombre))
            return indice;
    }
    const auto encontrada = m_porNombreEnMinusculas.find(nombre.toLower());
    const int indice = encontrada == m_porNombreEnMinusculas.end() ? -1 : encontrada->second;
    if (indice >= 0) {
        MarcarLeida(indice);  // a recent name was marked when it became one
        m_recientes[m_siguienteReciente] = {nombre, indice};
        m_siguienteReciente = (m_siguienteReciente + 1) % static_cast<int>(m_recientes.size());
    }
    return indice;
}
