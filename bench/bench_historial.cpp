// The catalogue beyond its screen, each figure beside its target in the same run:
//   Historial/Grupo/100000, Historial/Todos/100000
//                        the history window opened and drawn on 100,000 history rows, on one
//                        group's changes and on everyone's; target: under one second;
//   Importar/LineaBase/10000, Importar/Csv/10000
//                        a bare prepared insert of 10,000 groups in one transaction, and the
//                        import of the same groups from CSV (read, checked, inserted and each
//                        registered as a change); target: at most twice the yardstick;
//   ImportarPostgres/... the same on the PostgreSQL server of TQ614_PG_* (libpq's prepared
//                        insert as the yardstick), when there is one.
// Both imports start on an empty catalogue each time, with the history triggers in place.

#include "AccesoDatosKes.h"
#include "CatalogoCsv.h"
#include "ConexionSqlite.h"
#include "Esquema.h"
#include "GeneradorCatalogo.h"
#include "Sesion.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <libpq-fe.h>
#include <optional>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <stdexcept>

namespace {

constexpr int kGrupos = 10000;
constexpr int kHistorial = 100000;

std::string Utf8(const QString& texto)
{
    return texto.toStdString();
}

std::optional<Sesion::Configuracion> PostgresDelEntorno()
{
    if (qEnvironmentVariableIsEmpty("TQ614_PG_HOST"))
        return std::nullopt;
    Sesion::Configuracion c;
    c.motor = Sesion::Configuracion::PostgreSQL;
    c.servidor = qEnvironmentVariable("TQ614_PG_HOST");
    c.puerto = qEnvironmentVariableIntValue("TQ614_PG_PORT");
    c.usuario = qEnvironmentVariable("TQ614_PG_USUARIO");
    c.base = qEnvironmentVariable("TQ614_PG_BASE");
    c.esquema = QStringLiteral("bench_historial_%1").arg(getpid());
    return c;
}

// The rows of the generated catalogue as the import writes them (the columns a file of
// the editor's five leaves out, filled as the editor fills them).
std::vector<QVariantList> Filas()
{
    std::vector<QVariantList> filas;
    const GeneradorCatalogo catalogo(kGrupos);
    for (const auto& g : catalogo.Grupos())
        filas.push_back({g.clave, g.descripcion, g.codigo, g.padre, g.nivel, QString(), QString(), 0, 0,
                         QStringLiteral("01/02/2026"), QStringLiteral("01/02/2026"), QStringLiteral("BANCO"),
                         QStringLiteral("BANCO"), QStringLiteral("2026-02-01 10:00:00"),
                         QStringLiteral("2026-02-01 10:00:00"), QStringLiteral("AC")});
    return filas;
}

const QString kInsercion = QStringLiteral(
    "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, Gcc_Padre, "
    "Gcc_Nivel, Gcc_UserDef_1, Gcc_UserDef_2, Gcc_UserDef_3, Gcc_UserDef_4, Gcc_UserDef_5, Gcc_UserDef_6, Oper_Alta, "
    "Oper_Ult_Modif, Fecha_Alta, Fecha_Ult_Modif, Es_Cve_Estado) VALUES (%1)");

class Entorno
{
public:
    explicit Entorno(std::optional<Sesion::Configuracion> postgres)
        : m_postgres(std::move(postgres))
        , m_filas(Filas())
    {
        if (!m_carpeta.isValid())
            throw std::runtime_error("no se pudo crear la carpeta temporal");
        // The file every import reads: the generated groups, by the export itself.
        Sesion::Configuracion c = Sqlite(QStringLiteral("origen"));
        Sesion::Configurar(c);
        LineaBaseSqlite(c);
        QString error;
        if (CatalogoCsv::Exportar(*Sesion::Conexion(), Csv(), ',', &error) != kGrupos)
            throw std::runtime_error(Utf8(error));
        // The history: an insert per group, then nine changes of every group.
        Sesion::Configurar(m_historial = Sqlite(QStringLiteral("historial")));
        CatalogoCsv::Importacion importacion;
        UtileriasKes util(std::make_unique<AccesoDatosKes>());
        if (!importacion.Revisar(Csv(), *Sesion::Conexion()) || !importacion.Escribir(*Sesion::Conexion(), util))
            throw std::runtime_error(Utf8(importacion.TextosDeError().join(QLatin1Char('\n'))));
        for (int i = 1; i < kHistorial / kGrupos; ++i)
            Sesion::Conexion()->Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = "
                                                       "Gcc_Descripcion || '.'"));
    }

    ~Entorno()
    {
        Sesion::Cerrar();
        if (m_postgres && m_esquemaCreado)
            Libpq("DROP SCHEMA IF EXISTS " + Utf8(m_postgres->esquema) + " CASCADE");
    }

    QString Csv() const { return m_carpeta.filePath(QStringLiteral("catalogo.csv")); }
    const Sesion::Configuracion& BaseConHistorial() const { return m_historial; }
    const std::vector<QVariantList>& Grupos() const { return m_filas; }
    bool HayPostgres() const { return m_postgres.has_value(); }

    // A new empty catalogue with the schema of the services.
    Sesion::Configuracion Sqlite(const QString& nombre)
    {
        Sesion::Configuracion c;
        c.archivo = m_carpeta.filePath(nombre + QStringLiteral("-%1.db").arg(++m_bases));
        c.operador = QStringLiteral("BANCO");
        Sesion::Configurar(c);
        Sesion::Conexion();
        Sesion::Cerrar();
        return c;
    }

    // The server's schema, emptied of groups, history and change log.
    Sesion::Configuracion Postgres()
    {
        if (!m_esquemaCreado) {
            Libpq("CREATE SCHEMA " + Utf8(m_postgres->esquema));
            m_esquemaCreado = true;
            Sesion::Configurar(*m_postgres);
            Sesion::PrepararServidor();  // as the database's owner
        }
        Sesion::Configurar(*m_postgres);
        for (const char* tabla : {"Grupo_Cuenta_Contable", "Kes_Historial", "Kes_Bitacora", "Kes_Clave_Retirada"})
            Sesion::Conexion()->Execute(QStringLiteral("TRUNCATE %1").arg(QLatin1String(tabla)));
        return *m_postgres;
    }

    // The yardstick on SQLite: one prepared insert, every group bound and stepped, one commit.
    double LineaBaseSqlite(const Sesion::Configuracion& c) const
    {
        sqlite3* base = nullptr;
        sqlite3_open(Utf8(c.archivo).c_str(), &base);
        ConexionSqlite::RegistrarFuncionesDeSesion(base, c.operador);
        sqlite3_exec(base, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        QElapsedTimer reloj;
        reloj.start();
        sqlite3_stmt* insercion = nullptr;
        const std::string sql = Utf8(kInsercion.arg(QStringLiteral("?, ").repeated(15) + QLatin1Char('?')));
        sqlite3_prepare_v2(base, sql.c_str(), -1, &insercion, nullptr);
        sqlite3_exec(base, "BEGIN", nullptr, nullptr, nullptr);
        for (const QVariantList& fila : m_filas) {
            for (int i = 0; i < fila.size(); ++i) {
                const QByteArray texto = fila[i].toString().toUtf8();
                if (fila[i].typeId() == QMetaType::Int)
                    sqlite3_bind_int(insercion, i + 1, fila[i].toInt());
                else
                    sqlite3_bind_text(insercion, i + 1, texto.constData(), int(texto.size()), SQLITE_TRANSIENT);
            }
            if (sqlite3_step(insercion) != SQLITE_DONE)
                throw std::runtime_error(sqlite3_errmsg(base));
            sqlite3_reset(insercion);
        }
        sqlite3_exec(base, "COMMIT", nullptr, nullptr, nullptr);
        const double segundos = reloj.nsecsElapsed() / 1e9;
        sqlite3_finalize(insercion);
        sqlite3_close(base);
        return segundos;
    }

    // The yardstick on PostgreSQL: libpq's prepared insert, one round trip per group.
    double LineaBasePostgres() const
    {
        PGconn* c = conectar();
        QElapsedTimer reloj;
        reloj.start();
        QStringList marcas;
        for (int i = 1; i <= 16; ++i)
            marcas << QStringLiteral("$%1").arg(i);
        PQclear(PQprepare(c, "alta", Utf8(kInsercion.arg(marcas.join(QStringLiteral(", ")))).c_str(), 16, nullptr));
        PQclear(PQexec(c, "BEGIN"));
        for (const QVariantList& fila : m_filas) {
            std::vector<QByteArray> textos;
            std::vector<const char*> valores;
            for (const QVariant& v : fila)
                textos.push_back(v.toString().toUtf8());
            for (const QByteArray& t : textos)
                valores.push_back(t.constData());
            PGresult* r = PQexecPrepared(c, "alta", 16, valores.data(), nullptr, nullptr, 0);
            const bool bien = PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
            if (!bien)
                throw std::runtime_error(PQerrorMessage(c));
        }
        PQclear(PQexec(c, "COMMIT"));
        const double segundos = reloj.nsecsElapsed() / 1e9;
        PQfinish(c);
        return segundos;
    }

private:
    PGconn* conectar() const
    {
        // The password, as the program's own, comes from libpq's password file (PGPASSFILE).
        const std::string host = Utf8(m_postgres->servidor), puerto = std::to_string(m_postgres->puerto),
                          usuario = Utf8(m_postgres->usuario), base = Utf8(m_postgres->base),
                          opciones = "-c search_path=" + Utf8(m_postgres->esquema);
        const char* claves[] = {"host", "port", "user", "dbname", "options", nullptr};
        const char* valores[] = {host.c_str(), puerto.c_str(),   usuario.c_str(),
                                 base.c_str(), opciones.c_str(), nullptr};
        PGconn* c = PQconnectdbParams(claves, valores, 0);
        if (PQstatus(c) != CONNECTION_OK)
            throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(c));
        PQsetNoticeProcessor(
            c, [](void*, const char*) {}, nullptr);  // "drop cascades to ..."
        return c;
    }

    void Libpq(const std::string& sql) const
    {
        PGconn* c = conectar();
        PGresult* r = PQexec(c, sql.c_str());
        PQclear(r);
        PQfinish(c);
    }

    std::optional<Sesion::Configuracion> m_postgres;
    QTemporaryDir m_carpeta;
    std::vector<QVariantList> m_filas;
    Sesion::Configuracion m_historial;
    int m_bases = 0;
    bool m_esquemaCreado = false;
};

