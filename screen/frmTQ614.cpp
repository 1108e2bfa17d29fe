#include "frmTQ614.h"

#include "ApoyoFormas.h"
#include "Controles.h"
#include "ErrorEjecucion.h"
#include "Etiqueta.h"
#include "GrupoCuenta.h"
#include "ImageList.h"
#include "Publico.h"
#include "PunteroRaton.h"
#include "ReporteError.h"
#include "Sql.h"
#include "Teclado.h"
#include "TreeView.h"
#include "Twips.h"
#include "Variantes.h"
#include "colorKES.h"
#include "frmInput.h"
#include "txtKES.h"

#include <QApplication>
#include <QFrame>
#include <QPalette>
#include <limits>

namespace {

const QString kCaptionNivel = QStringLiteral("Nível:");
const QString kCaptionTotal = QStringLiteral("Total:");

QFont Fuente(const QString& familia, double puntos, bool negrita = false)
{
    QFont fuente(familia);
    fuente.setPointSizeF(puntos);
    fuente.setBold(negrita);
    return fuente;
}

// One step of the resize: its failure is ignored and the next step runs.
template <class Paso>
void SinFallar(Paso&& paso)
{
    try {
        paso();
    } catch (...) {
    }
}

float EnTwips(int pixeles)
{
    return float(Twips::DePixeles(pixeles));
}

// Sizes are set in twips; a negative one is an invalid property value and leaves the
// control as it was.
int PixelesDeMedida(float twips)
{
    if (!(twips >= 0.0f))
        throw ErrorEjecucion(QStringLiteral("Valor de propiedad no válido"));
    return Twips::APixeles(twips);
}

txtKES* CrearCampo(QWidget* marco, const QString& nombre, double izquierda, double arriba, double ancho, double alto)
{
    auto* campo = new txtKES(marco);
    campo->setObjectName(nombre);
    campo->setGeometry(Twips::Rectangulo(izquierda, arriba, ancho, alto));
    campo->setLocked(true);
    campo->setTabStop(false);
    campo->setFont(Fuente(QStringLiteral("Calibri"), 8.25, true));
    campo->setEnabledcolor(Rgb(255, 255, 255));
    return campo;
}

Etiqueta* CrearEtiqueta(QWidget* marco, const QString& nombre, double izquierda, double arriba, const QString& caption,
                        const QString& idEtiqueta)
{
    auto* etiqueta = new Etiqueta(marco);
    etiqueta->setObjectName(nombre);
    etiqueta->setGeometry(Twips::Rectangulo(izquierda, arriba, 2175, 255));
    etiqueta->setCaption(caption);
    etiqueta->setIdetiqueta(idEtiqueta);
    etiqueta->setAlineacion(1);
    etiqueta->setBackcolor(Rgb(245, 245, 245));
    etiqueta->setForecolor(QApplication::palette().color(QPalette::ButtonText));
    etiqueta->setFont(Fuente(QStringLiteral("Calibri"), 8.25));
    etiqueta->setFontsize(8.25);
    etiqueta->setFontbold(false);
    etiqueta->setEnabled(true);
    return etiqueta;
}

void AsignarEsquemaDeColores(colorKES& colores)
{
    colores.backcolor = Rgb(245, 245, 245);
    colores.calendarbackcolor = Rgb(255, 255, 192);
    colores.calendarforecolor = Rgb(0, 0, 128);
    colores.calendartitlebackcolor = Rgb(137, 177, 201);
    colores.calendartitleforecolor = Rgb(255, 255, 255);
    colores.calendartrailingforecolor = Rgb(0, 83, 138);
    colores.dbgridbackcolor = Rgb(255, 255, 192);
    colores.dbgridbackcoloreven = Rgb(255, 255, 255);
    colores.dbgridbackcolorodd = Rgb(255, 255, 255);
    colores.enablecolor = Rgb(255, 255, 255);
    colores.disablecolor = Rgb(224, 224, 224);
    colores.focuscolor = Rgb(255, 255, 255);
    colores.labelfontsize = 8.25;
    colores.textfontsize = 8.25;
    colores.menubackcolor = Rgb(179, 204, 221);
    colores.menufontbackcolor = Rgb(245, 236, 203);
    colores.menuselbackcolor = Rgb(226, 213, 156);
}

}  // namespace

frmTQ614::frmTQ614()
    : FormaPredeterminada<frmTQ614>(QStringLiteral("frmTQ614"))
{}

QString frmTQ614::ClaveDeGrupo(const QTreeWidgetItem* nodo)
{
    if (!nodo)
        FaltaObjeto();
    return TreeView::Key(nodo).mid(1);
}

