// The dialog that adds or edits a group: its layout, its life, the automatic key and the
// level of a code. The save lives in frmCATAddCuCoGuardar.cpp.

#include "frmCATAddCuCo.h"

#include "ApoyoFormas.h"
#include "Controles.h"
#include "Etiqueta.h"
#include "GrupoCuenta.h"
#include "Publico.h"
#include "ReporteError.h"
#include "Teclado.h"
#include "Twips.h"
#include "colorKES.h"
#include "txtKES.h"

#include <QApplication>
#include <QIcon>
#include <climits>

namespace {

// The boxes were designed in the fixed-pitch system font; where it is missing the closest
// fixed-pitch font stands in.
QFont FuenteCajas()
{
    QFont fuente(QStringLiteral("Fixedsys"));
    fuente.setStyleHint(QFont::TypeWriter);
    fuente.setFixedPitch(true);
    return fuente;
}

QFont FuenteEtiquetas()
{
    QFont fuente(QStringLiteral("Microsoft Sans Serif"));
    fuente.setStyleHint(QFont::SansSerif);
    fuente.setPointSizeF(8.25);
    fuente.setBold(false);
    return fuente;
}

}  // namespace

frmCATAddCuCo::frmCATAddCuCo()
    : FormaPredeterminada(QStringLiteral("frmCATAddCuCo"))
{
    // Escape has to work in every box, so the form sees the keys first.
    setKeyPreview(true);
}

// ---------------------------------------------------------------------------------------
// Layout

void frmCATAddCuCo::ConstruirVentana(QWidget* ventana)
{
    ventana->resize(Twips::APixeles(8805), Twips::APixeles(3105));
    QIcon icono(QStringLiteral(":/iconos/agregar-16.png"));
    icono.addFile(QStringLiteral(":/iconos/agregar-32.png"));
    ventana->setWindowIcon(icono);
    ventana->setWindowTitle(QStringLiteral("Agregar grupo de cuenta contable"));
    ventana->setAutoFillBackground(true);
    QPalette paleta = ventana->palette();
    paleta.setColor(QPalette::Window, Rgb(245, 245, 245));
    ventana->setPalette(paleta);

    m_colorKES = CrearEsquemaColores(ventana);
    m_txtNPadre = CrearCaja(ventana, QStringLiteral("txtNPadre"), Twips::Rectangulo(4800, 1200, 3615, 300));
    m_txtNPadre->setLocked(true);
    m_txtNPadre->setTabStop(false);
    m_txtPadre = CrearCaja(ventana, QStringLiteral("txtPadre"), Twips::Rectangulo(2280, 1200, 2415, 300));
    m_txtPadre->setLocked(true);
    m_txtPadre->setTabStop(false);
    m_txtPadre->setSql(QStringLiteral("SELECT Gcc_Descripcion FROM Grupo_Cuenta_Contable "
                                      "WHERE Gcc_Cve_Grupo_Cuenta_Contable = '?'"));
    m_txtPadre->setSql_control_resultado(QStringLiteral("txtNPadre"));
    // The lookup runs on the data services' connection as it is when the key arrives.
    m_txtPadre->setProveedorConexion([] { return Publico::oDatos ? Publico::oDatos->Conexion() : nullptr; });
    m_txtClave = CrearCaja(ventana, QStringLiteral("txtClave"), Twips::Rectangulo(2280, 1560, 2415, 300));
    m_txtClave->setMaxLength(6);
    m_txtClave->setTabonenter(true);
    m_txtDescripcion = CrearCaja(ventana, QStringLiteral("txtDescripcion"), Twips::Rectangulo(2280, 1920, 6135, 300));
    m_txtDescripcion->setMaxLength(200);
    m_txtDescripcion->setTabonenter(true);
    m_Label7 = CrearEtiqueta(ventana, QStringLiteral("Label7"), Twips::Rectangulo(0, 1560, 2175, 255),
                             QStringLiteral("Clave"), QStringLiteral("Clave:"));
    m_Label1 = CrearEtiqueta(ventana, QStringLiteral("Label1"), Twips::Rectangulo(0, 1200, 2175, 255),
                             QStringLiteral("SUBCUENTA DE"), QStringLiteral("Subcuenta de:"));
    m_Label2 = CrearEtiqueta(ventana, QStringLiteral("Label2"), Twips::Rectangulo(0, 1920, 2175, 255),
                             QStringLiteral("Descripción"), QStringLiteral("Descripción:"));
    m_txtCodigo = CrearCaja(ventana, QStringLiteral("txtCodigo"), Twips::Rectangulo(2280, 2280, 2415, 300));
    m_txtCodigo->setMaxLength(30);
    m_txtCodigo->setTabonenter(true);
    m_Etiqueta1 = CrearEtiqueta(ventana, QStringLiteral("Etiqueta1"), Twips::Rectangulo(0, 2280, 2175, 255),
                                QStringLiteral("Código"), QStringLiteral("Código:"));
    m_Controles1 = CrearBarra(ventana);
    m_txtNivel = CrearCaja(ventana, QStringLiteral("txtNivel"), Twips::Rectangulo(2280, 2640, 2415, 300));
    m_txtNivel->setMaxLength(30);
    m_txtNivel->setLocked(true);
    m_txtNivel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtNivel->setSubrayar(true);
    m_txtNivel->setTabonenter(true);
    m_Etiqueta2 = CrearEtiqueta(ventana, QStringLiteral("Etiqueta2"), Twips::Rectangulo(0, 2640, 2175, 255),
                                QStringLiteral("NIVEL"), QStringLiteral("Nível:"));

    for (auto [etiqueta, caja] : {std::pair{m_Label1, m_txtPadre},
                                  {m_Label7, m_txtClave},
                                  {m_Label2, m_txtDescripcion},
                                  {m_Etiqueta1, m_txtCodigo},
                                  {m_Etiqueta2, m_txtNivel}})
        etiqueta->Nombrar(caja);
    // The parent's description sits beside its key, under the same label.
    m_txtNPadre->setAccessibleName(QStringLiteral("Descripción del grupo padre"));

    OrdenarTabulacion();
    ConectarEventos();
}

