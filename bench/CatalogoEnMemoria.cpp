#include "CatalogoEnMemoria.h"

#include <QTreeWidget>
#include <algorithm>
#include <libpq-fe.h>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace {

const QString kRaiz = QStringLiteral("0");

[[noreturn]] void fallar(sqlite3* base, const char* que)
{
    throw std::runtime_error(std::string(que) + ": " + sqlite3_errmsg(base));
}

int columna(sqlite3_stmt* sentencia, const char* nombre)
{
    for (int i = 0; i < sqlite3_column_count(sentencia); ++i) {
        if (sqlite3_stricmp(sqlite3_column_name(sentencia, i), nombre) == 0)
            return i;
    }
    throw std::runtime_error(std::string("falta la columna ") + nombre);
}

QString texto(sqlite3_stmt* sentencia, int i)
{
    const auto* datos = reinterpret_cast<const char*>(sqlite3_column_text(sentencia, i));
    return datos ? QString::fromUtf8(datos, sqlite3_column_bytes(sentencia, i)) : QString();
}

struct Sentencia
{
    sqlite3_stmt* s = nullptr;
    ~Sentencia() { sqlite3_finalize(s); }
};

bool digitos(QStringView texto, qsizetype& i)
{
    const qsizetype inicio = i;
    while (i < texto.size() && texto[i].isDigit())
        ++i;
    return i > inicio;
}

void blancos(QStringView texto, qsizetype& i)
{
    while (i < texto.size() && texto[i].isSpace())
        ++i;
}

}  // namespace

CatalogoEnMemoria CatalogoEnMemoria::Leer(sqlite3* base)
{
    Sentencia sentencia;
    if (sqlite3_prepare_v2(base, "SELECT * FROM Grupo_Cuenta_Contable", -1, &sentencia.s, nullptr) != SQLITE_OK)
        fallar(base, "SELECT *");
    const int cClave = columna(sentencia.s, "Gcc_Cve_Grupo_Cuenta_Contable");
    const int cDescripcion = columna(sentencia.s, "Gcc_Descripcion");
    const int cCodigo = columna(sentencia.s, "Gcc_Codigo");
    const int cPadre = columna(sentencia.s, "Gcc_Padre");

    CatalogoEnMemoria catalogo;
    int paso;
    while ((paso = sqlite3_step(sentencia.s)) == SQLITE_ROW) {
        Fila fila;
        fila.clave = texto(sentencia.s, cClave);
        fila.descripcion = texto(sentencia.s, cDescripcion);
        fila.codigoNulo = sqlite3_column_type(sentencia.s, cCodigo) == SQLITE_NULL;
        fila.codigo = texto(sentencia.s, cCodigo);
        fila.padre = texto(sentencia.s, cPadre);
        catalogo.m_filas.push_back(std::move(fila));
    }
    if (paso != SQLITE_DONE)
        fallar(base, "SELECT *");
    catalogo.Indexar();
    return catalogo;
}

CatalogoEnMemoria CatalogoEnMemoria::Leer(pg_conn* conexion)
{
    const std::unique_ptr<PGresult, decltype(&PQclear)> r(PQexec(conexion, "SELECT * FROM Grupo_Cuenta_Contable"),
                                                          &PQclear);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw std::runtime_error(std::string("SELECT *: ") + PQerrorMessage(conexion));
    const auto columnaPg = [&](const char* nombre) {
        const int i = PQfnumber(r.get(), nombre);
        if (i < 0)
            throw std::runtime_error(std::string("falta la columna ") + nombre);
        return i;
    };
    const int cClave = columnaPg("gcc_cve_grupo_cuenta_contable"), cDescripcion = columnaPg("gcc_descripcion"),
              cCodigo = columnaPg("gcc_codigo"), cPadre = columnaPg("gcc_padre");
    const auto textoPg = [&](int fila, int i) {
        return QString::fromUtf8(PQgetvalue(r.get(), fila, i), PQgetlength(r.get(), fila, i));
    };
    CatalogoEnMemoria catalogo;
    const int filas = PQntuples(r.get());
    catalogo.m_filas.reserve(size_t(filas));
    for (int f = 0; f < filas; ++f) {
        Fila fila;
        fila.clave = textoPg(f, cClave);
        fila.descripcion = textoPg(f, cDescripcion);
        fila.codigoNulo = PQgetisnull(r.get(), f, cCodigo);
        fila.codigo = textoPg(f, cCodigo);
        fila.padre = textoPg(f, cPadre);
        catalogo.m_filas.push_back(std::move(fila));
    }
    catalogo.Indexar();
    return catalogo;
}