// ---------------------------------------------------------------------------------------
// Layout

void frmTQ614::ConstruirVentana(QWidget* ventana)
{
    const QColor fondo = Rgb(245, 245, 245);
    const QFont calibri = Fuente(QStringLiteral("Calibri"), 8.25);

    ventana->setWindowTitle(QStringLiteral("Catálogo de grupo de cuentas contables"));
    QPalette paleta = ventana->palette();
    paleta.setColor(QPalette::Window, fondo);
    ventana->setPalette(paleta);
    ventana->setAutoFillBackground(true);
    ventana->resize(Twips::APixeles(9945), Twips::APixeles(7110));

    m_frFrame = new QFrame(ventana);
    m_frFrame->setObjectName(QStringLiteral("frFrame"));
    m_frFrame->setGeometry(Twips::Rectangulo(120, 5400, 9615, 1455));
    m_frFrame->setFrameShape(QFrame::NoFrame);
    QPalette paletaMarco = m_frFrame->palette();
    paletaMarco.setColor(QPalette::Window, fondo);
    m_frFrame->setPalette(paletaMarco);
    m_frFrame->setAutoFillBackground(true);
    m_frFrame->setFont(calibri);

    m_txtCuenta = CrearCampo(m_frFrame, QStringLiteral("txtCuenta"), 2280, 360, 3255, 300);
    m_txtClave = CrearCampo(m_frFrame, QStringLiteral("txtClave"), 2280, 0, 1695, 300);
    m_txtClave->setTabonenter(true);
    m_Label1 =
        CrearEtiqueta(m_frFrame, QStringLiteral("Label1"), 0, 30, QStringLiteral("Clave:"), QStringLiteral("Clave"));
    m_Label2 = CrearEtiqueta(m_frFrame, QStringLiteral("Label2"), 0, 390, QStringLiteral("Descripción:"),
                             QStringLiteral("Descripción"));
    m_txtCodigo = CrearCampo(m_frFrame, QStringLiteral("txtCodigo"), 7920, 0, 1695, 300);
    m_Etiqueta1 = CrearEtiqueta(m_frFrame, QStringLiteral("Etiqueta1"), 5640, 30, QStringLiteral("Código:"),
                                QStringLiteral("Código"));
    m_txtNivel = CrearCampo(m_frFrame, QStringLiteral("txtNivel"), 7920, 360, 1695, 300);
    m_lbNivel = CrearEtiqueta(m_frFrame, QStringLiteral("lbNivel"), 5640, 390, kCaptionNivel, QStringLiteral("NIVEL"));
    for (auto [etiqueta, caja] : {std::pair{m_Label1, m_txtClave},
                                  {m_Label2, m_txtCuenta},
                                  {m_Etiqueta1, m_txtCodigo},
                                  {m_lbNivel, m_txtNivel}})
        etiqueta->Nombrar(caja);

    m_colorKES = new colorKES(ventana);
    m_colorKES->setObjectName(QStringLiteral("colorKES"));
    AsignarEsquemaDeColores(*m_colorKES);

    m_Controles = new Controles(ventana);
    m_Controles->setObjectName(QStringLiteral("Controles"));
    m_Controles->setGeometry(Twips::Rectangulo(0, 0, 9945, 960));
    m_Controles->setCaption(QStringLiteral("Catálogo de grupo de cuentas contables"));
    m_Controles->setB2caption(QStringLiteral("Cambiar clave"));
    m_Controles->setTabwidth(QStringLiteral("0"));
    m_Controles->setEasyaccessenabled(QStringLiteral("NO"));
    m_Controles->setShowmenupopup(QStringLiteral("NO"));
    m_Controles->setShowwindowslist(QStringLiteral("SI"));
    m_Controles->setShowexitbutton(QStringLiteral("SI"));

    m_tvCuentas = new TreeView(ventana);
    m_tvCuentas->setObjectName(QStringLiteral("tvCuentas"));
    m_tvCuentas->setGeometry(Twips::Rectangulo(120, 1200, 8295, 3975));
    m_tvCuentas->setFont(Fuente(QStringLiteral("Franklin Gothic Medium"), 8.25));
    m_tvCuentas->setAccessibleName(ventana->windowTitle());

    m_ilIconos = new ImageList(ventana, QSize(16, 16));
    m_ilIconos->setObjectName(QStringLiteral("ilIconos"));
    m_ilIconos->Add(QIcon(QStringLiteral(":/iconos/generico.png")));
    m_ilIconos->Add(QIcon(QStringLiteral(":/iconos/grupo.png")));
    m_ilIconos->Add(QIcon(QStringLiteral(":/iconos/titulo.png")));
    m_ilIconos->Add(QIcon(QStringLiteral(":/iconos/subgrupo.png")));

    // The toolbar comes first in the tab order, then the tree; the detail boxes are locked
    // and no tab stops.
    QWidget::setTabOrder(m_Controles, m_tvCuentas);

    ConectarEventos();
}