colorKES* frmCATAddCuCo::CrearEsquemaColores(QWidget* ventana)
{
    auto* colores = new colorKES(ventana);
    colores->setObjectName(QStringLiteral("colorKES"));
    colores->backcolor = Rgb(245, 245, 245);
    colores->calendarbackcolor = Rgb(255, 255, 255);
    colores->calendarforecolor = Rgb(0, 36, 57);
    colores->calendartitlebackcolor = Rgb(198, 195, 198);
    colores->calendartitleforecolor = Rgb(255, 255, 255);
    colores->calendartrailingforecolor = Rgb(0, 83, 138);
    colores->dbgridbackcolor = Rgb(255, 255, 255);
    colores->dbgridbackcoloreven = Rgb(255, 255, 255);
    colores->dbgridbackcolorodd = Rgb(198, 195, 198);
    colores->enablecolor = Rgb(255, 255, 255);
    colores->disablecolor = Rgb(221, 221, 221);
    // The system colour of a window's writing surface.
    colores->focuscolor = QApplication::palette().color(QPalette::Base);
    colores->labelfontsize = 8.25;
    colores->textfontsize = 8.25;
    colores->menubackcolor = Rgb(179, 204, 221);
    colores->menufontbackcolor = Rgb(245, 236, 203);
    colores->menuselbackcolor = Rgb(226, 213, 156);
    return colores;
}

txtKES* frmCATAddCuCo::CrearCaja(QWidget* ventana, const QString& nombre, const QRect& posicion)
{
    auto* caja = new txtKES(ventana);
    caja->setObjectName(nombre);
    caja->setGeometry(posicion);
    caja->setFont(FuenteCajas());
    return caja;
}

Etiqueta* frmCATAddCuCo::CrearEtiqueta(QWidget* ventana, const QString& nombre, const QRect& posicion,
                                       const QString& idEtiqueta, const QString& titulo)
{
    auto* etiqueta = new Etiqueta(ventana);
    etiqueta->setObjectName(nombre);
    etiqueta->setGeometry(posicion);
    etiqueta->setIdetiqueta(idEtiqueta);
    etiqueta->setCaption(titulo);
    etiqueta->setAlineacion(1);
    etiqueta->setFont(FuenteEtiquetas());
    etiqueta->setFontsize(8.25);
    etiqueta->setFontbold(false);
    etiqueta->setEnabled(true);
    etiqueta->setBackcolor(QApplication::palette().color(QPalette::Button));
    etiqueta->setForecolor(QApplication::palette().color(QPalette::ButtonText));
    return etiqueta;
}

Controles* frmCATAddCuCo::CrearBarra(QWidget* ventana)
{
    auto* barra = new Controles(ventana);
    barra->setObjectName(QStringLiteral("Controles1"));
    barra->setGeometry(Twips::Rectangulo(0, 0, 8805, 960));
    barra->setCaption(QStringLiteral("Agregar grupo de cuenta contable"));
    barra->setB1caption(QStringLiteral("Aceptar"));
    barra->setB2caption(QStringLiteral("Cancelar"));
    barra->setTabwidth(QStringLiteral("0"));
    barra->setEasyaccessenabled(QStringLiteral("NO"));
    barra->setShowmenupopup(QStringLiteral("NO"));
    barra->setShowwindowslist(QStringLiteral("NO"));
    barra->setShowexitbutton(QStringLiteral("NO"));
    barra->setPermitir_mover(true);
    return barra;
}

