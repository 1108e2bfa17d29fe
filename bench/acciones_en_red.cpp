// Each action of the catalogue screen on a PostgreSQL server (TQ614_PG_* variables) across a
// network: a delaying proxy between the screen and the server, at a round trip of 0, 1 and
// 10 ms. Every action runs twice at each delay, in one run: one statement per call, as before
// (FilasPorRafaga=0), and with bursts of reads answered from rows fetched once (now). For each
// it prints the client's round trips, counted by the proxy, and the time it took; the run
// fails when an action's round trips change with the delay or pass the most it may take.
//
//   acciones_en_red [GRUPOS]     a generated catalogue of GRUPOS groups (1,000 by default)

#include "CajaDeEntrada.h"
#include "GeneradorCatalogo.h"
#include "ProxyRetardo.h"
#include "Publico.h"
#include "ServidorDelEntorno.h"
#include "Sesion.h"
#include "TreeView.h"
#include "VigiaModal.h"
#include "frmCATAddCuCo.h"
#include "frmTQ614.h"

#include <QApplication>
#include <QElapsedTimer>
#include <libpq-fe.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kRetardosIdaMs[] = {0, 0.5, 5};  // each way: round trips of 0, 1 and 10 ms
const char* const kAcciones[] = {"abrir",         "F5",        "Nuevo guardado", "Editar guardado", "Eliminar",
                                 "Cambiar clave", "Renombrar", "Imprimir",       "Clic en un nodo"};
// The most round trips each action may take with bursts of reads: what it takes today. An action
// that needs more fails the run, so that none grows back unnoticed.
const int kIdasMaximas[] = {3, 1, 7, 5, 4, 7, 2, 1, 2};
static_assert(std::size(kIdasMaximas) == std::size(kAcciones));

struct Medida
{
    int idasYVueltas = 0;
    double ms = 0;
};

void Administrar(const Sesion::Configuracion& servidor, const std::string& sql)
{
    // The password, as for the screen's own connection, comes from libpq's password file.
    const std::string conexion = "host=" + servidor.servidor.toStdString() + " port=" + std::to_string(servidor.puerto)
                                 + " user=" + servidor.usuario.toStdString() + " dbname=" + servidor.base.toStdString();
    PGconn* c = PQconnectdb(conexion.c_str());
    PGresult* r = PQexec(c, sql.c_str());
    const bool bien = PQresultStatus(r) == PGRES_COMMAND_OK;
    const std::string error = PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
    if (!bien)
        throw std::runtime_error(sql + ": " + error);
}

// The screen over the session's database, driven as the toolbar and the tree drive it. Every
// action ends with the event loop, as the user's next one would come after it.
class Usuario
{
public:
    Usuario(ProxyRetardo& red, std::map<std::string, Medida>& medidas)
        : m_red(red)
        , m_medidas(medidas)
    {}
    ~Usuario()
    {
        if (frmCATAddCuCo::Existe())
            frmCATAddCuCo::Destruir();
        frmTQ614::Destruir();
    }

    void Trabajar(const QString& clave)
    {
        Sesion::Conexion();  // the host has its database open before it shows the screen
        Publico::Main();
        frmTQ614::Destruir();
        frmTQ614& forma = frmTQ614::Instancia();
        medir("abrir", [&] { forma.Show(FormaBase::vbModeless); });
        medir("F5", [&] {
            int tecla = 116;
            forma.tvCuentas_KeyDown(tecla, 0);
        });
        TreeView& arbol = *forma.tvCuentas();
        medir("Clic en un nodo", [&] {
            arbol.Seleccionar(arbol.Buscar(QLatin1Char('N') + clave));
            forma.tvCuentas_NodeClick(arbol.SelectedItem());
        });
        medir("Imprimir", [&] { forma.Controles_Imprimir(); });
        const QString nueva = conEditor([&] { forma.Controles_Nuevo(); },
                                        [](frmCATAddCuCo& editor) {
                                            editor.txtDescripcion()->setText(QStringLiteral("NUEVO"));
                                            editor.txtCodigo()->setText(QStringLiteral("9.9.9"));
                                            editor.txtNivel()->setText(QStringLiteral("3"));
                                        },
                                        "Nuevo guardado");
        seleccionar(forma, clave);
        conEditor([&] { forma.Controles_Editar(); },
                  [](frmCATAddCuCo& editor) { editor.txtDescripcion()->setText(QStringLiteral("EDITADO")); },
                  "Editar guardado");
        seleccionar(forma, nueva);
        medir("Renombrar", [&] {
            int cancelar = 0;
            QString texto = QStringLiteral("RENOMBRADO");
            forma.tvCuentas_AfterLabelEdit(cancelar, texto);
        });
        seleccionar(forma, nueva);
        const QString otra = QStringLiteral("Z") + nueva;
        {
            CajaDeEntrada caja({otra});
            medir("Cambiar clave", [&] { forma.Controles_B2Click(); });
        }
        seleccionar(forma, otra);
        medir("Eliminar", [&] { forma.Controles_Eliminar(); });
        if (!Sesion::MensajesRegistrados().isEmpty())
            throw std::runtime_error("la pantalla mostró: "
                                     + Sesion::MensajesRegistrados().first().texto.toStdString());
        if (arbol.Buscar(QLatin1Char('N') + otra) || !arbol.Buscar(QLatin1Char('N') + clave))
            throw std::runtime_error("las acciones no dejaron el árbol esperado");
    }

private:
    void medir(const char* accion, const std::function<void()>& hacer)
    {
        const int antes = m_red.IdasYVueltas();
        QElapsedTimer reloj;
        reloj.start();
        hacer();
        m_medidas[accion] = {m_red.IdasYVueltas() - antes, reloj.nsecsElapsed() / 1e6};
        QCoreApplication::processEvents();
    }

