// The catalogue screen on generated catalogues of 1,000, 10,000 and 100,000 groups, each
// figure beside its yardstick in the same run:
//   Arbol/...           CargarCuentas on the loaded screen, against one "SELECT *" read into
//                       memory and the same nodes added to a plain QTreeWidget;
//   Listado/...         the print command (the viewer records the listing), against one
//                       "SELECT *" and the same text built in memory;
//   ArbolPostgres/...   CargarCuentas on a PostgreSQL server (TQ614_PG_* variables), against
//                       as many round trips of a bare libpq prepared statement;
//   ArbolRed/..., ListadoRed/...
//                       the tree and the print command on that server across a network of
//                       10 ms per round trip (a delaying proxy), against one "SELECT *"
//                       through the same proxy and the same tree or text built in memory.
// Each screen figure is checked against its yardstick's result (same tree, same listing); a
// difference fails the run. A table of ratios closes it.

#include "CatalogoEnMemoria.h"
#include "FirmaArbol.h"
#include "GeneradorCatalogo.h"
#include "ProxyRetardo.h"
#include "Publico.h"
#include "ServidorDelEntorno.h"
#include "Sesion.h"
#include "TreeView.h"
#include "frmTQ614.h"

#include <QApplication>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTamanos[] = {1000, 10000, 100000};
constexpr int kTamanosPostgres[] = {1000, 10000};
constexpr double kRetardoRedMs = 5;  // each way: a round trip of 10 ms

const char* const kHijosPostgres = "SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = $1 "
                                   "ORDER BY Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable ";

std::string Utf8(const QString& texto)
{
    return texto.toStdString();
}

CatalogoEnMemoria::Iconos IconosDeLaPantalla()
{
    return {QIcon(QStringLiteral(":/iconos/generico.png")), QIcon(QStringLiteral(":/iconos/grupo.png")),
            QIcon(QStringLiteral(":/iconos/titulo.png")), QIcon(QStringLiteral(":/iconos/subgrupo.png"))};
}

struct ConexionLibpq
{
    PGconn* c = nullptr;

    explicit ConexionLibpq(const Sesion::Configuracion& conf)
    {
        // The password, as for the screen's own connection, comes from libpq's password file.
        const std::string host = Utf8(conf.servidor), puerto = std::to_string(conf.puerto),
                          usuario = Utf8(conf.usuario), base = Utf8(conf.base);
        const char* claves[] = {"host", "port", "user", "dbname", nullptr};
        const char* valores[] = {host.c_str(), puerto.c_str(), usuario.c_str(), base.c_str(), nullptr};
        c = PQconnectdbParams(claves, valores, 0);
        if (PQstatus(c) != CONNECTION_OK)
            throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(c));
    }
    ~ConexionLibpq() { PQfinish(c); }
    ConexionLibpq(const ConexionLibpq&) = delete;
    ConexionLibpq& operator=(const ConexionLibpq&) = delete;

    void Ejecutar(const std::string& sql)
    {
        PGresult* r = PQexec(c, sql.c_str());
        const bool bien = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        const std::string error = bien ? std::string() : PQresultErrorMessage(r);
        PQclear(r);
        if (!bien)
            throw std::runtime_error("PostgreSQL: " + error);
    }
};

// What the benchmarks share: the generated databases (made once per size, outside any
// timing), the loaded screen, the yardstick's tree and what each result must look like.
class Entorno
{
public:
    explicit Entorno(std::optional<Sesion::Configuracion> postgres)
        : m_postgres(std::move(postgres))
    {
        if (!m_carpeta.isValid())
            throw std::runtime_error("no se pudo crear la carpeta temporal");
        m_arbolLineaBase.setColumnCount(1);
        m_arbolLineaBase.setHeaderHidden(true);
        m_arbolLineaBase.setUniformRowHeights(true);
        // The screen is loaded (and both trees shown) before anything is measured.
        Usar(Sqlite(kTamanos[0]));
        Pantalla();
    }