// Tab indexes: txtPadre 0, txtClave 1, txtDescripcion 2, txtCodigo 3, txtNivel 4,
// txtNPadre 5, Controles1 6.
void frmCATAddCuCo::OrdenarTabulacion()
{
    QWidget::setTabOrder(m_txtPadre, m_txtClave);
    QWidget::setTabOrder(m_txtClave, m_txtDescripcion);
    QWidget::setTabOrder(m_txtDescripcion, m_txtCodigo);
    QWidget::setTabOrder(m_txtCodigo, m_txtNivel);
    QWidget::setTabOrder(m_txtNivel, m_txtNPadre);
    QWidget::setTabOrder(m_txtNPadre, m_Controles1);
}

void frmCATAddCuCo::ConectarEventos()
{
    connect(m_Controles1, &Controles::B1Click, this, &frmCATAddCuCo::cmdAceptar);
    connect(m_Controles1, &Controles::B2Click, this, &frmCATAddCuCo::Controles1_B2Click);
    // The derivation answers the earlier event of the code box (the user finished changing
    // the code), the lock the later one (each edit): a code the user has left stays derived,
    // and "000" leaves the level box open for typing.
    connect(m_txtCodigo, &txtKES::Validate, this, &frmCATAddCuCo::txtCodigo_Validate);
    connect(m_txtCodigo, &txtKES::Change, this, &frmCATAddCuCo::txtCodigo_Change);
}

// ---------------------------------------------------------------------------------------
// Life of the dialog

void frmCATAddCuCo::Form_Load()
{
    m_colorKES->AplicarColores();
    Aceptado = false;
    m_enfocarAlActivar = true;
}

void frmCATAddCuCo::Form_Activate()
{
    m_Controles1->Activar(false);
    // The user starts in the description, once per showing: coming back from one of the
    // save's messages the focus stays in the box the message is about.
    if (!m_enfocarAlActivar)
        return;
    m_enfocarAlActivar = false;
    if (m_txtDescripcion->isEnabled())
        m_txtDescripcion->setFocus(Qt::ActiveWindowFocusReason);
}

void frmCATAddCuCo::Form_KeyDown(int& codigoTecla, int)
{
    if (codigoTecla != Teclado::vbKeyEscape)
        return;
    bool cancelar = false;
    Form_QueryUnload(cancelar, vbFormControlMenu);
}

void frmCATAddCuCo::Form_QueryUnload(bool& cancel, int modoDescarga)
{
    if (modoDescarga != vbFormControlMenu)
        return;
    cancel = true;
    Aceptado = false;
    Ocultar();
}

void frmCATAddCuCo::Controles1_B2Click()
{
    Aceptado = false;
    Ocultar();
}

void frmCATAddCuCo::Ocultar()
{
    m_enfocarAlActivar = true;
    Hide();
}

// ---------------------------------------------------------------------------------------
// Automatic key, level of a code

bool frmCATAddCuCo::ClaveAutomatica()
{
    Load();
    bool escrita = false;
    ReporteError::ConTrampa(QStringLiteral("ClaveAutomatica"), QStringLiteral("ERR-ID:7500028"), hWnd(), [&] {
        const long numero = Util().SiguienteNumero(GrupoCuenta::kTabla, GrupoCuenta::kCampoClave, QString(), QString(),
                                                   QString(), QString(), QString(), QString(), QString());
        m_txtClave->setText(GrupoCuenta::FormatearClave(numero, Publico::sFormatoClave));
        escrita = true;
    });
    return escrita;
}

short frmCATAddCuCo::ObtenerNivel(const QString& codigo)
{
    const int nivel = GrupoCuenta::NivelDeCodigo(codigo);
    if (nivel <= SHRT_MAX)
        return short(nivel);
    // The level is a 16-bit Integer: a code with more dots than it counts overflows it, and
    // level 1 stands.
    Datos().Mensaje(QStringLiteral("Desbordamiento"), AccesoDatos::vbCritical, kKestrima, hWnd(), kProyecto,
                    QStringLiteral("ERR-ID:7500029"));
    return 1;
}

void frmCATAddCuCo::txtCodigo_Validate()
{
    const QString codigo = m_txtCodigo->text();
    if (codigo.isEmpty()) {
        m_txtNivel->setText(QString());
    } else if (codigo == GrupoCuenta::kCodigoNivelManual) {
        m_txtNivel->setLocked(false);
        m_txtNivel->setTabStop(true);
    } else {
        m_txtNivel->setText(QString::number(ObtenerNivel(codigo)));
    }
}

void frmCATAddCuCo::txtCodigo_Change()
{
    m_txtNivel->setLocked(true);
    m_txtNivel->setTabStop(false);
}
