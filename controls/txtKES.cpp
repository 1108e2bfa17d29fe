#include "txtKES.h"

#include "Ado.h"
#include "Alineacion.h"
#include "LiteralSql.h"
#include "PropiedadesDeLetra.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QScopedValueRollback>
#include <QValidator>
#include <algorithm>

namespace {

// The box's maximum length, applied to the user's edits only. QLineEdit's own maxLength
// also cuts text set by code; a validator sees every change, and the box's modified flag
// (reset by setText, set by each edit of the user's) tells the two apart. An edit that would
// pass the limit keeps as much of what it inserted as fits, as QLineEdit's limit does.
class LimiteDeLargo : public QValidator
{
public:
    LimiteDeLargo(const QLineEdit* caja, QObject* padre)
        : QValidator(padre)
        , m_caja(caja)
    {}

    int limite = 32767;

    State validate(QString& texto, int& cursor) const override
    {
        // A text that is already longer (set by code) may shrink but not grow.
        const qsizetype tope = std::max<qsizetype>(limite, m_anterior.size());
        if (m_caja->isModified() && texto.size() > tope) {
            QuitarLoQueSobra(texto, cursor, texto.size() - tope);
            // Nothing of the edit fits: refused whole, so the box raises no change at all.
            if (texto == m_anterior)
                return Invalid;
        }
        m_anterior = texto;
        return Acceptable;
    }

private:
    // The inserted text ends at the cursor: its tail goes, never half a surrogate pair.
    static void QuitarLoQueSobra(QString& texto, int& cursor, qsizetype sobra)
    {
        qsizetype desde = std::max<qsizetype>(0, cursor - sobra);
        if (desde > 0 && desde < texto.size() && texto.at(desde).isLowSurrogate())
            --desde;
        texto.remove(desde, cursor - desde);
        cursor = int(desde);
    }

    const QLineEdit* m_caja;
    // The text as the last change left it: every change passes through validate.
    mutable QString m_anterior;
};

// The number the text starts with, read as the classic Val does: blanks are skipped, a
// sign, digits, a decimal point and an exponent are taken while they make a number, and
// whatever follows is ignored ("12abc" is 12, "abc" is 0).
double ValorNumerico(const QString& texto)
{
    QString limpio;
    limpio.reserve(texto.size());
    for (QChar c : texto)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            limpio.append(c);

    qsizetype i = 0;
    const qsizetype n = limpio.size();
    auto esDigito = [&](qsizetype k) {
        return k < n && limpio.at(k) >= QLatin1Char('0') && limpio.at(k) <= QLatin1Char('9');
    };
    if (i < n && (limpio.at(i) == QLatin1Char('+') || limpio.at(i) == QLatin1Char('-')))
        ++i;
    bool hayDigitos = false;
    while (esDigito(i)) {
        ++i;
        hayDigitos = true;
    }
    if (i < n && limpio.at(i) == QLatin1Char('.')) {
        ++i;
        while (esDigito(i)) {
            ++i;
            hayDigitos = true;
        }
    }
    if (!hayDigitos)
        return 0.0;
    qsizetype fin = i;
    if (i < n && QStringLiteral("eEdD").contains(limpio.at(i))) {
        qsizetype j = i + 1;
        if (j < n && (limpio.at(j) == QLatin1Char('+') || limpio.at(j) == QLatin1Char('-')))
            ++j;
        if (esDigito(j)) {
            while (esDigito(j))
                ++j;
            fin = j;
        }
    }
    QString numero = limpio.left(fin);
    numero.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    if (numero.endsWith(QLatin1Char('.')))
        numero.chop(1);
    bool correcto = false;
    const double valor = QLocale::c().toDouble(numero, &correcto);
    return correcto ? valor : 0.0;
}

// The statement with every placeholder as a bare "?": the lookup statements are written
// with the value's place quoted ('?'), which must become a bound parameter, not a literal.
// Quotes inside other literals are left alone.
QString SentenciaConParametros(const QString& sql, int& parametros)
{
    QString resultado;
    resultado.reserve(sql.size());
    parametros = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (QStringView(sql).sliced(i).startsWith(u"'?'")) {
            resultado.append(QLatin1Char('?'));
            ++parametros;
            i += 2;
        } else if (c == QLatin1Char('\'')) {
            const qsizetype cierre = LiteralSql::Cierre(sql, i);
            const qsizetype fin = cierre < 0 ? sql.size() : cierre + 1;
            resultado.append(QStringView(sql).sliced(i, fin - i));
            i = fin - 1;
        } else {
            if (c == QLatin1Char('?'))
                ++parametros;
            resultado.append(c);
        }
    }
    return resultado;
}

}  // namespace