Entorno* g_entorno = nullptr;

// The import of the file into an empty catalogue; anything it refuses fails the run.
double Importar()
{
    QElapsedTimer reloj;
    reloj.start();
    CatalogoCsv::Importacion importacion;
    UtileriasKes util(std::make_unique<AccesoDatosKes>());
    if (!importacion.Revisar(g_entorno->Csv(), *Sesion::Conexion()) || !importacion.Escribir(*Sesion::Conexion(), util))
        throw std::runtime_error(Utf8(importacion.TextosDeError().join(QLatin1Char('\n'))));
    return reloj.nsecsElapsed() / 1e9;
}

double ImportarSqlite(bool lineaBase)
{
    const Sesion::Configuracion c = g_entorno->Sqlite(QStringLiteral("importar"));
    double segundos = 0;
    if (lineaBase) {
        segundos = g_entorno->LineaBaseSqlite(c);
    } else {
        Sesion::Configurar(c);
        Sesion::Conexion();
        segundos = Importar();
        Sesion::Cerrar();
    }
    QFile::remove(c.archivo);
    return segundos;
}

double ImportarPostgres(bool lineaBase)
{
    g_entorno->Postgres();
    return lineaBase ? g_entorno->LineaBasePostgres() : Importar();
}

// Opening the window reads and draws the first page.
double AbrirHistorial(const QString& clave)
{
    Sesion::Configurar(g_entorno->BaseConHistorial());
    Sesion::Conexion();
    QElapsedTimer reloj;
    reloj.start();
    VentanaHistorial ventana(clave);
    ventana.show();
    QCoreApplication::processEvents();
    return reloj.nsecsElapsed() / 1e9;
}

