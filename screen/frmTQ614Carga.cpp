// Loading the catalogue screen: the key format, then the tree of groups, read from the table
// level by level.

#include "frmTQ614.h"

#include "ApoyoFormas.h"
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "Publico.h"
#include "ReporteError.h"
#include "Sql.h"
#include "TreeView.h"
#include "Variantes.h"

#include <QStringBuilder>

namespace {

const QString kClaveNodoRaiz = QStringLiteral("N0");

enum Imagen { kImagenGenerica = 1, kImagenGrupo = 2, kImagenTitulo = 3, kImagenSubgrupo = 4 };

// Each level of the tree's loading holds a frame and an open recordset on the stack; far
// beyond any real chart of accounts, a deeper chain is refused as running out of stack
// space, which is what the recursion would otherwise end in.
constexpr int kNivelesMaximos = 1000;

class NivelDeCarga
{
public:
    explicit NivelDeCarga(int& niveles)
        : m_niveles(++niveles)
    {}
    ~NivelDeCarga() { --m_niveles; }
    NivelDeCarga(const NivelDeCarga&) = delete;
    NivelDeCarga& operator=(const NivelDeCarga&) = delete;

private:
    int& m_niveles;
};

// The text conversion of Form_Load: a value that has no text form stops the load.
QString ComoTexto(const QVariant& valor)
{
    if (valor.isValid() && !valor.isNull() && !valor.canConvert<QString>())
        throw ErrorEjecucion(QStringLiteral("No coinciden los tipos"));
    return Variantes::CStr(valor);
}

}  // namespace

// No error trap: a failure stops the load and goes to whoever loaded the form.
void frmTQ614::Form_Load()
{
    Requerir(m_colorKES).AplicarColores();
    Requerir(m_Controles).setActivarCatalogo(true);
    Publico::sFormatoClave = ComoTexto(Datos().ObtenerParametro(GrupoCuenta::kParametroFormato, 0, QStringLiteral("T"),
                                                                GrupoCuenta::kFormatoPredeterminado));
    CargarCuentas();
}

// ---------------------------------------------------------------------------------------
// Tree building

void frmTQ614::CargarCuentas()
{
    ReporteError::ConTrampa(QStringLiteral("CargarCuentas"), QStringLiteral("ERR-ID:7500007"), hWnd(), [&] {
        TreeView& arbol = Requerir(m_tvCuentas);
        arbol.setImageList(m_ilIconos);
        arbol.Clear();
        // The tree joins the view whole, also when a level fails.
        const TreeView::Lote lote(arbol);
        QTreeWidgetItem* raiz =
            arbol.Add(QString(), TreeView::tvwLast, kClaveNodoRaiz, QStringLiteral("/"), kImagenTitulo);
        TreeView::setTag(raiz, 1);
        AddSubMenu(GrupoCuenta::kClaveRaiz);
    });
}

// Depth first: each row's whole subtree is added before the next row is read, and each
// level keeps its own recordset open meanwhile.
//
// The load cannot recurse without end, whatever Gcc_Padre holds. Every call but the first
// comes right after the tree accepted a node "N" + K for the K it is called with, and the
// tree refuses a key it already holds; so no two calls share a key and there are at most as
// many calls as rows. A row that is its own parent, or a ring of rows that are each other's
// ancestors, never hangs from "0" and is simply not reached; a row keyed "0" collides with
// the root's "N0" (and any repeated key with its first node) and ends its level with the
// report below. The guard is the tree's own key check: no lookup is added per node. Depth
// alone is bounded apart (kNivelesMaximos), since a long enough chain would exhaust the stack.
void frmTQ614::AddSubMenu(const QString& clavePadre)
{
    ReporteError::ConTrampa(QStringLiteral("AddSubMenu"), QStringLiteral("ERR-ID:7500008"), hWnd(), [&] {
        const NivelDeCarga nivel(m_nivelesCargando);
        if (m_nivelesCargando > kNivelesMaximos)
            throw ErrorEjecucion(QStringLiteral("Espacio de pila insuficiente"));
        TreeView& arbol = Requerir(m_tvCuentas);
        const QString sql = QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '")
                            % Sql::Texto(clavePadre)
                            % QStringLiteral("' ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ");
        std::unique_ptr<Recordset> filas = Conexion().Execute(sql, -1);
        const QString claveNodoPadre = QLatin1Char('N') % clavePadre;

        // Every row of a level has the Gcc_Padre the statement asked for (an exact text
        // comparison), so the parent's tests are made once, on that key.
        const bool bajoLaRaiz = clavePadre == GrupoCuenta::kClaveRaiz;
        const bool padreNumerico = !bajoLaRaiz && GrupoCuenta::EsNumerico(clavePadre);

        while (!filas->Eof()) {
            const QVariant clave = filas->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable"));
            const QVariant descripcion = filas->Fields(QStringLiteral("Gcc_Descripcion"));

            int imagen = kImagenTitulo;
            if (!bajoLaRaiz) {
                const bool claveNumerica = GrupoCuenta::EsNumerico(clave);
                if (!padreNumerico && claveNumerica)
                    imagen = kImagenGrupo;
                else if (claveNumerica)
                    imagen = kImagenSubgrupo;
            }

            QString texto = Variantes::CStr(descripcion);
            if (imagen == kImagenSubgrupo || imagen == kImagenGrupo)
                texto = Variantes::Texto(filas->Fields(QStringLiteral("Gcc_Codigo"))) % QLatin1String(" - ") % texto;

            arbol.Add(claveNodoPadre, TreeView::tvwChild, QLatin1Char('N') % Variantes::Texto(clave), texto, imagen);
            AddSubMenu(Variantes::CStr(clave));
            filas->MoveNext();
        }
        filas->Close();
    });
}
