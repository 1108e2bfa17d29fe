#include "ConexionPrueba.h"

#include "ErrorEjecucion.h"

#include <sqlite3.h>

namespace {

class RegistrosPrueba : public Recordset
{
public:
    QStringList columnas;
    QList<QVariantList> filas;
    qsizetype actual = 0;
    bool cerrado = false;

    bool Bof() const override { return filas.isEmpty(); }
    bool Eof() const override { return cerrado || actual >= filas.size(); }
    void MoveNext() override { ++actual; }
    void Close() override { cerrado = true; }
    QVariant Fields(const QString& columna) const override
    {
        if (Eof())
            throw ErrorEjecucion(QStringLiteral("No hay registro actual"));
        for (qsizetype i = 0; i < columnas.size(); ++i)
            if (columnas.at(i).compare(columna, Qt::CaseInsensitive) == 0)
                return filas.at(actual).at(i);
        throw ErrorEjecucion(QStringLiteral("No existe la columna ") + columna);
    }
};

} // namespace

ConexionPrueba::ConexionPrueba(const QString& archivo)
{
    if (sqlite3_open(archivo.toUtf8().constData(), &m_base) != SQLITE_OK)
        throw ErrorEjecucion(QString::fromUtf8(sqlite3_errmsg(m_base)));
}

ConexionPrueba::~ConexionPrueba()
{
    sqlite3_close(m_base);
}

std::unique_ptr<Recordset> ConexionPrueba::Execute(const QString& sql, long)
{
    return Execute(sql, QVariantList());
}

std::unique_ptr<Recordset> ConexionPrueba::Execute(const QString& sql, const QVariantList& parametros)
{
    sentencias.append(sql);
    sqlite3_stmt* sentencia = nullptr;
    const QByteArray texto = sql.toUtf8();
    if (sqlite3_prepare_v2(m_base, texto.constData(), int(texto.size()), &sentencia, nullptr) != SQLITE_OK)
        throw ErrorEjecucion(QString::fromUtf8(sqlite3_errmsg(m_base)));
    if (sqlite3_bind_parameter_count(sentencia) != parametros.size()) {
        sqlite3_finalize(sentencia);
        throw ErrorEjecucion(QStringLiteral("Número de parámetros incorrecto"));
    }
    for (int i = 0; i < parametros.size(); ++i) {
        const QByteArray valor = parametros.at(i).toString().toUtf8();
        sqlite3_bind_text(sentencia, i + 1, valor.constData(), int(valor.size()), SQLITE_TRANSIENT);
    }
    auto registros = std::make_unique<RegistrosPrueba>();
    for (int c = 0; c < sqlite3_column_count(sentencia); ++c)
        registros->columnas.append(QString::fromUtf8(sqlite3_column_name(sentencia, c)));
    int paso;
    while ((paso = sqlite3_step(sentencia)) == SQLITE_ROW) {
        QVariantList fila;
        for (int c = 0; c < registros->columnas.size(); ++c) {
            if (sqlite3_column_type(sentencia, c) == SQLITE_NULL)
                fila.append(QVariant());
            else
                fila.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(sentencia, c))));
        }
        registros->filas.append(fila);
    }
    const QString error = QString::fromUtf8(sqlite3_errmsg(m_base));
    sqlite3_finalize(sentencia);
    if (paso != SQLITE_DONE)
        throw ErrorEjecucion(error);
    return registros;
}

void ConexionPrueba::BeginTrans()
{
    Execute(QStringLiteral("BEGIN"));
    m_enTransaccion = true;
}

void ConexionPrueba::CommitTrans()
{
    Execute(QStringLiteral("COMMIT"));
    m_enTransaccion = false;
}

void ConexionPrueba::RollbackTrans()
{
    Execute(QStringLiteral("ROLLBACK"));
    m_enTransaccion = false;
}

bool ConexionPrueba::EnTransaccion() const
{
    return m_enTransaccion;
}