    static void seleccionar(frmTQ614& forma, const QString& clave)
    {
        TreeView& arbol = *forma.tvCuentas();
        QTreeWidgetItem* nodo = arbol.Buscar(QLatin1Char('N') + clave);
        if (!nodo)
            throw std::runtime_error("no hay nodo para " + clave.toStdString());
        arbol.Seleccionar(nodo);
        forma.tvCuentas_NodeClick(nodo);
        QCoreApplication::processEvents();
    }

    // Runs a command that opens the editor; once shown, `llenar` fills it and Aceptar saves.
    // Returns the key the editor held.
    QString conEditor(const std::function<void()>& comando, const std::function<void(frmCATAddCuCo&)>& llenar,
                      const char* accion)
    {
        QString clave;
        VigiaModal vigia([&](QWidget*) {
            frmCATAddCuCo& editor = frmCATAddCuCo::Instancia();
            llenar(editor);
            clave = editor.txtClave()->text().toUpper();
            editor.cmdAceptar();
        });
        medir(accion, comando);
        if (vigia.Abiertas() != 1 || vigia.Vencidas() != 0)
            throw std::runtime_error(std::string(accion) + ": el editor no se mostró o no se cerró");
        return clave;
    }

    ProxyRetardo& m_red;
    std::map<std::string, Medida>& m_medidas;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    Sesion::RegistrarMensajes(true);
    const std::optional<Sesion::Configuracion> delEntorno = ServidorDelEntorno();
    if (!delEntorno) {
        std::printf("Sin servidor PostgreSQL (TQ614_PG_HOST vacío): no se miden las acciones en red.\n");
        return 0;
    }
    const int grupos = argc > 1 ? std::atoi(argv[1]) : 1000;
    const Sesion::Configuracion servidor = *delEntorno;
    Sesion::Configuracion base = servidor;
    base.base = QStringLiteral("tq614_acciones_%1").arg(getpid());
    base.operador = QStringLiteral("MEDICION");
    const std::string crear = "CREATE DATABASE " + base.base.toStdString();

    // [delay][before, now][action]
    std::map<double, std::map<int, std::map<std::string, Medida>>> medidas;
    int estado = 0;
    try {
        Administrar(servidor, crear + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
        Sesion::Configurar(base);
        Sesion::PrepararServidor();  // as the database's owner
        GeneradorCatalogo generador(grupos);
        generador.Escribir(*Sesion::Conexion());
        // A group with children, halfway down the catalogue.
        const QString clave = generador.Grupos().at(size_t(grupos) / 10).clave;
        ProxyRetardo red(base.servidor.toStdString(), base.puerto, 0);
        for (const double retardo : kRetardosIdaMs) {
            red.EstablecerRetardo(retardo);
            for (const int filasPorRafaga : {0, Sesion::Configuracion().filasPorRafaga}) {
                Sesion::Configuracion porRed = base;
                porRed.servidor = QStringLiteral("127.0.0.1");
                porRed.puerto = red.Puerto();
                porRed.filasPorRafaga = filasPorRafaga;
                Sesion::Configurar(porRed);
                Usuario usuario(red, medidas[retardo][filasPorRafaga ? 1 : 0]);
                usuario.Trabajar(clave);
            }
        }
        Sesion::Configurar(servidor);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "No se pudieron medir las acciones: %s\n", e.what());
        estado = 1;
    }
    Sesion::Cerrar();
    try {
        Administrar(servidor, "DROP DATABASE IF EXISTS " + base.base.toStdString() + " WITH (FORCE)");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    if (estado != 0)
        return estado;

    std::printf("\nAcciones sobre %d grupos: idas y vueltas (antes -> ahora) y tiempo en ms (antes / ahora = razón)\n",
                grupos);
    std::printf("%-18s %16s", "accion", "idas y vueltas");
    for (const double retardo : kRetardosIdaMs)
        std::printf(" %30s", (std::to_string(int(retardo * 2)) + " ms por ida y vuelta").c_str());
    std::printf("\n");
    bool excedidas = false;
    for (size_t a = 0; a < std::size(kAcciones); ++a) {
        const char* accion = kAcciones[a];
        const Medida antes = medidas[kRetardosIdaMs[0]][0][accion];
        const Medida ahora = medidas[kRetardosIdaMs[0]][1][accion];
        for (const double retardo : kRetardosIdaMs) {
            // The network's delay changes how long an action takes, never what it sends.
            if (medidas[retardo][0][accion].idasYVueltas != antes.idasYVueltas
                || medidas[retardo][1][accion].idasYVueltas != ahora.idasYVueltas)
                estado = 1;
        }
        excedidas |= ahora.idasYVueltas > kIdasMaximas[a];
        std::printf("%-18s %7d -> %6d", accion, antes.idasYVueltas, ahora.idasYVueltas);
        for (const double retardo : kRetardosIdaMs) {
            const Medida a = medidas[retardo][0][accion], b = medidas[retardo][1][accion];
            std::printf(" %10.1f / %8.1f = %5.2fx", a.ms, b.ms, b.ms / a.ms);
        }
        if (ahora.idasYVueltas > kIdasMaximas[a])
            std::printf("  MÁS DE %d", kIdasMaximas[a]);
        std::printf("\n");
    }
    if (estado != 0)
        std::printf("Las idas y vueltas de alguna acción cambiaron con el retardo de la red.\n");
    if (excedidas) {
        std::printf("Alguna acción pasó de sus idas y vueltas máximas (marcada con su máximo).\n");
        estado = 1;
    }
    return estado;
}