    ~Entorno()
    {
        if (frmTQ614::Existe())
            frmTQ614::Destruir();
        Sesion::Cerrar();
        for (auto& [grupos, base] : m_sqlite)
            sqlite3_close(base);
        m_libpq.clear();
        m_libpqPorRed.clear();
        if (m_postgres && !m_basesPostgres.empty()) {
            try {
                ConexionLibpq admin(*m_postgres);
                for (const auto& [grupos, conf] : m_basesPostgres)
                    admin.Ejecutar("DROP DATABASE IF EXISTS " + Utf8(conf.base) + " WITH (FORCE)");
            } catch (const std::exception& e) {
                std::fprintf(stderr, "No se pudieron borrar las bases de prueba: %s\n", e.what());
            }
        }
    }

    bool HayPostgres() const { return m_postgres.has_value(); }
    const CatalogoEnMemoria::Iconos& Iconos() const { return m_iconos; }

    Sesion::Configuracion Sqlite(int grupos)
    {
        Sesion::Configuracion c;
        c.motor = Sesion::Configuracion::SQLite;
        c.archivo = m_carpeta.filePath(QStringLiteral("catalogo-%1.db").arg(grupos));
        if (!QFile::exists(c.archivo)) {
            Usar(c);
            Generador(grupos).Escribir(*Sesion::Conexion());
        }
        return c;
    }