void frmTQ614::ConectarEventos()
{
    connect(m_Controles, &Controles::Nuevo, this, &frmTQ614::Controles_Nuevo);
    connect(m_Controles, &Controles::Editar, this, &frmTQ614::Controles_Editar);
    connect(m_Controles, &Controles::Eliminar, this, &frmTQ614::Controles_Eliminar);
    connect(m_Controles, &Controles::Imprimir, this, &frmTQ614::Controles_Imprimir);
    connect(m_Controles, &Controles::Salir, this, &frmTQ614::Controles_Salir);
    connect(m_Controles, &Controles::B2Click, this, &frmTQ614::Controles_B2Click);

    connect(m_tvCuentas, &TreeView::NodeClick, this, &frmTQ614::tvCuentas_NodeClick);
    connect(m_tvCuentas, &TreeView::DblClick, this, &frmTQ614::tvCuentas_DblClick);
    connect(m_tvCuentas, &TreeView::KeyDown, this, &frmTQ614::tvCuentas_KeyDown);
    connect(m_tvCuentas, &TreeView::AfterLabelEdit, this, &frmTQ614::tvCuentas_AfterLabelEdit);
    connect(m_tvCuentas, &TreeView::GotFocus, this, &frmTQ614::tvCuentas_GotFocus);
}

// ---------------------------------------------------------------------------------------
// Resize

// In twips, on single-precision numbers, as designed; each step runs whatever became of
// the one before it.
void frmTQ614::Form_Resize()
{
    if (!m_tvCuentas || !m_frFrame)
        return;
    TreeView& arbol = *m_tvCuentas;
    QFrame& marco = *m_frFrame;

    SinFallar([&] {
        const float alto = float(ScaleHeight()) - EnTwips(marco.height()) - EnTwips(arbol.y()) - 100.0f;
        arbol.resize(arbol.width(), PixelesDeMedida(alto));
    });
    SinFallar([&] {
        const float ancho = float(ScaleWidth()) - 2.0f * EnTwips(arbol.x());
        arbol.resize(PixelesDeMedida(ancho), arbol.height());
    });
    SinFallar([&] {
        const float arriba = EnTwips(arbol.y()) + EnTwips(arbol.height()) + 50.0f;
        marco.move(marco.x(), Twips::APixeles(arriba));
    });
}

// ---------------------------------------------------------------------------------------
// Tree events

void frmTQ614::tvCuentas_NodeClick(QTreeWidgetItem* nodo)
{
    ReporteError::ConTrampa(QStringLiteral("tvCuentas_NodeClick"), QStringLiteral("ERR-ID:7500018"), hWnd(), [&] {
        // The key is taken before other events run: one of them may rebuild the tree and
        // take this node with it.
        const QString clave = ClaveDeGrupo(nodo);
        Requerir(m_lbNivel).setCaption(kCaptionNivel);
        QCoreApplication::processEvents();

        Publico::sSQL = QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '")
                        + Sql::Texto(clave) + QStringLiteral("'");
        std::unique_ptr<Recordset> fila = Conexion().Execute(Publico::sSQL, -1);

        Controles& controles = Requerir(m_Controles);
        controles.setEliminarHabilitado(false);
        controles.setEditarHabilitado(false);
        controles.setNuevoHabilitado(true);

        Requerir(m_txtClave).setText(QString());
        Requerir(m_txtCuenta).setText(QString());
        Requerir(m_txtCodigo).setText(QString());
        Requerir(m_txtNivel).setText(QString());

        if (!fila->Eof()) {
            m_txtClave->setText(Variantes::CStr(fila->Fields(QStringLiteral("Gcc_Cve_Grupo_Cuenta_Contable"))));
            m_txtCuenta->setText(Variantes::CStr(fila->Fields(QStringLiteral("Gcc_Descripcion"))));
            m_txtCodigo->setText(Variantes::CStr(fila->Fields(QStringLiteral("Gcc_Codigo"))));
            m_txtNivel->setText(Variantes::CStr(fila->Fields(QStringLiteral("Gcc_Nivel"))));
            controles.setEliminarHabilitado(true);
            controles.setEditarHabilitado(true);
        } else if (clave == GrupoCuenta::kClaveRaiz) {
            m_lbNivel->setCaption(kCaptionTotal);
            QCoreApplication::processEvents();
            // The count is a 16-bit Integer: a tree too large for it overflows, as the
            // arithmetic it stands for does, rather than showing a wrapped number.
            const int grupos = Requerir(m_tvCuentas).Count() - 1;
            if (grupos > std::numeric_limits<short>::max())
                throw ErrorEjecucion(QStringLiteral("Desbordamiento"));
            Requerir(m_txtNivel).setText(QString::number(short(grupos)));
        }
        fila->Close();
    });
}

