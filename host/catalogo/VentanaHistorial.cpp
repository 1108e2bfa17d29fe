#include "VentanaHistorial.h"

#include "AccesoDatosKes.h"
#include "CatalogoCsv.h"
#include "Csv.h"
#include "DialogoCsv.h"
#include "ErrorEjecucion.h"
#include "Reorganizacion.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VerificacionHistorial.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>
#include <functional>

namespace {

// The columns of an exported file, and those of the table, where the group's code and
// description stand beside its key.
const QStringList kEncabezados{
    QStringLiteral("Fecha"),    QStringLiteral("Operación"),          QStringLiteral("Clave"),
    QStringLiteral("Operador"), QStringLiteral("Usuario de la base"), QStringLiteral("Cambios")};
const QStringList kColumnas{QStringLiteral("Fecha"),
                            QStringLiteral("Operación"),
                            QStringLiteral("Clave"),
                            QStringLiteral("Código"),
                            QStringLiteral("Descripción"),
                            QStringLiteral("Operador"),
                            QStringLiteral("Usuario de la base"),
                            QStringLiteral("Cambios")};
constexpr int kPagina = 200;

// A change as a line of a file: its fields one per line.
QStringList columnasDe(const Historial::Cambio& c, QChar entreCampos)
{
    return {
        c.fecha,       Historial::NombreDeOperacion(c.operacion),
        c.clave,       c.operador,
        c.usuarioBase, c.campos.join(entreCampos == QLatin1Char(';') ? QStringLiteral("; ") : QString(entreCampos))};
}

// A change as a row of the table: its fields on one line (in the tooltip, one per line).
QStringList columnasEnTabla(const Historial::Cambio& c, QChar entreCampos)
{
    QStringList columnas = columnasDe(c, entreCampos);
    columnas.insert(3, c.descripcion);
    columnas.insert(3, c.codigo);
    return columnas;
}

}  // namespace

// The changes read so far; the next page is read when the view reaches the end.
class ModeloHistorial : public QAbstractTableModel
{
public:
    // `alFallar` gets the reason when the history cannot be read.
    ModeloHistorial(std::function<void(const QString&)> alFallar, QObject* padre)
        : QAbstractTableModel(padre)
        , m_alFallar(std::move(alFallar))
    {}

    void Reiniciar(const Historial::Filtro& filtro)
    {
        beginResetModel();
        m_filtro = filtro;
        m_cambios.clear();
        m_hayMas = true;
        endResetModel();
        fetchMore({});
    }

    int rowCount(const QModelIndex& padre = {}) const override { return padre.isValid() ? 0 : int(m_cambios.size()); }
    int columnCount(const QModelIndex& padre = {}) const override
    {
        return padre.isValid() ? 0 : int(kColumnas.size());
    }

    QVariant data(const QModelIndex& indice, int rol) const override
    {
        if (!indice.isValid() || (rol != Qt::DisplayRole && rol != Qt::ToolTipRole))
            return {};
        return columnasEnTabla(m_cambios[indice.row()], rol == Qt::DisplayRole ? u';' : u'\n').value(indice.column());
    }

    const Historial::Cambio* CambioEn(int fila) const
    {
        return fila >= 0 && fila < m_cambios.size() ? &m_cambios[fila] : nullptr;
    }

    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol) const override
    {
        if (orientacion == Qt::Horizontal && rol == Qt::DisplayRole)
            return kColumnas.value(seccion);
        // The number by which a change is restored or undone, from here or the command line.
        if (orientacion == Qt::Vertical && rol == Qt::DisplayRole && CambioEn(seccion))
            return CambioEn(seccion)->id;
        return QAbstractTableModel::headerData(seccion, orientacion, rol);
    }

    bool canFetchMore(const QModelIndex& padre) const override { return !padre.isValid() && m_hayMas; }

    void fetchMore(const QModelIndex& padre) override
    {
        if (padre.isValid() || !m_hayMas)
            return;
        const qint64 ultimo = m_cambios.isEmpty() ? 0 : m_cambios.last().id;
        QList<Historial::Cambio> pagina;
        try {
            pagina = Historial::Leer(*Sesion::Conexion(), m_filtro, ultimo, kPagina);
        } catch (const ErrorEjecucion& error) {
            m_hayMas = false;
            m_alFallar(error.Description());
            return;
        }
        m_hayMas = pagina.size() == kPagina;
        if (pagina.isEmpty())
            return;
        beginInsertRows({}, int(m_cambios.size()), int(m_cambios.size() + pagina.size() - 1));
        m_cambios += pagina;
        endInsertRows();
    }