// Each figure beside its yardstick or target, the fastest time of each (every figure times
// its own iterations).
std::map<std::string, double> g_ms;
bool g_fallo = false;

bool ImprimirMetas()
{
    bool cumple = !g_fallo && !g_ms.empty();
    std::printf("\n%-32s %12s %12s  %s\n", "cifra (la vez mas rapida)", "ms", "referencia", "meta");
    for (const auto& [nombre, ms] : g_ms) {
        if (nombre.rfind("Historial/", 0) == 0) {
            cumple &= ms < 1000;
            std::printf("%-32s %12.1f %12s  %s\n", nombre.c_str(), ms, "-", ms < 1000 ? "< 1 s" : "SUPERA 1 s");
        } else if (const auto pos = nombre.find("/Csv/"); pos != std::string::npos) {
            const auto base = g_ms.find(nombre.substr(0, pos) + "/LineaBase/" + nombre.substr(pos + 5));
            if (base == g_ms.end())
                continue;
            const double razon = ms / base->second;
            cumple &= razon <= 2;
            std::printf("%-32s %12.1f %12.1f  %.2fx %s\n", nombre.c_str(), ms, base->second, razon,
                        razon <= 2 ? "<= 2x" : "SUPERA 2x");
        }
    }
    return cumple;
}