void frmTQ614::tvCuentas_DblClick()
{
    ReporteError::ConTrampa(QStringLiteral("tvCuentas_DblClick"), QStringLiteral("ERR-ID:7500016"), hWnd(), [&] {
        QTreeWidgetItem* seleccionado = Requerir(m_tvCuentas).SelectedItem();
        if (!seleccionado)
            return;
        // A node with children is left to the tree, which opens or closes it.
        if (TreeView::Children(seleccionado) == 0)
            Requerir(m_Controles).PulsarEditar();
    });
}

void frmTQ614::tvCuentas_KeyDown(int& codigoTecla, int mayusculas)
{
    ReporteError::ConTrampa(QStringLiteral("tvCuentas_KeyDown"), QStringLiteral("ERR-ID:7500017"), hWnd(), [&] {
        switch (codigoTecla) {
        case Teclado::vbKeyF5:
            CargarCuentas();
            break;
        case Teclado::vbKeyF2:
            Requerir(m_Controles).PulsarEditar();
            break;
        case Teclado::vbKeyF3:
            BuscarTextoEnArbol();
            break;
        case Teclado::vbKeyB:
            if (mayusculas == Teclado::vbCtrlMask) {
                PedirTextoBuscado();
                BuscarTextoEnArbol();
            }
            break;
        default:
            break;
        }
    });
}

// Ctrl+B: the text to search for, asked anew; a cancelled prompt leaves no search text.
void frmTQ614::PedirTextoBuscado()
{
    TextoBuscado.clear();
    frmInput& entrada = frmInput::Instancia();
    entrada.setPadre(Padre());  // the prompt answers to the screen's own parent
    entrada.Load();
    entrada.Mostrar();
    if (entrada.Aceptado) {
        TextoBuscado = Requerir(entrada.txtValor()).text();
    }
    entrada.Unload();
}

void frmTQ614::BuscarTextoEnArbol()
{
    if (TextoBuscado.isEmpty())
        return;
    Util().BuscarEnArbol(&Requerir(m_tvCuentas), TextoBuscado);
}

// The rename of a description in place: the one change made without a transaction and
// without change registration.
void frmTQ614::tvCuentas_AfterLabelEdit(int& cancel, QString& nuevoTexto)
{
    ReporteError::ConTrampa(
        QStringLiteral("tvCuentas_AfterLabelEdit"), QStringLiteral("ERR-ID:7500015"), hWnd(),
        [&] {
            if (nuevoTexto.isEmpty()) {
                cancel = 1;
                return;
            }
            TreeView& arbol = Requerir(m_tvCuentas);
            const QString clave = ClaveDeGrupo(arbol.SelectedItem());

            QString limpio = nuevoTexto;
            if (!clave.isEmpty())
                limpio.remove(clave, Qt::CaseSensitive);
            limpio.remove(QLatin1Char('-'));
            nuevoTexto = Trim(limpio).toUpper();

            Publico::sSQL = QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = '")
                            + Sql::Texto(nuevoTexto) + QStringLiteral("' WHERE Gcc_Cve_Grupo_Cuenta_Contable = '")
                            + Sql::Texto(clave) + QStringLiteral("'");
            Conexion().Execute(Publico::sSQL, -1);

            PunteroRaton::Establecer(PunteroRaton::vbHourglass);
            CargarCuentas();
            QTreeWidgetItem* nodo = arbol.Item(QLatin1Char('N') + clave);
            arbol.EnsureVisible(nodo);
            arbol.Seleccionar(nodo);
            arbol.setFocus();
            PunteroRaton::Establecer(PunteroRaton::vbDefault);
        },
        [] { PunteroRaton::Establecer(PunteroRaton::vbDefault); });
}

// No error trap.
void frmTQ614::tvCuentas_GotFocus()
{
    Requerir(m_lbNivel).setCaption(kCaptionNivel);
    QCoreApplication::processEvents();
}