private:
    std::function<void(const QString&)> m_alFallar;
    Historial::Filtro m_filtro;
    QList<Historial::Cambio> m_cambios;
    bool m_hayMas = false;
};

VentanaHistorial::VentanaHistorial(const QString& clave, QWidget* padre)
    : QDialog(padre)
{
    setObjectName(QStringLiteral("VentanaHistorial"));
    setWindowTitle(QStringLiteral("Historial de cambios"));
    QLayout* filtros = crearFiltros(clave);
    crearTabla();
    m_estado = new QLabel(this);
    m_estado->setObjectName(QStringLiteral("lblEstado"));
    m_estado->setWordWrap(true);

    auto* botones = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* exportar = botones->addButton(QStringLiteral("&Exportar a CSV…"), QDialogButtonBox::ActionRole);
    exportar->setObjectName(QStringLiteral("cmdExportar"));
    connect(exportar, &QPushButton::clicked, this, &VentanaHistorial::exportarConDialogo);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_restaurar = botones->addButton(QStringLiteral("&Restaurar"), QDialogButtonBox::ActionRole);
    m_restaurar->setObjectName(QStringLiteral("cmdRestaurar"));
    m_restaurar->setToolTip(QStringLiteral("Crea de nuevo el grupo eliminado, tal como era"));
    connect(m_restaurar, &QPushButton::clicked, this, &VentanaHistorial::restaurar);
    m_deshacer = botones->addButton(QStringLiteral("&Deshacer"), QDialogButtonBox::ActionRole);
    m_deshacer->setObjectName(QStringLiteral("cmdDeshacer"));
    m_deshacer->setToolTip(QStringLiteral("Devuelve el grupo a como estaba antes del cambio"));
    connect(m_deshacer, &QPushButton::clicked, this, &VentanaHistorial::deshacer);
    // F5 reads the history again, as in the catalogue's screen.
    auto* actualizar = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(actualizar, &QShortcut::activated, this, &VentanaHistorial::Buscar);

    auto* disposicion = new QVBoxLayout(this);
    disposicion->addLayout(filtros);
    disposicion->addWidget(m_tabla);
    disposicion->addWidget(m_estado);
    disposicion->addWidget(m_detalle);
    disposicion->addLayout(integridadDelHistorial());
    disposicion->addWidget(botones);
    resize(1100, 520);
    Buscar();
}

