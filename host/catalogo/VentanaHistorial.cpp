#include "VentanaHistorial.h"

#include "AccesoDatosKes.h"
#include "CatalogoCsv.h"
#include "Csv.h"
#include "DialogoCsv.h"
#include "ErrorEjecucion.h"
#include "Sesion.h"

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
#include <QTableView>
#include <QVBoxLayout>
#include <climits>

namespace {

const QStringList kEncabezados{
    QStringLiteral("Fecha"),    QStringLiteral("Operación"),          QStringLiteral("Clave"),
    QStringLiteral("Operador"), QStringLiteral("Usuario de la base"), QStringLiteral("Cambios")};
constexpr int kPagina = 200;

// A change as a row: in the table its fields on one line, in a file one per line.
QStringList columnasDe(const Historial::Cambio& c, QChar entreCampos)
{
    return {
        c.fecha,       Historial::NombreDeOperacion(c.operacion),
        c.clave,       c.operador,
        c.usuarioBase, c.campos.join(entreCampos == QLatin1Char(';') ? QStringLiteral("; ") : QString(entreCampos))};
}

}  // namespace

// The changes read so far; the next page is read when the view reaches the end.
class ModeloHistorial : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

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
        return padre.isValid() ? 0 : int(kEncabezados.size());
    }

    QVariant data(const QModelIndex& indice, int rol) const override
    {
        if (!indice.isValid() || (rol != Qt::DisplayRole && rol != Qt::ToolTipRole))
            return {};
        return columnasDe(m_cambios[indice.row()], rol == Qt::DisplayRole ? u';' : u'\n').value(indice.column());
    }

    const Historial::Cambio* CambioEn(int fila) const
    {
        return fila >= 0 && fila < m_cambios.size() ? &m_cambios[fila] : nullptr;
    }

    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol) const override
    {
        if (orientacion == Qt::Horizontal && rol == Qt::DisplayRole)
            return kEncabezados.value(seccion);
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
            AccesoDatosKes().Mensaje(error.Description(), AccesoDatos::vbCritical,
                                     QStringLiteral("Historial de cambios"), 0, QStringLiteral("Kestrima"), QString());
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
    Historial::Filtro m_filtro;
    QList<Historial::Cambio> m_cambios;
    bool m_hayMas = false;
};

VentanaHistorial::VentanaHistorial(const QString& clave, QWidget* padre)
    : QDialog(padre)
{
    setObjectName(QStringLiteral("VentanaHistorial"));
    setWindowTitle(QStringLiteral("Historial de cambios"));
    m_clave = new QLineEdit(clave, this);
    m_clave->setObjectName(QStringLiteral("txtClave"));
    m_clave->setPlaceholderText(QStringLiteral("todos los grupos"));
    m_operador = new QLineEdit(this);
    m_operador->setObjectName(QStringLiteral("txtOperador"));
    m_operador->setPlaceholderText(QStringLiteral("todos los operadores"));
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
    connect(buscar, &QPushButton::clicked, this, &VentanaHistorial::Buscar);
    for (QLineEdit* caja : {m_clave, m_operador})
        connect(caja, &QLineEdit::returnPressed, this, &VentanaHistorial::Buscar);

    auto* filtros = new QHBoxLayout;
    for (auto [etiqueta, caja] : {std::pair{QStringLiteral("&Clave del grupo:"), m_clave},
                                  std::pair{QStringLiteral("&Operador:"), m_operador}}) {
        auto* texto = new QLabel(etiqueta, this);
        texto->setBuddy(caja);
        filtros->addWidget(texto);
        filtros->addWidget(caja);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{m_conDesde, m_desde, m_conHasta, m_hasta, buscar})
        filtros->addWidget(w);

    m_modelo = new ModeloHistorial(this);
    m_tabla = new QTableView(this);
    m_tabla->setObjectName(QStringLiteral("tblCambios"));
    m_tabla->setModel(m_modelo);
    m_tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabla->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tabla->setWordWrap(false);
    m_tabla->verticalHeader()->hide();
    m_tabla->horizontalHeader()->setStretchLastSection(true);
    m_tabla->setAccessibleName(QStringLiteral("Cambios del catálogo"));
    for (int c = 0; c < 5; ++c)
        m_tabla->setColumnWidth(c, c == 0 ? 150 : c == 1 ? 120 : 130);
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
            });

    auto* botones = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* exportar = botones->addButton(QStringLiteral("&Exportar a CSV…"), QDialogButtonBox::ActionRole);
    exportar->setObjectName(QStringLiteral("cmdExportar"));
    connect(exportar, &QPushButton::clicked, this, &VentanaHistorial::exportarConDialogo);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* disposicion = new QVBoxLayout(this);
    disposicion->addLayout(filtros);
    disposicion->addWidget(m_tabla);
    disposicion->addWidget(m_detalle);
    disposicion->addWidget(botones);
    resize(980, 520);
    Buscar();
}

Historial::Filtro VentanaHistorial::Filtro() const
{
    return {m_clave->text(), m_operador->text(), m_conDesde->isChecked() ? m_desde->date() : QDate(),
            m_conHasta->isChecked() ? m_hasta->date() : QDate()};
}

void VentanaHistorial::Buscar()
{
    m_modelo->Reiniciar(Filtro());
    if (m_modelo->rowCount() > 0)
        m_tabla->setCurrentIndex(m_modelo->index(0, 0));
    else
        m_detalle->clear();
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
