#include "frmInput.h"

#include "ApoyoFormas.h"
#include "Twips.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace {

const QColor kFondo(245, 245, 245);
const QColor kAzulBoton(0, 83, 138);
const QColor kFocoBoton(255, 172, 117);

QFont Fuente(const QString& familia, double puntos)
{
    QFont fuente(familia);
    fuente.setStyleHint(QFont::SansSerif);
    fuente.setPointSizeF(puntos);
    fuente.setBold(false);
    fuente.setItalic(false);
    return fuente;
}

}  // namespace

frmInput::frmInput()
    : FormaPredeterminada(QStringLiteral("frmInput"))
{}

void frmInput::ConstruirVentana(QWidget* ventana)
{
    // Borderless: the in-house title bar stands in for the window's own.
    ventana->setWindowFlags(ventana->windowFlags() | Qt::FramelessWindowHint);
    ventana->resize(Twips::APixeles(5370), Twips::APixeles(1620));
    ventana->setFont(Fuente(QStringLiteral("Franklin Gothic Medium"), 8.25));
    ventana->setWindowTitle(QStringLiteral("Buscar"));

    m_Titulo = new Titulo(ventana);
    m_Titulo->setObjectName(QStringLiteral("Titulo"));
    m_Titulo->setGeometry(Twips::Rectangulo(0, 0, 5370, 405));
    m_Titulo->setCaption(QStringLiteral("Buscar"));
    m_Titulo->setShowminbutton(QStringLiteral("NO"));
    m_Titulo->setShowmaxbutton(QStringLiteral("NO"));
    m_Titulo->setShowexitbutton(QStringLiteral("NO"));
    m_Titulo->setAdjusticon(QStringLiteral("NO"));
    m_Titulo->setPictureicono(QPixmap(QStringLiteral(":/iconos/buscar.png")));

    m_Etiqueta1 = new Etiqueta(ventana);
    m_Etiqueta1->setObjectName(QStringLiteral("Etiqueta1"));
    m_Etiqueta1->setGeometry(Twips::Rectangulo(0, 600, 1695, 255));
    m_Etiqueta1->setCaption(QStringLiteral("Valor a buscar:"));
    m_Etiqueta1->setIdetiqueta(QStringLiteral("Buscar"));
    m_Etiqueta1->setAlineacion(1);
    m_Etiqueta1->setFont(Fuente(QStringLiteral("Calibri"), 8.25));
    m_Etiqueta1->setFontsize(8.25);
    m_Etiqueta1->setFontbold(false);
    m_Etiqueta1->setBackcolor(kFondo);
    m_Etiqueta1->setForecolor(QApplication::palette().color(QPalette::ButtonText));

    m_colorKES = new colorKES(ventana);
    m_colorKES->setObjectName(QStringLiteral("colorKES"));
    m_colorKES->backcolor = kFondo;

    m_txtValor = new txtKES(ventana);
    m_txtValor->setObjectName(QStringLiteral("txtValor"));
    m_txtValor->setGeometry(Twips::Rectangulo(1920, 600, 3255, 300));
    m_txtValor->setFont(Fuente(QStringLiteral("Franklin Gothic Medium"), 8.25));
    m_Etiqueta1->Nombrar(m_txtValor);

    m_cmdAceptar = CrearBoton(ventana, QStringLiteral("cmdAceptar"), Twips::Rectangulo(2880, 1080, 1095, 375),
                              QStringLiteral("Aceptar"));
    m_cmdAceptar->setDefault(true);
    m_cmdCancelar = CrearBoton(ventana, QStringLiteral("cmdCancelar"), Twips::Rectangulo(4080, 1080, 1095, 375),
                               QStringLiteral("Cancelar"));
    m_cmdCancelar->setCancel(true);

    // Tab indexes: txtValor 0, cmdAceptar 1, cmdCancelar 2, Titulo 3.
    QWidget::setTabOrder(m_txtValor, m_cmdAceptar);
    QWidget::setTabOrder(m_cmdAceptar, m_cmdCancelar);
    QWidget::setTabOrder(m_cmdCancelar, m_Titulo);

    connect(m_cmdAceptar, &flatButton::Click, this, &frmInput::cmdAceptar_Click);
    connect(m_cmdCancelar, &flatButton::Click, this, &frmInput::cmdCancelar_Click);
}

flatButton* frmInput::CrearBoton(QWidget* ventana, const QString& nombre, const QRect& posicion, const QString& titulo)
{
    auto* boton = new flatButton(ventana);
    boton->setObjectName(nombre);
    boton->setGeometry(posicion);
    boton->setCaption(titulo);
    boton->setFont(Fuente(QStringLiteral("Calibri"), 9));
    boton->setFontsize(9);
    boton->setFontbold(false);
    boton->setFontitalic(false);
    boton->setBackcolor(kAzulBoton);
    boton->setBordercolor(kAzulBoton);
    boton->setForecolor(Qt::white);
    boton->setFocuscolor(kFocoBoton);
    boton->setIconsize(2);
    // Not a tab stop; a click still gives it the focus.
    boton->setFocusPolicy(Qt::ClickFocus);
    return boton;
}

void frmInput::Form_Load()
{
    m_colorKES->AplicarColores();
    Aceptado = false;
}

// The title bar has no exit button; a close asked for by the window system (Alt+F4) counts
// as Cancelar, so the caller still finds the dialog loaded and reads a refusal.
void frmInput::Form_QueryUnload(bool& cancel, int modoDescarga)
{
    if (modoDescarga != vbFormControlMenu)
        return;
    cancel = true;
    Aceptado = false;
    Hide();
}

void frmInput::Mostrar()
{
    Load();
    m_txtValor->setText(QString());
    CentrarEnPantalla();
    Show(vbModal, nullptr);
}

void frmInput::CentrarEnPantalla()
{
    QWidget* ventana = Ventana();
    QScreen* pantalla = QGuiApplication::screenAt(QCursor::pos());
    if (!pantalla)
        pantalla = QGuiApplication::primaryScreen();
    if (!pantalla)
        return;
    QRect marco = ventana->frameGeometry();
    marco.moveCenter(pantalla->availableGeometry().center());
    ventana->move(marco.topLeft());
}

void frmInput::cmdAceptar_Click()
{
    if (m_txtValor->text().isEmpty())
        return;
    Aceptado = true;
    Hide();
}

void frmInput::cmdCancelar_Click()
{
    Aceptado = false;
    Hide();
}
