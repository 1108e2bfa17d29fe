// The tree a file's groups make with the catalogue: every parent found, no group its own
// ancestor, and the groups put parents first for the insert.

#include "CatalogoCsv.h"

#include "Cantidades.h"
#include "GrupoCuenta.h"

#include <algorithm>

namespace CatalogoCsv {

// Every parent must be the root, a group of the catalogue or one of the file; following the
// parents of the file must reach one of the first two. The groups are then put parents first.
void Importacion::revisarArbol()
{
    PorClave<qsizetype> enArchivo;
    for (qsizetype i = 0; i < m_filas.size(); ++i)
        enArchivo.emplace(m_filas[i].clave, i);
    const auto enElArchivo = [&](const QString& clave) {
        const auto it = enArchivo.find(clave);
        return it == enArchivo.end() ? qsizetype(-1) : it->second;
    };
    enum Estado { SinVer, Viendo, Bien, Mal };
    QList<Estado> estado(m_filas.size(), SinVer);
    for (qsizetype i = 0; i < m_filas.size(); ++i) {
        QList<qsizetype> camino;
        qsizetype actual = i;
        while (actual >= 0 && estado[actual] == SinVer) {
            estado[actual] = Viendo;
            camino << actual;
            const Fila& fila = m_filas[actual];
            actual = enElArchivo(fila.padre);
            if (actual < 0 && fila.padre != GrupoCuenta::kClaveRaiz && !m_claves.count(fila.padre)) {
                const auto rechazada = m_lineaRechazada.find(fila.padre);
                error(fila.linea, rechazada != m_lineaRechazada.end()
                                      ? QStringLiteral("el grupo padre %1 viene en la línea %2, que tiene errores")
                                            .arg(fila.padre, Cantidades::Numero(rechazada->second))
                                      : QStringLiteral("el grupo padre %1 no existe en el catálogo ni viene en el "
                                                       "archivo")
                                            .arg(fila.padre));
                actual = camino.last();  // a refused group: the rest of the path is refused with it
                estado[actual] = Mal;
                break;
            }
        }
        if (actual >= 0 && estado[actual] == Viendo) {
            // The path came back to a group of its own: each group of that loop is refused.
            const qsizetype desde = camino.indexOf(actual);
            QStringList ciclo;
            for (qsizetype k = desde; k < camino.size(); ++k)
                ciclo << m_filas[camino[k]].clave;
            ciclo << m_filas[actual].clave;
            for (qsizetype k = desde; k < camino.size(); ++k) {
                const Fila& fila = m_filas[camino[k]];
                estado[camino[k]] = Mal;
                error(fila.linea, QStringLiteral("el grupo %1 es su propio antecesor: %2")
                                      .arg(fila.clave, ciclo.join(QStringLiteral(" → "))));
            }
        }
        const bool bien = actual < 0 || estado[actual] == Bien;
        for (qsizetype k : camino)
            if (estado[k] == Viendo)
                estado[k] = bien ? Bien : Mal;
    }
    std::stable_sort(m_errores.begin(), m_errores.end(),
                     [](const Error& a, const Error& b) { return a.linea < b.linea; });
    // Parents first: each group after every group of the file above it.
    PorClave<QList<qsizetype>> hijos;
    QList<qsizetype> orden;
    for (qsizetype i = 0; i < m_filas.size(); ++i) {
        if (enElArchivo(m_filas[i].padre) >= 0)
            hijos[m_filas[i].padre] << i;
        else
            orden << i;
    }
    for (qsizetype k = 0; k < orden.size(); ++k)
        if (const auto it = hijos.find(m_filas[orden[k]].clave); it != hijos.end())
            orden << it->second;
    // Sorted in place: a second list of every group would double what the file takes.
    for (qsizetype k = 0; k < orden.size(); ++k)
        m_filas[orden[k]].orden = int(k);
    std::sort(m_filas.begin(), m_filas.end(), [](const Fila& a, const Fila& b) { return a.orden < b.orden; });
}

}  // namespace CatalogoCsv
