#include "Controles.h"

#include "MoverVentana.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

bool EsSi(const QString& valor)
{
    return valor.trimmed().compare(QLatin1String("SI"), Qt::CaseInsensitive) == 0;
}

const QColor kBandaActiva(0, 83, 138);
const QColor kBandaInactiva(96, 125, 146);
const int kTwipsPorPixel = 15;

}  // namespace

Controles::Controles(QWidget* padre)
    : QWidget(padre)
{
    setFocusPolicy(Qt::NoFocus);

    m_banda = new QWidget(this);
    m_banda->setAutoFillBackground(true);
    m_banda->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_titulo = new QLabel(m_banda);
    QFont letraTitulo = m_titulo->font();
    letraTitulo.setBold(true);
    letraTitulo.setPointSizeF(letraTitulo.pointSizeF() + 1.5);
    m_titulo->setFont(letraTitulo);
    auto* capaBanda = new QHBoxLayout(m_banda);
    capaBanda->setContentsMargins(8, 3, 8, 3);
    capaBanda->addWidget(m_titulo);
    PintarBanda();

    QStyle* estilo = style();
    auto icono = [estilo](const char* tema, QStyle::StandardPixmap estandar) {
        return QIcon::fromTheme(QLatin1String(tema), estilo->standardIcon(estandar));
    };
    m_nuevo = crearBoton("Nuevo", tr("Nuevo"), icono("document-new", QStyle::SP_FileIcon));
    m_editar = crearBoton("Editar", tr("Editar"), icono("document-edit", QStyle::SP_FileDialogDetailedView));
    m_eliminar = crearBoton("Eliminar", tr("Eliminar"), icono("edit-delete", QStyle::SP_TrashIcon));
    m_imprimir = crearBoton("Imprimir", tr("Imprimir"), icono("document-print", QStyle::SP_FileDialogContentsView));
    m_b1 = crearBoton("B1", QString(), QIcon());
    m_b2 = crearBoton("B2", QString(), QIcon());
    m_ventanas = crearBoton("Ventanas", tr("Ventanas"), icono("window-new", QStyle::SP_TitleBarNormalButton));
    m_salir = crearBoton("Salir", tr("Salir"), icono("application-exit", QStyle::SP_DialogCloseButton));

    connect(m_nuevo, &QToolButton::clicked, this, &Controles::Nuevo);
    connect(m_editar, &QToolButton::clicked, this, &Controles::Editar);
    connect(m_eliminar, &QToolButton::clicked, this, &Controles::Eliminar);
    connect(m_imprimir, &QToolButton::clicked, this, &Controles::Imprimir);
    connect(m_b1, &QToolButton::clicked, this, &Controles::B1Click);
    connect(m_b2, &QToolButton::clicked, this, &Controles::B2Click);
    connect(m_salir, &QToolButton::clicked, this, &Controles::Salir);

    m_menuVentanas = new QMenu(m_ventanas);
    m_ventanas->setMenu(m_menuVentanas);
    m_ventanas->setPopupMode(QToolButton::InstantPopup);
    connect(m_menuVentanas, &QMenu::aboutToShow, this, &Controles::LlenarMenuVentanas);

    auto* filaBotones = new QHBoxLayout;
    filaBotones->setContentsMargins(4, 2, 4, 2);
    filaBotones->setSpacing(2);
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir, m_b1, m_b2})
        filaBotones->addWidget(boton);
    filaBotones->addStretch(1);
    filaBotones->addWidget(m_ventanas);
    filaBotones->addWidget(m_salir);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(0);
    capa->addWidget(m_banda);
    capa->addLayout(filaBotones, 1);

    m_mover = new MoverVentana(this);
    m_mover->setActivo(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    ActualizarBotones();
}

QToolButton* Controles::crearBoton(const QString& nombre, const QString& texto, const QIcon& icono)
{
    auto* boton = new QToolButton(this);
    boton->setObjectName(nombre);
    boton->setText(texto);
    boton->setIcon(icono);
    boton->setIconSize(QSize(16, 16));
    boton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    boton->setAutoRaise(true);
    boton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    // A click must take the focus, so that the box being edited finishes its edit (and
    // raises its Validate) before the command's event runs.
    boton->setFocusPolicy(Qt::StrongFocus);
    return boton;
}