// The screen asks for each parent's children ordered by key; the table is read in no
// particular order, so each list of children is sorted once.
void CatalogoEnMemoria::Indexar()
{
    m_hijos.reserve(m_filas.size());
    for (int i = 0; i < int(m_filas.size()); ++i)
        m_hijos[m_filas[size_t(i)].padre].push_back(i);
    for (auto& [padre, hijos] : m_hijos) {
        std::sort(hijos.begin(), hijos.end(),
                  [this](int a, int b) { return m_filas[size_t(a)].clave < m_filas[size_t(b)].clave; });
    }
}

const std::vector<int>* CatalogoEnMemoria::Hijos(const QString& clave) const
{
    const auto encontrados = m_hijos.find(clave);
    return encontrados == m_hijos.end() ? nullptr : &encontrados->second;
}

void CatalogoEnMemoria::LlenarArbol(QTreeWidget& arbol, const Iconos& iconos) const
{
    arbol.clear();
    auto* raiz = new QTreeWidgetItem;
    raiz->setText(0, QStringLiteral("/"));
    raiz->setIcon(0, iconos[2]);
    arbol.addTopLevelItem(raiz);
    AgregarHijos(raiz, kRaiz, iconos);
}

void CatalogoEnMemoria::AgregarHijos(QTreeWidgetItem* nodo, const QString& clave, const Iconos& iconos) const
{
    const std::vector<int>* hijos = Hijos(clave);
    if (!hijos)
        return;
    for (const int i : *hijos) {
        const Fila& fila = m_filas[size_t(i)];
        const int imagen = Imagen(fila.padre, fila.clave);
        auto* hijo = new QTreeWidgetItem;
        hijo->setText(0, imagen == 3 ? fila.descripcion : fila.codigo + QStringLiteral(" - ") + fila.descripcion);
        hijo->setIcon(0, iconos[size_t(imagen - 1)]);
        nodo->addChild(hijo);
        AgregarHijos(hijo, fila.clave, iconos);
    }
}

QString CatalogoEnMemoria::Listado() const
{
    QString listado;
    ListarHijos(listado, kRaiz, 0);
    return listado;
}

void CatalogoEnMemoria::ListarHijos(QString& listado, const QString& clave, int nivel) const
{
    const std::vector<int>* hijos = Hijos(clave);
    if (!hijos)
        return;
    for (const int i : *hijos) {
        const Fila& fila = m_filas[size_t(i)];
        listado += QString(nivel, QLatin1Char('\t'));
        if (fila.codigoNulo || !fila.codigo.isEmpty()) {
            listado += fila.codigo;
            listado += QLatin1String(" - ");
        }
        listado += fila.descripcion;
        listado += QLatin1String("\r\n");
        ListarHijos(listado, fila.clave, nivel + 1);
    }
}

int CatalogoEnMemoria::Imagen(const QString& padre, const QString& clave)
{
    if (padre == kRaiz)
        return 3;
    const bool claveNumerica = EsNumero(clave);
    if (claveNumerica && !EsNumero(padre))
        return 2;
    return claveNumerica ? 4 : 3;
}

bool CatalogoEnMemoria::EsNumero(QStringView texto)
{
    qsizetype i = 0;
    blancos(texto, i);
    if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-')) {
        ++i;
        blancos(texto, i);
    }
    const bool entera = digitos(texto, i);
    bool fraccion = false;
    if (i < texto.size() && texto[i] == u'.') {
        ++i;
        fraccion = digitos(texto, i);
    }
    if (!entera && !fraccion)
        return false;
    if (i < texto.size() && (texto[i] == u'e' || texto[i] == u'E')) {
        ++i;
        if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-'))
            ++i;
        if (!digitos(texto, i))
            return false;
    }
    blancos(texto, i);
    return i == texto.size();
}