// The filter boxes: the key's start and the description or code, read a moment after the
// user stops typing; the operator; the dates.
QLayout* VentanaHistorial::crearFiltros(const QString& clave)
{
    m_clave = new QLineEdit(clave, this);
    m_clave->setObjectName(QStringLiteral("txtClave"));
    m_clave->setPlaceholderText(QStringLiteral("todos los grupos"));
    m_clave->setToolTip(QStringLiteral("Las claves que empiezan así, en mayúsculas o minúsculas"));
    m_texto = new QLineEdit(this);
    m_texto->setObjectName(QStringLiteral("txtTexto"));
    m_texto->setPlaceholderText(QStringLiteral("cualquiera"));
    m_texto->setToolTip(QStringLiteral("Parte de la descripción o del código del grupo, antes o después del cambio"));
    m_operador = new QLineEdit(this);
    m_operador->setObjectName(QStringLiteral("txtOperador"));
    m_operador->setPlaceholderText(QStringLiteral("todos los operadores"));
    m_alEscribir = new QTimer(this);
    m_alEscribir->setSingleShot(true);
    m_alEscribir->setInterval(300);
    connect(m_alEscribir, &QTimer::timeout, this, &VentanaHistorial::Buscar);
    for (QLineEdit* caja : {m_clave, m_texto, m_operador}) {
        connect(caja, &QLineEdit::textEdited, m_alEscribir, qOverload<>(&QTimer::start));
        connect(caja, &QLineEdit::returnPressed, this, &VentanaHistorial::Buscar);
    }
    const auto fecha = [this](const char* nombre, const QString& texto, QCheckBox*& casilla, QDateEdit*& dia) {
        casilla = new QCheckBox(texto, this);
        casilla->setObjectName(QLatin1String("chk") + QLatin1String(nombre));
        dia = new QDateEdit(QDate::currentDate(), this);
        dia->setObjectName(QLatin1String("fec") + QLatin1String(nombre));
        dia->setCalendarPopup(true);
        dia->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        dia->setEnabled(false);
        connect(casilla, &QCheckBox::toggled, dia, &QWidget::setEnabled);
        connect(casilla, &QCheckBox::toggled, this, &VentanaHistorial::Buscar);
        connect(dia, &QDateEdit::dateChanged, this, &VentanaHistorial::Buscar);
    };
    fecha("Desde", QStringLiteral("Desde el"), m_conDesde, m_desde);
    fecha("Hasta", QStringLiteral("Hasta el"), m_conHasta, m_hasta);
    auto* buscar = new QPushButton(QStringLiteral("&Buscar"), this);
    buscar->setObjectName(QStringLiteral("cmdBuscar"));
    buscar->setToolTip(QStringLiteral("Lee el historial de nuevo (F5)"));
    connect(buscar, &QPushButton::clicked, this, &VentanaHistorial::Buscar);

    // The group and who on one line, the dates and the button on the next.
    auto* grupo = new QHBoxLayout;
    for (auto [etiqueta, caja] : {std::pair{QStringLiteral("&Clave del grupo:"), m_clave},
                                  std::pair{QStringLiteral("&Descripción o código:"), m_texto},
                                  std::pair{QStringLiteral("&Operador:"), m_operador}}) {
        auto* texto = new QLabel(etiqueta, this);
        texto->setBuddy(caja);
        grupo->addWidget(texto);
        grupo->addWidget(caja, 1);
    }
    auto* fechas = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_conDesde, m_desde, m_conHasta, m_hasta})
        fechas->addWidget(w);
    fechas->addStretch(1);
    fechas->addWidget(buscar);
    auto* filtros = new QVBoxLayout;
    filtros->addLayout(grupo);
    filtros->addLayout(fechas);
    return filtros;
}

void VentanaHistorial::crearTabla()
{
    m_modelo = new ModeloHistorial([this](const QString& error) { mostrarEstado(error); }, this);
    m_tabla = new QTableView(this);
    m_tabla->setObjectName(QStringLiteral("tblCambios"));
    m_tabla->setModel(m_modelo);
    m_tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabla->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tabla->setWordWrap(false);
    m_tabla->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_tabla->horizontalHeader()->setStretchLastSection(true);
    m_tabla->setAccessibleName(QStringLiteral("Cambios del catálogo"));
    const int anchos[] = {140, 110, 70, 70, 200, 110, 130};
    for (int c = 0; c < int(std::size(anchos)); ++c)
        m_tabla->setColumnWidth(c, anchos[c]);
    // The selected change, one field per line: old → new.
    m_detalle = new QPlainTextEdit(this);
    m_detalle->setObjectName(QStringLiteral("txtDetalle"));
    m_detalle->setReadOnly(true);
    m_detalle->setAccessibleName(QStringLiteral("Campos del cambio seleccionado"));
    m_detalle->setMaximumHeight(fontMetrics().lineSpacing() * 9);
    connect(m_tabla->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& actual) {
                const Historial::Cambio* cambio = m_modelo->CambioEn(actual.row());
                m_detalle->setPlainText(cambio ? cambio->campos.join(QLatin1Char('\n')) : QString());
                actualizarBotones();
            });
}

// The verdict on the whole history, on demand: it reads every change, which a long history
// makes slow, so the window does not wait for it to open.
QHBoxLayout* VentanaHistorial::integridadDelHistorial()
{
    m_veredicto = new QLabel(QStringLiteral("Integridad del historial: sin verificar"), this);
    m_veredicto->setObjectName(QStringLiteral("lblVeredicto"));
    m_veredicto->setWordWrap(true);
    m_veredicto->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* verificar = new QPushButton(QStringLiteral("&Verificar integridad"), this);
    verificar->setObjectName(QStringLiteral("cmdVerificar"));
    connect(verificar, &QPushButton::clicked, this, &VentanaHistorial::VerificarIntegridad);
    auto* fila = new QHBoxLayout;
    fila->addWidget(m_veredicto, 1);
    fila->addWidget(verificar);
    return fila;
}