txtKES::txtKES(QWidget* padre)
    : QLineEdit(padre)
    , m_limite(new LimiteDeLargo(this, this))
{
    setValidator(m_limite);
    // textEdited comes just before the textChanged of the same edit; a textChanged without
    // it was set by code.
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_editado = m_cambioDelUsuario = true;
        emit Change();
    });
    connect(this, &QLineEdit::textChanged, this, &txtKES::TextoCambiado);
}

void txtKES::TextoCambiado()
{
    const bool delUsuario = m_cambioDelUsuario;
    m_cambioDelUsuario = false;
    Consultar();
    // Text set by code is settled at once; the user's is when the edit ends.
    if (!delUsuario) {
        m_editado = false;
        emit Validate();
    }
}

bool txtKES::locked() const
{
    return isReadOnly();
}

void txtKES::setLocked(bool bloqueado)
{
    setReadOnly(bloqueado);
    ActualizarFondo();
}

int txtKES::maxLength() const
{
    return static_cast<const LimiteDeLargo*>(m_limite)->limite;
}

void txtKES::setMaxLength(int largo)
{
    static_cast<LimiteDeLargo*>(m_limite)->limite = std::max(0, largo);
}

bool txtKES::tabonenter() const
{
    return m_tabonenter;
}

void txtKES::setTabonenter(bool mover)
{
    m_tabonenter = mover;
}

bool txtKES::subrayar() const
{
    return font().underline();
}

void txtKES::setSubrayar(bool subrayar)
{
    CambiarLetra(*this, &QFont::setUnderline, subrayar);
}

int txtKES::alineacion() const
{
    return Alineacion::Guardada(alignment());
}

void txtKES::setAlineacion(int alineacion)
{
    setAlignment(Alineacion::AQt(alineacion));
}

QColor txtKES::enabledcolor() const
{
    return m_enabledcolor;
}

void txtKES::setEnabledcolor(const QColor& color)
{
    m_enabledcolor = color;
    ActualizarFondo();
}

void txtKES::setColoresEsquema(const QColor& deshabilitado, const QColor& conFoco)
{
    if (deshabilitado.isValid())
        m_disabledcolor = deshabilitado;
    if (conFoco.isValid())
        m_focuscolor = conFoco;
    ActualizarFondo();
}

QString txtKES::sql() const
{
    return m_sql;
}

void txtKES::setSql(const QString& sentencia)
{
    m_sql = sentencia;
}

QString txtKES::sql_control_resultado() const
{
    return m_sqlControlResultado;
}

void txtKES::setSql_control_resultado(const QString& nombreControl)
{
    m_sqlControlResultado = nombreControl;
}

double txtKES::Valor() const
{
    return ValorNumerico(text());
}

void txtKES::setValor(double valor)
{
    setText(QString::number(valor, 'g', 15));
}

bool txtKES::TabStop() const
{
    return m_tabStop;
}

void txtKES::setTabStop(bool parar)
{
    if (parar == m_tabStop)
        return;
    m_tabStop = parar;
    if (!parar) {
        m_politicaFoco = focusPolicy() == Qt::NoFocus ? Qt::StrongFocus : focusPolicy();
        setFocusPolicy(Qt::NoFocus);
    } else {
        setFocusPolicy(m_politicaFoco);
    }
}

void txtKES::setProveedorConexion(ProveedorConexion proveedor)
{
    m_proveedorConexion = std::move(proveedor);
}