QString Controles::caption() const
{
    return m_titulo->text();
}

void Controles::setCaption(const QString& texto)
{
    m_titulo->setText(texto);
}

QString Controles::b1caption() const
{
    return m_b1->text();
}

void Controles::setB1caption(const QString& texto)
{
    m_b1->setText(texto);
    ActualizarBotones();
}

QString Controles::b2caption() const
{
    return m_b2->text();
}

void Controles::setB2caption(const QString& texto)
{
    m_b2->setText(texto);
    ActualizarBotones();
}

QString Controles::tabwidth() const
{
    return m_tabwidth;
}

void Controles::setTabwidth(const QString& ancho)
{
    m_tabwidth = ancho;
    // Twips; "0" lets every button take the width its caption needs.
    const int pixeles = ancho.trimmed().toInt() / kTwipsPorPixel;
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir, m_b1, m_b2, m_ventanas, m_salir})
        boton->setMinimumWidth(qMax(0, pixeles));
}

QString Controles::easyaccessenabled() const
{
    return m_easyaccessenabled;
}

void Controles::setEasyaccessenabled(const QString& siNo)
{
    m_easyaccessenabled = siNo;
    CrearAccesosRapidos();
}

QString Controles::showmenupopup() const
{
    return m_showmenupopup;
}

void Controles::setShowmenupopup(const QString& siNo)
{
    m_showmenupopup = siNo;
}

QString Controles::showwindowslist() const
{
    return m_showwindowslist;
}

void Controles::setShowwindowslist(const QString& siNo)
{
    m_showwindowslist = siNo;
    ActualizarBotones();
}

QString Controles::showexitbutton() const
{
    return m_showexitbutton;
}

void Controles::setShowexitbutton(const QString& siNo)
{
    m_showexitbutton = siNo;
    ActualizarBotones();
}

bool Controles::permitir_mover() const
{
    return m_mover->activo();
}

void Controles::setPermitir_mover(bool permitir)
{
    m_mover->setActivo(permitir);
    setCursor(permitir ? Qt::SizeAllCursor : Qt::ArrowCursor);
}

bool Controles::ActivarCatalogo() const
{
    return m_activarCatalogo;
}

void Controles::setActivarCatalogo(bool activar)
{
    m_activarCatalogo = activar;
    ActualizarBotones();
}

bool Controles::NuevoHabilitado() const
{
    return m_nuevoHabilitado;
}

void Controles::setNuevoHabilitado(bool habilitado)
{
    m_nuevoHabilitado = habilitado;
    ActualizarBotones();
}

bool Controles::EditarHabilitado() const
{
    return m_editarHabilitado;
}

void Controles::setEditarHabilitado(bool habilitado)
{
    m_editarHabilitado = habilitado;
    ActualizarBotones();
}

bool Controles::EliminarHabilitado() const
{
    return m_eliminarHabilitado;
}

void Controles::setEliminarHabilitado(bool habilitado)
{
    m_eliminarHabilitado = habilitado;
    ActualizarBotones();
}

QString Controles::Leyenda() const
{
    return caption();
}

void Controles::Restablecer()
{
    ActualizarBotones();
}

void Controles::Refrescar()
{
    ActualizarBotones();
    PintarBanda();
    update();
}

void Controles::PulsarEditar()
{
    if (m_activarCatalogo && m_editarHabilitado)
        m_editar->click();
}

void Controles::Activar(bool activo)
{
    m_activo = activo;
    PintarBanda();
}

QToolButton* Controles::Boton(const QString& nombre) const
{
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir, m_b1, m_b2, m_ventanas, m_salir})
        if (boton->objectName() == nombre)
            return boton;
    return nullptr;
}

// The one place where the flags become the buttons' state.
void Controles::ActualizarBotones()
{
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir})
        boton->setVisible(m_activarCatalogo);
    m_nuevo->setEnabled(m_nuevoHabilitado);
    m_editar->setEnabled(m_editarHabilitado);
    m_eliminar->setEnabled(m_eliminarHabilitado);
    m_b1->setVisible(!m_b1->text().isEmpty());
    m_b2->setVisible(!m_b2->text().isEmpty());
    m_ventanas->setVisible(EsSi(m_showwindowslist));
    m_salir->setVisible(EsSi(m_showexitbutton));
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir, m_b1, m_b2, m_ventanas, m_salir})
        boton->setDown(false);
}