void VentanaHistorial::VerificarIntegridad()
{
    try {
        const auto veredicto =
            VerificacionHistorial::Verificar(*Sesion::Conexion(), Sesion::ConfiguracionActual().motor);
        m_veredicto->setText(veredicto.texto);
        m_veredicto->setStyleSheet(veredicto.integro ? QString() : QStringLiteral("color: #b00020"));
    } catch (const ErrorEjecucion& error) {
        avisar(error.Description(), AccesoDatos::vbCritical);
    }
}

Historial::Filtro VentanaHistorial::Filtro() const
{
    return {m_clave->text(), m_operador->text(), m_conDesde->isChecked() ? m_desde->date() : QDate(),
            m_conHasta->isChecked() ? m_hasta->date() : QDate(), m_texto->text()};
}

void VentanaHistorial::Buscar()
{
    m_alEscribir->stop();
    mostrarEstado({});
    m_modelo->Reiniciar(Filtro());
    if (m_modelo->rowCount() > 0)
        m_tabla->setCurrentIndex(m_modelo->index(0, 0));
    else
        m_detalle->clear();
    if (m_modelo->rowCount() == 0 && m_estado->text().isEmpty()) {
        m_estado->setText(QStringLiteral("Ningún cambio cumple el filtro."));
        m_estado->show();
    }
    actualizarBotones();
}

// Below the table: why the history could not be read, or nothing.
void VentanaHistorial::mostrarEstado(const QString& error)
{
    m_estado->setText(error.isEmpty() ? QString() : QStringLiteral("No se pudo leer el historial: %1").arg(error));
    m_estado->setStyleSheet(error.isEmpty() ? QString() : QStringLiteral("color: #b00020;"));
    m_estado->setVisible(!m_estado->text().isEmpty());
}

const Historial::Cambio* VentanaHistorial::seleccionado() const
{
    return m_modelo->CambioEn(m_tabla->currentIndex().row());
}

// A deletion is restored; any other change is undone.
void VentanaHistorial::actualizarBotones()
{
    const Historial::Cambio* cambio = seleccionado();
    const bool baja = cambio && cambio->operacion == QLatin1String("BAJA");
    m_restaurar->setEnabled(baja);
    m_deshacer->setEnabled(cambio && !baja);
}

void VentanaHistorial::restaurar()
{
    reorganizar(&Reorganizacion::Restaurar);
}

void VentanaHistorial::deshacer()
{
    reorganizar(&Reorganizacion::Deshacer);
}

void VentanaHistorial::reorganizar(bool (*accion)(Connection&, Utilerias&, qint64, QString*, QString*))
{
    const Historial::Cambio* cambio = seleccionado();
    if (!cambio)
        return;
    QString error, clave;
    try {
        UtileriasKes utilerias(std::make_unique<AccesoDatosKes>());
        if (accion(*Sesion::Conexion(), utilerias, cambio->id, &error, &clave)) {
            Buscar();
            emit CatalogoCambiado(clave);
            return;
        }
    } catch (const ErrorEjecucion& e) {
        error = e.Description();
    }
    avisar(error, AccesoDatos::vbExclamation);
}

bool VentanaHistorial::Exportar(const QString& archivo, char separador, QString* error) const
{
    return Exportar(Filtro(), archivo, separador, error) >= 0;
}

int VentanaHistorial::Exportar(const Historial::Filtro& filtro, const QString& archivo, char separador, QString* error)
{
    QList<QStringList> filas;
    try {
        for (const Historial::Cambio& cambio : Historial::Leer(*Sesion::Conexion(), filtro, 0, INT_MAX))
            filas << columnasDe(cambio, u'\n');
    } catch (const ErrorEjecucion& e) {
        *error = e.Description();
        return -1;
    }
    return CatalogoCsv::Escribir(archivo, kEncabezados, filas, separador, error) ? int(filas.size()) : -1;
}

void VentanaHistorial::exportarConDialogo()
{
    char separador = Csv::kComa;
    const QString archivo =
        DialogoCsv::Guardar(this, QStringLiteral("Exportar el historial"), QStringLiteral("historial"), &separador);
    if (archivo.isEmpty())
        return;
    QString error;
    if (Exportar(archivo, separador, &error))
        avisar(QStringLiteral("El historial que se muestra quedó en %1").arg(archivo), AccesoDatos::vbInformation);
    else
        avisar(error, AccesoDatos::vbCritical);
}

void VentanaHistorial::avisar(const QString& texto, long estilo)
{
    AccesoDatosKes().Mensaje(texto, estilo, windowTitle(), qintptr(winId()), QStringLiteral("Kestrima"), QString());
}