    // A read-only handle on the same file, for the yardstick.
    sqlite3* BaseSqlite(int grupos)
    {
        if (auto it = m_sqlite.find(grupos); it != m_sqlite.end())
            return it->second;
        const std::string archivo = Utf8(Sqlite(grupos).archivo);
        sqlite3* base = nullptr;
        if (sqlite3_open_v2(archivo.c_str(), &base, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(base);
            throw std::runtime_error("no se pudo abrir " + archivo);
        }
        m_sqlite[grupos] = base;
        return base;
    }

    // A new database on the server, filled through the services' connection.
    Sesion::Configuracion Postgres(int grupos)
    {
        if (auto it = m_basesPostgres.find(grupos); it != m_basesPostgres.end())
            return it->second;
        Sesion::Configuracion c = *m_postgres;
        c.base = QStringLiteral("tq614_bench_%1_%2").arg(getpid()).arg(grupos);
        {
            ConexionLibpq admin(*m_postgres);
            admin.Ejecutar("DROP DATABASE IF EXISTS " + Utf8(c.base));
            admin.Ejecutar("CREATE DATABASE " + Utf8(c.base)
                           + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
        }
        m_basesPostgres[grupos] = c;
        Usar(c);
        Sesion::PrepararServidor();  // as the database's owner
        Generador(grupos).Escribir(*Sesion::Conexion());
        return c;
    }

    // The yardstick's own connection to that database, with its statement prepared.
    PGconn* LibpqPreparada(int grupos)
    {
        if (auto it = m_libpq.find(grupos); it != m_libpq.end())
            return it->second->c;
        auto conexion = std::make_unique<ConexionLibpq>(Postgres(grupos));
        PGresult* r = PQprepare(conexion->c, "hijos", kHijosPostgres, 1, nullptr);
        const bool bien = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!bien)
            throw std::runtime_error(std::string("PQprepare: ") + PQerrorMessage(conexion->c));
        PGconn* c = conexion->c;
        m_libpq[grupos] = std::move(conexion);
        return c;
    }

    // The same database across a network: through a proxy that holds each chunk kRetardoRedMs.
    Sesion::Configuracion PostgresPorRed(int grupos)
    {
        Sesion::Configuracion c = Postgres(grupos);
        if (!m_red)
            m_red = std::make_unique<ProxyRetardo>(Utf8(c.servidor), c.puerto, kRetardoRedMs);
        c.servidor = QStringLiteral("127.0.0.1");
        c.puerto = m_red->Puerto();
        return c;
    }

    // The yardstick's own connection through the proxy.
    PGconn* LibpqPorRed(int grupos)
    {
        auto& conexion = m_libpqPorRed[grupos];
        if (!conexion)
            conexion = std::make_unique<ConexionLibpq>(PostgresPorRed(grupos));
        return conexion->c;
    }

    // The keys whose children the screen asks for: the root and every group.
    const std::vector<std::string>& ClavesConsultadas(int grupos)
    {
        auto& claves = m_claves[grupos];
        if (claves.empty()) {
            claves.push_back("0");
            for (const auto& grupo : Generador(grupos).Grupos())
                claves.push_back(Utf8(grupo.clave));
        }
        return claves;
    }

    // Points the services and the component at a database.
    void Usar(const Sesion::Configuracion& c)
    {
        Sesion::Configurar(c);
        Publico::Main();
    }

    // The catalogue screen, loaded (and shown) once; later sizes just reload its tree.
    frmTQ614& Pantalla()
    {
        frmTQ614& pantalla = frmTQ614::Instancia();
        if (!pantalla.Cargado()) {
            pantalla.Show();
            m_arbolLineaBase.resize(pantalla.tvCuentas()->size());
            m_arbolLineaBase.show();
        }
        return pantalla;
    }

    QTreeWidget& ArbolLineaBase() { return m_arbolLineaBase; }

    const QStringList& ArbolEsperado(int grupos)
    {
        auto& firma = m_arbolesEsperados[grupos];
        if (firma.isEmpty()) {
            QTreeWidget arbol;
            CatalogoEnMemoria::Leer(BaseSqlite(grupos)).LlenarArbol(arbol, m_iconos);
            firma = FirmaArbol::De(arbol, [this](const QTreeWidgetItem* nodo) { return ImagenLineaBase(nodo); });
        }
        return firma;
    }

    const QString& ListadoEsperado(int grupos)
    {
        auto& listado = m_listadosEsperados[grupos];
        if (listado.isNull())
            listado = CatalogoEnMemoria::Leer(BaseSqlite(grupos)).Listado();
        return listado;
    }

    // Checks each result once: the first run of a benchmark settles it.
    bool PorComprobar(const std::string& nombre) { return m_comprobados.insert(nombre).second; }

private:
    const GeneradorCatalogo& Generador(int grupos)
    {
        auto it = m_generadores.find(grupos);
        if (it == m_generadores.end())
            it = m_generadores.emplace(grupos, GeneradorCatalogo(grupos)).first;
        return it->second;
    }

    int ImagenLineaBase(const QTreeWidgetItem* nodo) const
    {
        const qint64 clave = nodo->icon(0).cacheKey();
        for (size_t i = 0; i < m_iconos.size(); ++i) {
            if (m_iconos[i].cacheKey() == clave)
                return int(i) + 1;
        }
        return 0;
    }

    std::optional<Sesion::Configuracion> m_postgres;
    QTemporaryDir m_carpeta;
    CatalogoEnMemoria::Iconos m_iconos = IconosDeLaPantalla();
    QTreeWidget m_arbolLineaBase;
    std::map<int, GeneradorCatalogo> m_generadores;
    std::map<int, sqlite3*> m_sqlite;
    std::map<int, Sesion::Configuracion> m_basesPostgres;
    std::map<int, std::unique_ptr<ConexionLibpq>> m_libpq;
    std::unique_ptr<ProxyRetardo> m_red;
    std::map<int, std::unique_ptr<ConexionLibpq>> m_libpqPorRed;
    std::map<int, std::vector<std::string>> m_claves;
    std::map<int, QStringList> m_arbolesEsperados;
    std::map<int, QString> m_listadosEsperados;
    std::set<std::string> m_comprobados;
};

Entorno* g_entorno = nullptr;

// Runs a benchmark's body; a failure of the set-up is the benchmark's error, not a crash.
template <class F>
void Proteger(benchmark::State& state, F&& cuerpo)
{
    try {
        cuerpo();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// Anything the screen reported while loading (a message of an error trap) is a failure.
bool SinMensajes(benchmark::State& state)
{
    const auto mensajes = Sesion::MensajesRegistrados();
    if (mensajes.isEmpty())
        return true;
    const std::string texto = Utf8(mensajes.first().titulo + QStringLiteral(": ") + mensajes.first().texto);
    state.SkipWithError(texto.c_str());
    return false;
}

void ComprobarArbol(benchmark::State& state, const std::string& cifra, int grupos)
{
    Entorno& e = *g_entorno;
    if (!SinMensajes(state) || !e.PorComprobar(cifra + std::to_string(grupos)))
        return;
    const QStringList nuestra =
        FirmaArbol::De(*e.Pantalla().tvCuentas(), [](const QTreeWidgetItem* nodo) { return TreeView::Image(nodo); });
    const QString diferencia = FirmaArbol::PrimeraDiferencia(nuestra, e.ArbolEsperado(grupos));
    if (!diferencia.isEmpty())
        state.SkipWithError(("el árbol de la pantalla difiere: " + Utf8(diferencia)).c_str());
}

void ArbolLineaBase(benchmark::State& state, int grupos)
{
    Proteger(state, [&] {
        Entorno& e = *g_entorno;
        sqlite3* base = e.BaseSqlite(grupos);
        QTreeWidget& arbol = e.ArbolLineaBase();
        // Every measured load replaces a tree of the same size, as a reload does.
        CatalogoEnMemoria::Leer(base).LlenarArbol(arbol, e.Iconos());
        for (auto _ : state) {
            const CatalogoEnMemoria catalogo = CatalogoEnMemoria::Leer(base);
            catalogo.LlenarArbol(arbol, e.Iconos());
            QCoreApplication::processEvents();
        }
        state.counters["grupos"] = grupos;
    });
}

void ArbolPantalla(benchmark::State& state, const std::string& cifra, const Sesion::Configuracion& base, int grupos)
{
    Entorno& e = *g_entorno;
    e.Usar(base);
    frmTQ614& pantalla = e.Pantalla();
    Sesion::LimpiarMensajes();
    // Every measured load replaces a tree of the same size, as a reload (F5) does, and the
    // new connection has its statements prepared.
    pantalla.CargarCuentas();
    for (auto _ : state) {
        pantalla.CargarCuentas();
        QCoreApplication::processEvents();
    }
    state.counters["grupos"] = grupos;
    ComprobarArbol(state, cifra, grupos);
}

void ArbolSqlite(benchmark::State& state, int grupos)
{
    Proteger(state, [&] { ArbolPantalla(state, "Arbol", g_entorno->Sqlite(grupos), grupos); });
}

void ListadoLineaBase(benchmark::State& state, int grupos)
{
    Proteger(state, [&] {
        sqlite3* base = g_entorno->BaseSqlite(grupos);
        for (auto _ : state) {
            const QString listado = CatalogoEnMemoria::Leer(base).Listado();
            benchmark::DoNotOptimize(listado.constData());
        }
        state.counters["grupos"] = grupos;
    });
}

// The least that one statement per group can cost, whatever the layers above it: the
// listing's query for every group through the sqlite3 C library, prepared once, inside one
// read transaction, every column of every row taken as stored and nothing done with it.
// Not a target: it shows how much of the listing's ratio the statements alone take.
void ListadoPiso(benchmark::State& state, int grupos)
{
    Proteger(state, [&] {
        Entorno& e = *g_entorno;
        const std::string archivo = Utf8(e.Sqlite(grupos).archivo);
        const std::vector<std::string>& claves = e.ClavesConsultadas(grupos);
        sqlite3* base = nullptr;
        sqlite3_stmt* hijos = nullptr;
        const auto cerrar = [&] {
            sqlite3_finalize(hijos);
            sqlite3_close(base);
        };
        if (sqlite3_open_v2(archivo.c_str(), &base, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
            || sqlite3_exec(base, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr) != SQLITE_OK
            || sqlite3_prepare_v3(base, "SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = ? ORDER BY Gcc_Padre",
                                  -1, SQLITE_PREPARE_PERSISTENT, &hijos, nullptr)
                   != SQLITE_OK) {
            const std::string error = sqlite3_errmsg(base);
            cerrar();
            throw std::runtime_error("piso: " + error);
        }
        const int columnas = sqlite3_column_count(hijos);
        for (auto _ : state) {
            sqlite3_exec(base, "BEGIN", nullptr, nullptr, nullptr);
            for (const std::string& clave : claves) {
                sqlite3_bind_text(hijos, 1, clave.data(), int(clave.size()), SQLITE_STATIC);
                while (sqlite3_step(hijos) == SQLITE_ROW) {
                    // The row is decoded by the step; taking each value as it is stored, with
                    // no conversion, is the least a reader can do with it.
                    for (int i = 0; i < columnas; ++i)
                        benchmark::DoNotOptimize(sqlite3_column_value(hijos, i));
                }
                sqlite3_reset(hijos);
            }
            sqlite3_exec(base, "COMMIT", nullptr, nullptr, nullptr);
        }
        cerrar();
        state.counters["grupos"] = grupos;
        state.counters["consultas"] = double(claves.size());
    });
}

void ListadoPantalla(benchmark::State& state, const std::string& cifra, const Sesion::Configuracion& base, int grupos)
{
    Proteger(state, [&] {
        Entorno& e = *g_entorno;
        e.Usar(base);
        frmTQ614& pantalla = e.Pantalla();
        Sesion::LimpiarMensajes();
        // Printed once beforehand, as the tree is loaded once: the measured prints find the
        // connection open and its statements prepared, as on a screen in use, and not its
        // opening (across the network, a dozen round trips) spread over the first few.
        pantalla.Controles_Imprimir();
        QCoreApplication::processEvents();
        Sesion::LimpiarReportes();
        for (auto _ : state) {
            pantalla.Controles_Imprimir();
            // The viewer keeps what it received; only the last listing matters. The event
            // loop runs between two prints, as between two clicks of the user.
            state.PauseTiming();
            QCoreApplication::processEvents();
            const QStringList recibidos = Sesion::ReportesRegistrados();
            Sesion::LimpiarReportes();
            if (recibidos.size() != 1) {
                state.SkipWithError("el visor no recibió el listado");
                break;
            }
            if (e.PorComprobar(cifra + std::to_string(grupos)) && recibidos.first() != e.ListadoEsperado(grupos)) {
                const QString diferencia =
                    FirmaArbol::PrimeraDiferencia(recibidos.first().split(QStringLiteral("\r\n")),
                                                  e.ListadoEsperado(grupos).split(QStringLiteral("\r\n")));
                state.SkipWithError(("el listado de la pantalla difiere: " + Utf8(diferencia)).c_str());
                break;
            }
            state.ResumeTiming();
        }
        state.counters["grupos"] = grupos;
        SinMensajes(state);
    });
}

void ListadoSqlite(benchmark::State& state, int grupos)
{
    ListadoPantalla(state, "Listado", g_entorno->Sqlite(grupos), grupos);
}

// One "SELECT *" across the network, and the same tree or text built in memory.
void ArbolRedLineaBase(benchmark::State& state, int grupos)
{
    Proteger(state, [&] {
        Entorno& e = *g_entorno;
        PGconn* conexion = e.LibpqPorRed(grupos);
        QTreeWidget& arbol = e.ArbolLineaBase();
        CatalogoEnMemoria::Leer(conexion).LlenarArbol(arbol, e.Iconos());
        for (auto _ : state) {
            CatalogoEnMemoria::Leer(conexion).LlenarArbol(arbol, e.Iconos());
            QCoreApplication::processEvents();
        }
        state.counters["grupos"] = grupos;
    });
}

void ArbolRed(benchmark::State& state, int grupos)
{
    Proteger(state, [&] { ArbolPantalla(state, "ArbolRed", g_entorno->PostgresPorRed(grupos), grupos); });
}

void ListadoRedLineaBase(benchmark::State& state, int grupos)
{
    Proteger(state, [&] {
        PGconn* conexion = g_entorno->LibpqPorRed(grupos);
        for (auto _ : state) {
            const QString listado = CatalogoEnMemoria::Leer(conexion).Listado();
            benchmark::DoNotOptimize(listado.constData());
        }
        state.counters["grupos"] = grupos;
    });
}

void ListadoRed(benchmark::State& state, int grupos)
{
    ListadoPantalla(state, "ListadoRed", g_entorno->PostgresPorRed(grupos), grupos);
}

void ArbolPostgresLineaBase(benchmark::State& state, int grupos)
{
    Proteger(state, [&] {
        Entorno& e = *g_entorno;
        PGconn* conexion = e.LibpqPreparada(grupos);
        const std::vector<std::string>& claves = e.ClavesConsultadas(grupos);
        for (auto _ : state) {
            for (const std::string& clave : claves) {
                const char* valores[] = {clave.c_str()};
                PGresult* r = PQexecPrepared(conexion, "hijos", 1, valores, nullptr, nullptr, 0);
                const bool bien = PQresultStatus(r) == PGRES_TUPLES_OK;
                PQclear(r);
                if (!bien)
                    throw std::runtime_error(std::string("PQexecPrepared: ") + PQerrorMessage(conexion));
            }
        }
        state.counters["grupos"] = grupos;
        state.counters["consultas"] = double(claves.size());
    });
}

void ArbolPostgres(benchmark::State& state, int grupos)
{
    Proteger(state, [&] { ArbolPantalla(state, "ArbolPostgres", g_entorno->Postgres(grupos), grupos); });
}

template <class F>
void Registrar(const std::string& nombre, F funcion, int grupos)
{
    benchmark::RegisterBenchmark(nombre.c_str(), [funcion, grupos](benchmark::State& s) { funcion(s, grupos); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// Each screen figure right after its yardstick, so both run on the machine in the same state.
void RegistrarTodo(bool postgres)
{
    for (const int n : kTamanos) {
        const std::string sufijo = "/" + std::to_string(n);
        Registrar("Arbol/LineaBase" + sufijo, ArbolLineaBase, n);
        Registrar("Arbol/Pantalla" + sufijo, ArbolSqlite, n);
        Registrar("Listado/LineaBase" + sufijo, ListadoLineaBase, n);
        Registrar("Listado/Pantalla" + sufijo, ListadoSqlite, n);
        Registrar("Listado/Piso" + sufijo, ListadoPiso, n);
    }
    if (!postgres) {
        std::printf("Sin servidor PostgreSQL (TQ614_PG_HOST vacío): se omiten ArbolPostgres/*.\n");
        return;
    }
    for (const int n : kTamanosPostgres) {
        const std::string sufijo = "/" + std::to_string(n);
        Registrar("ArbolPostgres/LineaBase" + sufijo, ArbolPostgresLineaBase, n);
        Registrar("ArbolPostgres/Pantalla" + sufijo, ArbolPostgres, n);
        Registrar("ArbolRed/LineaBase" + sufijo, ArbolRedLineaBase, n);
        Registrar("ArbolRed/Pantalla" + sufijo, ArbolRed, n);
        Registrar("ListadoRed/LineaBase" + sufijo, ListadoRedLineaBase, n);
        Registrar("ListadoRed/Pantalla" + sufijo, ListadoRed, n);
    }
}

// The console report, and then each screen figure as a ratio to its yardstick's.
class ReporteRazones : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal: a log or a pipe gets plain text.
    ReporteRazones()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular)
    {}

    void ReportRuns(const std::vector<Run>& corridas) override
    {
        ConsoleReporter::ReportRuns(corridas);
        for (const Run& corrida : corridas) {
            if (corrida.run_type != Run::RT_Iteration)
                continue;
            if (corrida.error_occurred)
                m_errores = true;
            else
                Anotar(corrida.benchmark_name(), {corrida.GetAdjustedRealTime() * MilisegundosPor(corrida.time_unit),
                                                  corrida.GetAdjustedCPUTime() * MilisegundosPor(corrida.time_unit)});
        }
    }

    bool HuboErrores() const { return m_errores; }

    void ImprimirRazones() const
    {
        // The verdict reads wall-clock time; the CPU ratio (this process only) is shown beside
        // it because it moves less when other work shares the cores.
        std::printf("\n%-40s %14s %14s %8s %10s  %s\n", "cifra (la repeticion mas rapida)", "linea base ms",
                    "pantalla ms", "razon", "razon cpu", "meta");
        for (const auto& [nombre, ms] : m_ms) {
            const auto pos = nombre.find("/Pantalla/");
            if (pos == std::string::npos)
                continue;
            const std::string base = nombre.substr(0, pos) + "/LineaBase/" + nombre.substr(pos + 10);
            const auto lineaBase = m_ms.find(base);
            if (lineaBase == m_ms.end())
                continue;
            const double razon = ms.real / lineaBase->second.real;
            const double razonCpu = ms.cpu / lineaBase->second.cpu;
            const double meta = Meta(nombre.substr(0, pos), std::stoi(nombre.substr(pos + 10)));
            std::string veredicto = "-";
            if (meta > 0)
                veredicto = (razon <= meta ? "<= " : "SUPERA ") + Numero(meta) + "x";
            std::printf("%-40s %14.2f %14.2f %7.2fx %9.2fx  %s\n", nombre.c_str(), lineaBase->second.real, ms.real,
                        razon, razonCpu, veredicto.c_str());
            const std::string piso = nombre.substr(0, pos) + "/Piso/" + nombre.substr(pos + 10);
            if (const auto soloConsultas = m_ms.find(piso); soloConsultas != m_ms.end())
                std::printf("%-40s %14.2f %14.2f %7.2fx %9.2fx  %s\n", piso.c_str(), lineaBase->second.real,
                            soloConsultas->second.real, soloConsultas->second.real / lineaBase->second.real,
                            soloConsultas->second.cpu / lineaBase->second.cpu, "(solo las consultas)");
        }
    }

private:
    struct Tiempos
    {
        double real = 0;
        double cpu = 0;
        int repeticiones = 0;
    };

    // With repetitions the fastest one counts: on shared cores the slower ones measure the
    // other work more than this.
    void Anotar(const std::string& nombre, Tiempos tiempos)
    {
        auto [it, nuevo] = m_ms.try_emplace(nombre, tiempos);
        Tiempos& anotados = it->second;
        if (!nuevo) {
            anotados.real = std::min(anotados.real, tiempos.real);
            anotados.cpu = std::min(anotados.cpu, tiempos.cpu);
        }
        ++anotados.repeticiones;
    }

    static double MilisegundosPor(benchmark::TimeUnit unidad)
    {
        switch (unidad) {
        case benchmark::kNanosecond:
            return 1e-6;
        case benchmark::kMicrosecond:
            return 1e-3;
        case benchmark::kMillisecond:
            return 1.0;
        case benchmark::kSecond:
            return 1e3;
        }
        return 1.0;
    }

    // The targets: the tree within 1.5x and the listing within 2x of the yardstick at
    // 10,000 and 100,000 groups; on PostgreSQL within 1.3x of the bare round trips, and
    // across the network within 1.5x of one "SELECT *".
    static double Meta(const std::string& familia, int grupos)
    {
        if (familia == "ArbolPostgres")
            return 1.3;
        if (familia == "ArbolRed" || familia == "ListadoRed")
            return 1.5;
        if (grupos < 10000)
            return 0;
        return familia == "Arbol" ? 1.5 : familia == "Listado" ? 2.0 : 0;
    }

    static std::string Numero(double valor)
    {
        char texto[32];
        std::snprintf(texto, sizeof texto, "%.1f", valor);
        return texto;
    }

    std::map<std::string, Tiempos> m_ms;
    bool m_errores = false;
};

void ImprimirMaquina()
{
    QString cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray& linea : info.readAll().split('\n')) {
            if (linea.startsWith("model name")) {
                cpu = QString::fromUtf8(linea.mid(linea.indexOf(':') + 1)).trimmed();
                break;
            }
        }
    }
    std::printf("Máquina: %ld núcleos, %s, %s; Qt %s, SQLite %s, libpq %d\n", sysconf(_SC_NPROCESSORS_ONLN),
                qPrintable(cpu), qPrintable(QSysInfo::prettyProductName()), qVersion(), sqlite3_libversion(),
                PQlibVersion());
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    // Headless, and nothing ever waits for a user: messages and listings are recorded.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    Sesion::RegistrarMensajes(true);
    ImprimirMaquina();

    ReporteRazones reporte;
    size_t corridas = 0;
    try {
        Entorno entorno(ServidorDelEntorno());
        g_entorno = &entorno;
        RegistrarTodo(entorno.HayPostgres());
        corridas = benchmark::RunSpecifiedBenchmarks(&reporte);
        g_entorno = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "No se pudo preparar la medición: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    reporte.ImprimirRazones();
    // A filter that matches nothing must not pass for a good run.
    return reporte.HuboErrores() || corridas == 0 ? 1 : 0;
}