void Controles::PintarBanda()
{
    QPalette paleta = m_banda->palette();
    paleta.setColor(QPalette::Window, m_activo ? kBandaActiva : kBandaInactiva);
    paleta.setColor(QPalette::WindowText, Qt::white);
    m_banda->setPalette(paleta);
    m_titulo->setPalette(paleta);
}

QList<QToolButton*> Controles::BotonesVisibles() const
{
    QList<QToolButton*> visibles;
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir, m_b1, m_b2, m_salir})
        if (!boton->isHidden())
            visibles.append(boton);
    return visibles;
}

// Commands reached without a mouse click take the focus too, so that they behave as a
// click does for the box being edited.
void Controles::Pulsar(QToolButton* boton)
{
    if (boton->isHidden() || !boton->isEnabled())
        return;
    boton->setFocus(Qt::ShortcutFocusReason);
    boton->click();
}

void Controles::contextMenuEvent(QContextMenuEvent* evento)
{
    if (!EsSi(m_showmenupopup)) {
        evento->ignore();
        return;
    }
    QMenu menu(this);
    for (QToolButton* boton : BotonesVisibles()) {
        QAction* accion = menu.addAction(boton->icon(), boton->text());
        accion->setEnabled(boton->isEnabled());
        QPointer<QToolButton> destino(boton);
        connect(accion, &QAction::triggered, this, [this, destino] {
            if (destino)
                Pulsar(destino);
        });
    }
    if (!m_ventanas->isHidden()) {
        QMenu* ventanas = menu.addMenu(m_ventanas->icon(), m_ventanas->text());
        connect(ventanas, &QMenu::aboutToShow, this, [this, ventanas] {
            ventanas->clear();
            ventanas->addActions(m_menuVentanas->actions());
        });
        LlenarMenuVentanas();
    }
    if (menu.isEmpty())
        return;
    menu.exec(evento->globalPos());
}

// The application's top-level windows, to bring any of them to the front.
void Controles::LlenarMenuVentanas()
{
    m_menuVentanas->clear();
    for (QWidget* ventana : QApplication::topLevelWidgets()) {
        if (!ventana->isVisible() || ventana->windowType() == Qt::Popup || ventana->windowType() == Qt::ToolTip
            || qobject_cast<QMenu*>(ventana))
            continue;
        QString titulo = ventana->windowTitle();
        if (titulo.isEmpty())
            titulo = ventana->objectName();
        if (titulo.isEmpty())
            continue;
        QAction* accion = m_menuVentanas->addAction(titulo);
        accion->setCheckable(true);
        accion->setChecked(ventana == window());
        QPointer<QWidget> destino(ventana);
        connect(accion, &QAction::triggered, this, [destino] {
            if (!destino)
                return;
            if (destino->isMinimized())
                destino->showNormal();
            destino->raise();
            destino->activateWindow();
        });
    }
    if (m_menuVentanas->isEmpty())
        m_menuVentanas->addAction(tr("(ninguna)"))->setEnabled(false);
}

void Controles::CrearAccesosRapidos()
{
    qDeleteAll(m_accesos);
    m_accesos.clear();
    for (QToolButton* boton : {m_nuevo, m_editar, m_eliminar, m_imprimir})
        boton->setToolTip(QString());
    if (!EsSi(m_easyaccessenabled))
        return;
    const QList<QPair<QKeySequence, QToolButton*>> accesos = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), m_nuevo},
        {QKeySequence(Qt::CTRL | Qt::Key_E), m_editar},
        {QKeySequence(Qt::CTRL | Qt::Key_Delete), m_eliminar},
        {QKeySequence(Qt::CTRL | Qt::Key_P), m_imprimir},
    };
    for (const auto& [tecla, boton] : accesos) {
        auto* acceso = new QShortcut(tecla, this);
        acceso->setContext(Qt::WindowShortcut);
        QToolButton* destino = boton;
        connect(acceso, &QShortcut::activated, this, [this, destino] { Pulsar(destino); });
        m_accesos.append(acceso);
        boton->setToolTip(boton->text() + QStringLiteral(" (") + tecla.toString(QKeySequence::NativeText)
                          + QLatin1Char(')'));
    }
}
