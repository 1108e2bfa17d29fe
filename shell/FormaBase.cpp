#include "FormaBase.h"

#include "ApoyoFormas.h"
#include "ErrorEjecucion.h"
#include "Teclado.h"
#include "Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <atomic>

namespace {
// Windows alive (an unloaded one lives until the event loop deletes it) and forms handed out.
std::atomic<long> g_enUso{0};
}

// The window of a form: forwards what the forms runtime would turn into form events.
class VentanaForma : public QWidget
{
    Q_OBJECT

public:
    explicit VentanaForma(FormaBase* forma)
        : QWidget(nullptr, Qt::Window)
        , m_forma(forma)
    {
        ++g_enUso;
        qApp->installEventFilter(this);
    }
    ~VentanaForma() override { --g_enUso; }

signals:
    void oculta();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        // Key preview: the form sees a key pressed in any of its controls first.
        if (evento->type() == QEvent::KeyPress && m_forma && m_forma->m_keyPreview) {
            auto* widget = qobject_cast<QWidget*>(objeto);
            // A key not taken by the focused control travels on to its parents as the same
            // event: the form sees it once, where it was first delivered.
            QWidget* destino = QApplication::focusWidget() ? QApplication::focusWidget() : this;
            if (widget == destino && widget->window() == this) {
                auto* tecla = static_cast<QKeyEvent*>(evento);
                int codigo = Teclado::CodigoTecla(tecla);
                if (codigo != 0) {
                    QPointer<VentanaForma> vive(this);
                    m_forma->Form_KeyDown(codigo, Teclado::Mayusculas(tecla->modifiers()));
                    // A key code set to 0 by the form is swallowed; so is any key that
                    // closed or unloaded the window.
                    if (codigo == 0 || !vive || !vive->isVisible())
                        return true;
                }
            }
        }
        return QWidget::eventFilter(objeto, evento);
    }

    bool event(QEvent* evento) override
    {
        if (evento->type() == QEvent::WindowActivate && m_forma)
            m_forma->Form_Activate();
        return QWidget::event(evento);
    }

    void resizeEvent(QResizeEvent* evento) override
    {
        QWidget::resizeEvent(evento);
        if (m_forma)
            m_forma->Form_Resize();
    }

    void closeEvent(QCloseEvent* evento) override
    {
        bool cancelar = false;
        if (m_forma)
            m_forma->cerrarPorElSistema(cancelar);
        if (cancelar)
            evento->ignore();
        else
            evento->accept();
    }

    void hideEvent(QHideEvent* evento) override
    {
        QWidget::hideEvent(evento);
        emit oculta();
    }

private:
    friend class FormaBase;
    FormaBase* m_forma;
};

FormaBase::FormaBase(const QString& nombre)
{
    setObjectName(nombre);
}

FormaBase::~FormaBase()
{
    devolver();
    if (m_ventana) {
        m_ventana->m_forma = nullptr;
        delete m_ventana;
    }
}

QObject* FormaBase::Padre() const
{
    return m_padre.data();
}

void FormaBase::setPadre(QObject* valor)
{
    m_padre = valor;
}

QString FormaBase::Transaccion() const
{
    const QVariant transaccionPadre = Requerir(m_padre).property("Transaccion");
    if (!transaccionPadre.isValid())
        throw ErrorEjecucion(QStringLiteral("El objeto no acepta esta propiedad o método"));
    return Util().ObtenerTransaccion(transaccionPadre.toString(), kKestrima);
}

void FormaBase::Load()
{
    if (m_ventana)
        return;
    m_ventana = new VentanaForma(this);
    m_ventana->setObjectName(objectName());
    m_ventana->setAttribute(Qt::WA_DeleteOnClose, false);
    ConstruirVentana(m_ventana);
    Form_Load();
}

void FormaBase::Unload()
{
    if (!m_ventana) {
        devolver();
        return;
    }
    bool cancelar = false;
    Form_QueryUnload(cancelar, vbFormCode);
    if (cancelar)
        return;
    Form_Unload();
    descartarVentana();
}

void FormaBase::cerrarPorElSistema(bool& cancelar)
{
    Form_QueryUnload(cancelar, vbFormControlMenu);
    if (cancelar)
        return;
    Form_Unload();
    descartarVentana();
}

void FormaBase::Entregar()
{
    if (!m_entregada)
        ++g_enUso;
    m_entregada = true;
}

void FormaBase::devolver()
{
    if (m_entregada)
        --g_enUso;
    m_entregada = false;
}

long FormaBase::FormasEnUso()
{
    return g_enUso;
}

void FormaBase::descartarVentana()
{
    devolver();
    VentanaForma* ventana = m_ventana;
    m_ventana = nullptr;
    if (!ventana)
        return;
    ventana->m_forma = nullptr;
    ventana->hide();
    // Unload is often called from a handler of one of the window's own controls (the exit
    // button); the window goes once that handler has returned.
    ventana->deleteLater();
}

void FormaBase::Show(int estilo, QWidget* propietario)
{
    Load();
    QPointer<VentanaForma> ventana = m_ventana;
    if (propietario && ventana->parentWidget() != propietario)
        ventana->setParent(propietario, ventana->windowFlags() | Qt::Window);
    if (estilo != vbModal) {
        ventana->show();
        ventana->activateWindow();
        return;
    }
    ventana->setWindowModality(Qt::ApplicationModal);
    ventana->show();
    ventana->activateWindow();
    if (!ventana || !ventana->isVisible())
        return;
    QEventLoop bucle;
    connect(ventana, &VentanaForma::oculta, &bucle, &QEventLoop::quit);
    connect(ventana, &QObject::destroyed, &bucle, &QEventLoop::quit);
    bucle.exec(QEventLoop::DialogExec);
    if (ventana)
        ventana->setWindowModality(Qt::NonModal);
}

void FormaBase::Hide()
{
    if (m_ventana)
        m_ventana->hide();
}

QWidget* FormaBase::Ventana()
{
    Load();
    return m_ventana;
}

qintptr FormaBase::hWnd() const
{
    return m_ventana ? qintptr(m_ventana->winId()) : 0;
}

double FormaBase::ScaleWidth() const
{
    return m_ventana ? Twips::DePixeles(m_ventana->width()) : 0.0;
}

double FormaBase::ScaleHeight() const
{
    return m_ventana ? Twips::DePixeles(m_ventana->height()) : 0.0;
}

void FormaBase::Form_QueryUnload(bool&, int)
{}

void FormaBase::Form_KeyDown(int&, int)
{}

#include "FormaBase.moc"
