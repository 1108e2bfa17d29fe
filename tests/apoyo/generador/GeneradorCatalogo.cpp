#include "GeneradorCatalogo.h"

#include "Ado.h"

#include <QVariantList>
#include <algorithm>
#include <array>

namespace {

struct Titulo
{
    const char* clave;
    const char* descripcion;
    const char* claveSubtitulo;
    const char* descripcionSubtitulo;
};

constexpr std::array<Titulo, 4> kTitulos{{
    {"ACT", "ACTIVO", "ACTCIR", "ACTIVO CIRCULANTE"},
    {"PAS", "PASIVO", "PASCP", "PASIVO A CORTO PLAZO"},
    {"CAP", "CAPITAL CONTABLE", "CAPCON", "CAPITAL CONTRIBUIDO"},
    {"RES", "RESULTADOS", "RESEJE", "RESULTADOS DEL EJERCICIO"},
}};

// Groups of the chart directly under the root, besides the headings.
constexpr int kGruposRaiz = 6;
constexpr int kMinimoHijos = 8;
constexpr int kMaximoHijos = 12;

constexpr std::array<const char*, 10> kPalabras{
    "CAJA",        "BANCOS",        "CLIENTES", "DEUDORES DIVERSOS",        "INVENTARIOS",
    "PROVEEDORES", "IVA POR PAGAR", "VENTAS",   "GASTOS DE ADMINISTRACIÓN", "SUELDOS Y SALARIOS",
};

const QString kOperador = QStringLiteral("GENERADOR");
const QString kFecha = QStringLiteral("01/01/2024");
const QString kFechaRegistro = QStringLiteral("2024-01-01 00:00:00");

}  // namespace

struct GeneradorCatalogo::Pendiente
{
    size_t indice = 0;  // in m_grupos
    int profundidad = 0;
    bool esTitulo = false;
    int titulo = -1;  // which of kTitulos, for a top-level heading
};

GeneradorCatalogo::GeneradorCatalogo(int grupos)
    : m_objetivo(std::max(grupos, 0))
{
    m_grupos.reserve(size_t(m_objetivo));
    std::vector<Pendiente> cola;
    cola.reserve(size_t(m_objetivo));
    AgregarRaices(cola);
    size_t frente = 0;
    while (int(m_grupos.size()) < m_objetivo) {
        if (frente == cola.size()) {
            // Every level is full: the catalogue widens at the top instead of growing deeper.
            const int numero = m_siguienteCodigoRaiz++;
            const QString codigo = QString::number(numero);
            cola.push_back(
                Agregar({SiguienteClaveNumerica(),
                         QString::fromUtf8(kPalabras[size_t(numero) % kPalabras.size()]) + QLatin1Char(' ') + codigo,
                         codigo, QStringLiteral("0"), 1},
                        1, false));
            continue;
        }
        const Pendiente padre = cola[frente++];
        if (padre.profundidad < kProfundidadMaxima)
            AgregarHijos(padre, cola);
    }
}

void GeneradorCatalogo::AgregarRaices(std::vector<Pendiente>& cola)
{
    for (size_t i = 0; i < kTitulos.size() && int(m_grupos.size()) < m_objetivo; ++i) {
        Pendiente titulo = Agregar({QString::fromUtf8(kTitulos[i].clave), QString::fromUtf8(kTitulos[i].descripcion),
                                    QString(), QStringLiteral("0"), 0},
                                   1, true);
        titulo.titulo = int(i);
        cola.push_back(titulo);
    }
    for (int i = 0; i < kGruposRaiz && int(m_grupos.size()) < m_objetivo; ++i) {
        const int numero = m_siguienteCodigoRaiz++;
        const QString codigo = QString::number(numero);
        cola.push_back(
            Agregar({SiguienteClaveNumerica(),
                     QString::fromUtf8(kPalabras[size_t(numero) % kPalabras.size()]) + QLatin1Char(' ') + codigo,
                     codigo, QStringLiteral("0"), 1},
                    1, false));
    }
}

void GeneradorCatalogo::AgregarHijos(const Pendiente& padre, std::vector<Pendiente>& cola)
{
    const int hijos = std::min(Azar(kMinimoHijos, kMaximoHijos), m_objetivo - int(m_grupos.size()));
    // Copies: m_grupos may grow (and move) while the children are added.
    const QString clavePadre = m_grupos[padre.indice].clave;
    const QString codigoPadre = m_grupos[padre.indice].codigo;
    int lugar = 0;
    for (int i = 0; i < hijos; ++i) {
        if (padre.titulo >= 0 && i == 0) {
            const Titulo& titulo = kTitulos[size_t(padre.titulo)];
            cola.push_back(Agregar({QString::fromUtf8(titulo.claveSubtitulo),
                                    QString::fromUtf8(titulo.descripcionSubtitulo), QString(), clavePadre, 0},
                                   padre.profundidad + 1, true));
            continue;
        }
        // Under a heading a new branch of the chart starts; under a group the code grows.
        QString codigo;
        if (padre.esTitulo)
            codigo = QString::number(m_siguienteCodigoRaiz++);
        else
            codigo = codigoPadre + QLatin1Char('.') + QString::number(++lugar);
        const int nivel = 1 + int(codigo.count(QLatin1Char('.')));
        const QString descripcion =
            QString::fromUtf8(kPalabras[size_t(m_siguienteNumero) % kPalabras.size()]) + QLatin1Char(' ') + codigo;
        cola.push_back(
            Agregar({SiguienteClaveNumerica(), descripcion, codigo, clavePadre, nivel}, padre.profundidad + 1, false));
    }
}

GeneradorCatalogo::Pendiente GeneradorCatalogo::Agregar(Grupo grupo, int profundidad, bool esTitulo)
{
    m_grupos.push_back(std::move(grupo));
    Pendiente pendiente;
    pendiente.indice = m_grupos.size() - 1;
    pendiente.profundidad = profundidad;
    pendiente.esTitulo = esTitulo;
    return pendiente;
}

QString GeneradorCatalogo::SiguienteClaveNumerica()
{
    return QStringLiteral("%1").arg(m_siguienteNumero++, 6, 10, QLatin1Char('0'));
}

// splitmix64: the same numbers on every platform and library, unlike the standard
// distributions.
int GeneradorCatalogo::Azar(int menor, int mayor)
{
    quint64 z = (m_semilla += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return menor + int(z % quint64(mayor - menor + 1));
}

void GeneradorCatalogo::Escribir(Connection& conexion) const
{
    const QString insercion = QStringLiteral(
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, "
        "Gcc_Padre, Gcc_Nivel, Gcc_UserDef_1, Gcc_UserDef_2, Gcc_UserDef_3, Gcc_UserDef_4, Gcc_UserDef_5, "
        "Gcc_UserDef_6, Oper_Alta, Oper_Ult_Modif, Fecha_Alta, Fecha_Ult_Modif, Es_Cve_Estado) "
        "VALUES (?, ?, ?, ?, ?, '', '', 0, 0, ?, ?, ?, ?, ?, ?, 'AC')");
    conexion.BeginTrans();
    try {
        for (const Grupo& grupo : m_grupos) {
            conexion.Execute(insercion,
                             QVariantList{grupo.clave, grupo.descripcion, grupo.codigo, grupo.padre, grupo.nivel,
                                          kFecha, kFecha, kOperador, kOperador, kFechaRegistro, kFechaRegistro});
        }
        conexion.CommitTrans();
    } catch (...) {
        if (conexion.EnTransaccion())
            conexion.RollbackTrans();
        throw;
    }
}
