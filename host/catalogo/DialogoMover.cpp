#include "DialogoMover.h"

#include "AccesoDatosKes.h"
#include "Ado.h"
#include "BusquedaEnArbol.h"
#include "GrupoCuenta.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRolClave = Qt::UserRole;

}  // namespace

DialogoMover::DialogoMover(Connection& conexion, const QString& clave, std::function<QString(const QString&)> revisar,
                           QWidget* padre)
    : QDialog(padre)
    , m_clave(clave)
    , m_revisar(std::move(revisar))
{
    setObjectName(QStringLiteral("DialogoMover"));
    setWindowTitle(QStringLiteral("Mover grupo"));
    m_buscar = new QLineEdit(this);
    m_buscar->setObjectName(QStringLiteral("txtBuscar"));
    m_buscar->setPlaceholderText(QStringLiteral("clave o parte de la descripción"));
    m_buscar->installEventFilter(this);
    auto* etiquetaBuscar = new QLabel(QStringLiteral("&Buscar:"), this);
    etiquetaBuscar->setBuddy(m_buscar);
    connect(m_buscar, &QLineEdit::textEdited, this, [this] { buscar(false); });

    m_arbol = new QTreeWidget(this);
    m_arbol->setObjectName(QStringLiteral("tvDestino"));
    m_arbol->setHeaderHidden(true);
    m_arbol->setAccessibleName(QStringLiteral("Grupo padre"));
    auto* etiquetaArbol = new QLabel(QStringLiteral("Mover el grupo %1 con sus subgrupos &bajo:").arg(clave), this);
    etiquetaArbol->setBuddy(m_arbol);

    auto* botones = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    botones->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdAceptar"));
    connect(botones, &QDialogButtonBox::accepted, this, &DialogoMover::accept);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* disposicion = new QVBoxLayout(this);
    auto* filaBuscar = new QHBoxLayout;
    filaBuscar->addWidget(etiquetaBuscar);
    filaBuscar->addWidget(m_buscar);
    disposicion->addLayout(filaBuscar);
    disposicion->addWidget(etiquetaArbol);
    disposicion->addWidget(m_arbol);
    disposicion->addWidget(botones);
    resize(480, 520);
    cargar(conexion, clave);
    m_buscar->setFocus();
}

QString DialogoMover::Padre() const
{
    const QTreeWidgetItem* actual = m_arbol->currentItem();
    return actual ? actual->data(0, kRolClave).toString() : QString();
}

void DialogoMover::accept()
{
    const QString razon = m_revisar ? m_revisar(Padre()) : QString();
    if (razon.isEmpty()) {
        QDialog::accept();
        return;
    }
    AccesoDatosKes().Mensaje(razon, AccesoDatos::vbExclamation, windowTitle(), qintptr(winId()),
                             QStringLiteral("Kestrima"), QString());
    m_arbol->setFocus();
}

bool DialogoMover::eventFilter(QObject* objeto, QEvent* evento)
{
    if (objeto != m_buscar || evento->type() != QEvent::KeyPress)
        return QDialog::eventFilter(objeto, evento);
    switch (static_cast<QKeyEvent*>(evento)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        buscar(true);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The arrows move in the tree while the text stays where it is typed.
        QCoreApplication::sendEvent(m_arbol, evento);
        return true;
    default:
        return false;
    }
}

// The tree from the root down; rows that do not reach the root (their parent missing) are not
// places to move to and are left out.
void DialogoMover::cargar(Connection& conexion, const QString& clave)
{
    QHash<QString, QList<std::pair<QString, QString>>> hijos;
    for (auto rs = conexion.Execute(QStringLiteral("SELECT Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Padre"
                                                   " FROM Grupo_Cuenta_Contable"
                                                   " ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable"));
         !rs->Eof(); rs->MoveNext())
        hijos[rs->Fields(2).toString()] << std::pair{rs->Fields(0).toString(), rs->Fields(1).toString()};
    auto* raiz = new QTreeWidgetItem(m_arbol, {QStringLiteral("/")});
    raiz->setData(0, kRolClave, GrupoCuenta::kClaveRaiz);
    QHash<QString, QTreeWidgetItem*> nodos{{GrupoCuenta::kClaveRaiz, raiz}};
    QList<QString> pendientes{GrupoCuenta::kClaveRaiz};
    for (qsizetype i = 0; i < pendientes.size(); ++i) {
        QTreeWidgetItem* nodoPadre = nodos.value(pendientes[i]);
        for (const auto& [hijo, descripcion] : hijos.value(pendientes[i])) {
            if (nodos.contains(hijo))
                continue;
            auto* nodo = new QTreeWidgetItem(nodoPadre, {QStringLiteral("%1 - %2").arg(hijo, descripcion)});
            nodo->setData(0, kRolClave, hijo);
            nodos.insert(hijo, nodo);
            pendientes << hijo;
        }
    }
    raiz->setExpanded(true);
    // The group that moves stands out, and the selection starts on its present parent.
    if (QTreeWidgetItem* movido = nodos.value(clave)) {
        QFont negrita = movido->font(0);
        negrita.setBold(true);
        movido->setFont(0, negrita);
        BusquedaEnArbol::Mostrar(m_arbol, movido->parent());
        m_arbol->scrollToItem(movido);
    }
}

void DialogoMover::buscar(bool siguiente)
{
    const QString texto = m_buscar->text();
    QTreeWidgetItem* actual = m_arbol->currentItem();
    // While typing, the group found so far stays as long as it still matches.
    if (!siguiente && actual
        && BusquedaEnArbol::Normalizar(actual->text(0)).contains(BusquedaEnArbol::Normalizar(texto)))
        return;
    if (QTreeWidgetItem* nodo = BusquedaEnArbol::Siguiente(m_arbol, texto))
        BusquedaEnArbol::Mostrar(m_arbol, nodo);
}
