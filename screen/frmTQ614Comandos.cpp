// The toolbar's commands of the catalogue screen: New, Edit, Delete, Change key, Print and
// Close. The layout and the tree's own events live in frmTQ614.cpp, the load in frmTQ614Carga.cpp.

#include "frmTQ614.h"

#include "ApoyoFormas.h"
#include "CambioRegistrado.h"
#include "Controles.h"
#include "ErrorEjecucion.h"
#include "GrupoCuenta.h"
#include "GuardaTransaccion.h"
#include "Publico.h"
#include "PunteroRaton.h"
#include "ReporteError.h"
#include "Sql.h"
#include "TreeView.h"
#include "Variantes.h"
#include "frmCATAddCuCo.h"
#include "txtKES.h"

#include <QInputDialog>
#include <QStringBuilder>

#include <algorithm>
#include <vector>

namespace {

const QString kNodoRaiz = QStringLiteral("N0");

// The keys of the groups whose lines the listing is writing, from the root down to the
// current level. The table is expected to form a tree; a Gcc_Padre chain that leads back
// into itself (a row whose key is "0" is enough) would otherwise recurse until the stack
// runs out. A branch is a few levels deep: looking through it costs less than hashing the
// key into a table.
std::vector<QStringView> g_ramaDelListado;

class EnRamaDelListado
{
public:
    // Throws when the key is already in the branch: its parent, still listing, then reports
    // the cycle and stops there. The key is not copied: it is the listing call's own
    // argument, which outlives the guard.
    explicit EnRamaDelListado(const QString& clave)
    {
        if (std::ranges::find(g_ramaDelListado, QStringView(clave)) != g_ramaDelListado.end())
            throw ErrorEjecucion(QStringLiteral("El grupo de cuenta contable ") + clave
                                 + QStringLiteral(" es su propio antecesor: Gcc_Padre forma un ciclo"));
        g_ramaDelListado.push_back(clave);
    }
    ~EnRamaDelListado() { g_ramaDelListado.pop_back(); }
    EnRamaDelListado(const EnRamaDelListado&) = delete;
    EnRamaDelListado& operator=(const EnRamaDelListado&) = delete;
};

QTreeWidgetItem* nodoSeleccionado(const TreeView* arbol)
{
    return arbol ? arbol->SelectedItem() : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// New

void frmTQ614::Controles_Nuevo()
{
    if (!nodoSeleccionado(tvCuentas()))
        return;

    frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
    const bool completo = ReporteError::ConTrampa(
        QStringLiteral("Controles_Nuevo"), QStringLiteral("ERR-ID:7500014"), hWnd(),
        [&] {
            const QString clavePadre = ClaveDeGrupo(nodoSeleccionado(tvCuentas()));
            editor.setPadre(Padre());  // the dialog answers to the screen's own parent
            editor.Load();
            Requerir(editor.txtPadre()).setText(clavePadre);
            editor.ClaveAutomatica();
            editor.Show(FormaBase::vbModal, Ventana());
            if (editor.Aceptado) {
                PunteroRaton::Establecer(PunteroRaton::vbHourglass);
                CargarCuentas();
                // The editor stores the key upper-cased and the tree is rebuilt from the
                // stored keys, so a key typed in lower case is looked up as it was stored.
                const QString claveNodo = QLatin1Char('N') + Requerir(editor.txtClave()).text().toUpper();
                TreeView& arbol = Requerir(tvCuentas());
                arbol.EnsureVisible(arbol.Item(claveNodo));
                QTreeWidgetItem* padre = TreeView::Parent(arbol.Item(claveNodo));
                if (!padre)
                    FaltaObjeto();
                arbol.Seleccionar(padre);
                arbol.setFocus();
                PunteroRaton::Establecer(PunteroRaton::vbDefault);
            }
            editor.Unload();
            Requerir(controles()).Restablecer();
        },
        [] { PunteroRaton::Establecer(PunteroRaton::vbDefault); });

    // A failure after the editor was loaded would leave it loaded with whatever boxes and
    // key-box lock it had; the next New or Edit must start from a freshly built dialog.
    if (!completo && editor.Cargado()) {
        try {
            editor.Unload();
        } catch (...) {
        }
    }
}

// ---------------------------------------------------------------------------------------
// Edit

void frmTQ614::Controles_Editar()
{
    if (!nodoSeleccionado(tvCuentas()))
        return;

    frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
    std::unique_ptr<Recordset> rs;
    const bool completo =
        ReporteError::ConTrampa(QStringLiteral("Controles_Editar"), QStringLiteral("ERR-ID:7500009"), hWnd(), [&] {
            const QString clave = ClaveDeGrupo(nodoSeleccionado(tvCuentas()));
            Publico::sSQL =
                QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '")
                + Sql::Texto(clave) + QStringLiteral("' ");
            rs = Conexion().Execute(Publico::sSQL, -1);
            if (!rs->Bof()) {
                editor.setPadre(Padre());
                editor.Load();
                // The level goes in after the code: writing the code may set off the
                // editor's own level derivation, and the stored level must win.
                Requerir(editor.txtClave()).setText(clave);
                Requerir(editor.txtPadre()).setText(Variantes::Texto(rs->Fields(QStringLiteral("Gcc_Padre"))));
                Requerir(editor.txtDescripcion())
                    .setText(Variantes::Texto(rs->Fields(QStringLiteral("Gcc_Descripcion"))));
                Requerir(editor.txtCodigo()).setText(Variantes::Texto(rs->Fields(QStringLiteral("Gcc_Codigo"))));
                Requerir(editor.txtNivel()).setText(Variantes::Texto(rs->Fields(QStringLiteral("Gcc_Nivel"))));
                // A locked key box puts the editor in edit mode; the key changes only
                // through Cambiar clave.
                Requerir(editor.txtClave()).setEnabled(true);
                Requerir(editor.txtClave()).setLocked(true);
                Requerir(editor.txtClave()).setTabStop(false);
                editor.Show(FormaBase::vbModal, Ventana());
                if (editor.Aceptado) {
                    QTreeWidgetItem* nodo = nodoSeleccionado(tvCuentas());
                    if (!nodo)
                        FaltaObjeto();
                    const QString codigo = Requerir(editor.txtCodigo()).text();
                    const QString descripcion = Requerir(editor.txtDescripcion()).text();
                    TreeView::setText(nodo,
                                      codigo.isEmpty() ? descripcion : codigo + QStringLiteral(" - ") + descripcion);
                }
                editor.Unload();
                rs->Close();
            }
            Requerir(controles()).Restablecer();
            rs.reset();
            TreeView& arbol = Requerir(tvCuentas());
            if (arbol.isVisible() && arbol.isEnabled())
                arbol.setFocus();
        });

    if (!completo && editor.Cargado()) {
        try {
            editor.Unload();
        } catch (...) {
        }
    }
}

// ---------------------------------------------------------------------------------------
// Close

void frmTQ614::Controles_Salir()
{
    // Padre is whatever the host gave the screen; it is unloaded by name, as any form of the
    // host or of this component answers to Unload. Without a Padre there is nobody else to
    // close, so the screen closes itself.
    QObject* padre = Padre();
    if (!padre) {
        Unload();
        return;
    }
    if (!QMetaObject::invokeMethod(padre, "Unload"))
        throw ErrorEjecucion(QStringLiteral("El objeto no acepta esta propiedad o método"));
}

// ---------------------------------------------------------------------------------------
// Delete

void frmTQ614::Controles_Eliminar()
{
    QTreeWidgetItem* seleccionado = nodoSeleccionado(tvCuentas());
    if (!seleccionado)
        return;

    ReporteError::ConTrampa(QStringLiteral("Controles_Eliminar"), QStringLiteral("ERR-ID:7500013"), hWnd(), [&] {
        const QString claveNodo = TreeView::Key(seleccionado);
        const QString clave = claveNodo.mid(1);
        if (claveNodo == kNodoRaiz) {
            Datos().Mensaje(QStringLiteral("No se puede eliminar el grupo cuenta contable raíz"),
                            AccesoDatos::vbExclamation, kKestrima, hWnd(), kProyecto, QStringLiteral("ERR-ID:7500010"));
            return;
        }

        Publico::sSQL =
            QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '")
            + Sql::Texto(clave) + QLatin1Char('\'');
        const std::unique_ptr<Recordset> hijos = Conexion().Execute(Publico::sSQL, -1);
        if (!hijos->Bof()) {
            Datos().Mensaje(
                QStringLiteral("El grupo de cuenta contable actual no puede ser eliminada porque tiene subcuentas"),
                AccesoDatos::vbExclamation, QStringLiteral("Imposible eliminar"), hWnd(), kProyecto,
                QStringLiteral("ERR-ID:7500011"));
            return;
        }

        // A child added by another user after the check above is caught by the database
        // itself, which refuses to delete a group that still has children.
        const CambioRegistrado cambio{.tabla = GrupoCuenta::kTabla,
                                      .clave = clave,
                                      .ventana = hWnd(),
                                      .estiloRechazo = AccesoDatos::vbCritical,
                                      .idRechazo = QStringLiteral("ERR-ID:7500012")};
        const auto borrar = [&](GuardaTransaccion&) {
            Publico::sSQL = QStringLiteral("DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '")
                            + Sql::Texto(clave) + QLatin1Char('\'');
            Conexion().Execute(Publico::sSQL, -1);
            return true;
        };
        if (!EscribirCambio(cambio, borrar, [&] { Requerir(tvCuentas()).Remove(claveNodo); }))
            Requerir(controles()).Refrescar();
    });
}

// ---------------------------------------------------------------------------------------
// Change key

namespace {

// The runtime's input box: the typed text, or the empty text when cancelled.
QString pedirNuevaClave(QWidget* propietario, const QString& claveActual)
{
    QInputDialog caja(propietario);
    caja.setObjectName(QStringLiteral("InputBox"));
    caja.setInputMode(QInputDialog::TextInput);
    caja.setWindowTitle(QStringLiteral("Cambiar clave del grupo de cuenta contable"));
    caja.setLabelText(QStringLiteral("Indique la nueva clave:"));
    caja.setTextValue(claveActual);
    if (caja.exec() != QDialog::Accepted)
        return QString();
    return caja.textValue();
}

// Whether a group already has the key. BuscarValor answers with the group's description,
// which cannot tell a missing key from a group whose description is empty; a key in use
// must be refused in both cases, or the key change would fail on the table's unique key
// (or, where none is enforced, leave two groups with one key), so an empty answer is
// checked against the table itself.
bool claveEnUso(const QString& clave)
{
    const QString descripcion = Util().BuscarValor(GrupoCuenta::kTabla, GrupoCuenta::kCampoClave, clave,
                                                   GrupoCuenta::kCampoDescripcion, 0, QString(), QString(), QString());
    if (!descripcion.isEmpty())
        return true;
    Publico::sSQL =
        QStringLiteral(
            "SELECT Gcc_Cve_Grupo_Cuenta_Contable FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '")
        + Sql::Texto(clave) + QLatin1Char('\'');
    return !Conexion().Execute(Publico::sSQL, -1)->Eof();
}

}  // namespace

void frmTQ614::Controles_B2Click()
{
    const QString claveActual = txtClave() ? txtClave()->text() : QString();
    if (claveActual.isEmpty() || claveActual == GrupoCuenta::kClaveRaiz) {
        Datos().Mensaje(QStringLiteral("El grupo de cuenta contable no es válido para esta operación"),
                        AccesoDatos::vbCritical, kKestrima, hWnd(), kProyecto, QStringLiteral("ERR-ID:7500001"));
        return;
    }

    ReporteError::ConTrampa(QStringLiteral("Controles_B2Click"), QStringLiteral("ERR-ID:7500004"), hWnd(), [&] {
        const QString respuesta = pedirNuevaClave(Cargado() ? Ventana() : nullptr, claveActual);
        if (respuesta.trimmed().isEmpty())
            return;
        const QString claveNueva = respuesta.toUpper();
        if (claveNueva == claveActual.toUpper())
            return;

        if (claveEnUso(claveNueva)) {
            Datos().Mensaje(QStringLiteral("La clave: ") + claveNueva + QStringLiteral(" ya existe, especifique otra"),
                            AccesoDatos::vbExclamation, Requerir(controles()).caption(), hWnd(), kProyecto,
                            QStringLiteral("ERR-ID:7500002"));
            // Ask again; this run ends when the retry does.
            Controles_B2Click();
            return;
        }

        // The second statement moves the direct children to the new key; until it has run
        // they name a key that no longer exists, so the database can only hold this change
        // against its parent rule when the transaction commits.
        const CambioRegistrado cambio{.tabla = GrupoCuenta::kTabla,
                                      .clave = claveActual,
                                      .ventana = hWnd(),
                                      .estiloRechazo = AccesoDatos::vbCritical,
                                      .idRechazo = QStringLiteral("ERR-ID:7500003")};
        const auto cambiarClave = [&](GuardaTransaccion&) {
            Publico::sSQL = QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Cve_Grupo_Cuenta_Contable = '")
                            + Sql::Texto(claveNueva) + QStringLiteral("' WHERE Gcc_Cve_Grupo_Cuenta_Contable = '")
                            + Sql::Texto(claveActual) + QLatin1Char('\'');
            Conexion().Execute(Publico::sSQL, -1);
            Publico::sSQL = QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Padre = '") + Sql::Texto(claveNueva)
                            + QStringLiteral("' WHERE Gcc_padre = '") + Sql::Texto(claveActual) + QLatin1Char('\'');
            Conexion().Execute(Publico::sSQL, -1);
            return true;
        };
        if (!EscribirCambio(cambio, cambiarClave)) {
            Requerir(controles()).Refrescar();
            return;
        }
        CargarCuentas();
        TreeView& arbol = Requerir(tvCuentas());
        arbol.EnsureVisible(arbol.Item(QLatin1Char('N') + claveNueva));
    });
}

// ---------------------------------------------------------------------------------------
// Print

void frmTQ614::Controles_Imprimir()
{
    ReporteError::ConTrampa(QStringLiteral("Controles_Imprimir"), QStringLiteral("ERR-ID:7500005"), hWnd(), [&] {
        const std::unique_ptr<VisorReporte> visor = Publico::CrearVisorReporte();
        sListado = QString();
        iNivel = 0;
        Imprimir_CeCo(GrupoCuenta::kClaveRaiz);
        visor->MostrarReporte(sListado, QString(), 0, 0, -1, -1, 7, -1);
    });
}

void frmTQ614::Imprimir_CeCo(const QString& clavePadre)
{
    const short nivelAlEntrar = iNivel;
    const EnRamaDelListado enRama(clavePadre);
    ReporteError::ConTrampa(QStringLiteral("Imprimir_CeCo"), QStringLiteral("ERR-ID:7500006"), hWnd(), [&] {
        const int sangria = qMax<int>(iNivel, 0);
        const QString sentencia = QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '")
                                  % Sql::Texto(clavePadre) % QStringLiteral("' ORDER BY Gcc_Padre");
        const std::unique_ptr<Recordset> rs = Conexion().Execute(sentencia, -1);
        while (!rs->Eof()) {
            ++iNivel;
            // Appended piece by piece: the listing grows in place, never copied per line.
            sListado.resize(sListado.size() + sangria, QLatin1Char('\t'));
            QVariant codigo = rs->Fields(QStringLiteral("Gcc_Codigo"));
            const bool sinCodigo = codigo.isNull();
            const QString textoCodigo = Variantes::Texto(std::move(codigo));
            if (sinCodigo || !textoCodigo.isEmpty()) {
                sListado += textoCodigo;
                sListado += QLatin1String(" - ");
            }
            sListado += Variantes::Texto(rs->Fields(QStringLiteral("Gcc_Descripcion")));
            sListado += QLatin1String("\r\n");
            Imprimir_CeCo(Variantes::CStr(rs->Fields(GrupoCuenta::kCampoClave)));
            rs->MoveNext();
        }
        rs->Close();
    });
    // Completed or not, a call leaves the depth one lower than it found it, so that what
    // is written after a failing level keeps the indentation of its own depth.
    iNivel = short(nivelAlEntrar - 1);
}