bool txtKES::event(QEvent* evento)
{
    // Tab moves the focus before keyPressEvent is reached; the edit ends first, so that a
    // Validate handler can change which boxes the tab key stops in.
    if (evento->type() == QEvent::KeyPress) {
        auto* tecla = static_cast<QKeyEvent*>(evento);
        if ((tecla->key() == Qt::Key_Tab || tecla->key() == Qt::Key_Backtab)
            && !(tecla->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            ComprobarValidate();
    }
    return QLineEdit::event(evento);
}

void txtKES::keyPressEvent(QKeyEvent* evento)
{
    if (evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter) {
        ComprobarValidate();
        if (m_tabonenter) {
            focusNextChild();
            evento->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(evento);
}

void txtKES::focusInEvent(QFocusEvent* evento)
{
    QLineEdit::focusInEvent(evento);
    ActualizarFondo();
}

void txtKES::focusOutEvent(QFocusEvent* evento)
{
    QLineEdit::focusOutEvent(evento);
    // A menu that opens, or another window that comes to the front, does not end the edit:
    // the focus comes back here.
    const bool vuelve = evento->reason() == Qt::PopupFocusReason || evento->reason() == Qt::ActiveWindowFocusReason;
    if (!vuelve)
        ComprobarValidate();
    ActualizarFondo();
}

void txtKES::changeEvent(QEvent* evento)
{
    QLineEdit::changeEvent(evento);
    if (evento->type() == QEvent::EnabledChange || evento->type() == QEvent::ReadOnlyChange)
        ActualizarFondo();
}

// An edit that changed the text ends in Validate even when it typed the same text again:
// Change ran for each keystroke, and what answers it expects the settled text next.
void txtKES::ComprobarValidate()
{
    if (!m_editado)
        return;
    m_editado = false;
    emit Validate();
}

// Disabled and locked boxes show the disabled colour, a box being typed in the focus
// colour, any other the enabled colour; a colour nobody set leaves the style's own.
void txtKES::ActualizarFondo()
{
    QColor fondo;
    if (!isEnabled() || isReadOnly())
        fondo = m_disabledcolor;
    else if (hasFocus() && m_focuscolor.isValid())
        fondo = m_focuscolor;
    else
        fondo = m_enabledcolor;
    if (!fondo.isValid())
        fondo = QApplication::palette(this).color(QPalette::Base);
    if (palette().color(QPalette::Base) == fondo)
        return;
    QPalette paleta = palette();
    paleta.setColor(QPalette::Base, fondo);
    setPalette(paleta);
}

void txtKES::Consultar()
{
    if (m_consultando || m_sql.isEmpty() || m_sqlControlResultado.isEmpty() || !m_proveedorConexion)
        return;
    const QScopedValueRollback<bool> consultando(m_consultando, true);
    QString valor;
    try {
        Connection* conexion = m_proveedorConexion();
        if (!conexion)
            return;
        int parametros = 0;
        const QString sentencia = SentenciaConParametros(m_sql, parametros);
        std::unique_ptr<Recordset> registros = conexion->Execute(sentencia, QVariantList(parametros, text()));
        if (!registros->Eof())
            valor = registros->Fields(0).toString();
        registros->Close();
    } catch (const std::exception& error) {
        qWarning("txtKES %s: la consulta de %s falló: %s", qPrintable(objectName()), qPrintable(m_sqlControlResultado),
                 error.what());
        valor.clear();
    }
    MostrarResultado(valor);
}

void txtKES::MostrarResultado(const QString& valor)
{
    QWidget* destino = window()->findChild<QWidget*>(m_sqlControlResultado);
    if (!destino && window()->objectName() == m_sqlControlResultado)
        destino = window();
    if (!destino) {
        qWarning("txtKES %s: no hay un control %s para el resultado", qPrintable(objectName()),
                 qPrintable(m_sqlControlResultado));
        return;
    }
    for (const char* propiedad : {"text", "caption"}) {
        if (destino->metaObject()->indexOfProperty(propiedad) >= 0) {
            destino->setProperty(propiedad, valor);
            return;
        }
    }
    qWarning("txtKES %s: el control %s no muestra texto", qPrintable(objectName()), qPrintable(m_sqlControlResultado));
}