// A figure that returns the seconds of one iteration; a failure skips it, and the run fails.
void Registrar(const std::string& nombre, std::function<double()> vez)
{
    benchmark::RegisterBenchmark(nombre.c_str(),
                                 [nombre, vez](benchmark::State& state) {
                                     try {
                                         for (auto _ : state) {
                                             const double segundos = vez();
                                             state.SetIterationTime(segundos);
                                             auto [it, nuevo] = g_ms.try_emplace(nombre, segundos * 1000);
                                             it->second = std::min(it->second, segundos * 1000);
                                         }
                                     } catch (const std::exception& e) {
                                         g_fallo = true;
                                         state.SkipWithError(e.what());
                                     }
                                     Sesion::Cerrar();
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(3);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    Sesion::RegistrarMensajes(true);
    size_t corridas = 0;
    try {
        Entorno entorno(PostgresDelEntorno());
        g_entorno = &entorno;
        const std::string grupos = "/" + std::to_string(kGrupos), historial = "/" + std::to_string(kHistorial);
        Registrar("Historial/Grupo" + historial, [] { return AbrirHistorial(QStringLiteral("000042")); });
        Registrar("Historial/Todos" + historial, [] { return AbrirHistorial(QString()); });
        Registrar("Importar/LineaBase" + grupos, [] { return ImportarSqlite(true); });
        Registrar("Importar/Csv" + grupos, [] { return ImportarSqlite(false); });
        if (entorno.HayPostgres()) {
            Registrar("ImportarPostgres/LineaBase" + grupos, [] { return ImportarPostgres(true); });
            Registrar("ImportarPostgres/Csv" + grupos, [] { return ImportarPostgres(false); });
        }
        corridas = benchmark::RunSpecifiedBenchmarks();
        g_entorno = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "No se pudo preparar la medición: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return ImprimirMetas() && corridas > 0 ? 0 : 1;
}
