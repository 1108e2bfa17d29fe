// Peak memory of a process holding the whole catalogue tree. Each mode runs in a process of
// its own, so that one measure never carries what the other allocated:
//   memoria_pico generar ARCHIVO GRUPOS   writes a generated catalogue into a new SQLite file
//   memoria_pico pantalla ARCHIVO         loads the catalogue screen on that file
//   memoria_pico linea-base ARCHIVO       holds the same tree in a plain QTreeWidget
// The last two print "pico_kb=N nodos=M": the process's peak resident size (getrusage) with
// the tree loaded and shown, and the nodes in the tree.

#include "CatalogoEnMemoria.h"
#include "GeneradorCatalogo.h"
#include "Publico.h"
#include "Sesion.h"
#include "TreeView.h"
#include "frmTQ614.h"

#include <QApplication>
#include <QFile>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/resource.h>

namespace {

// The tree's designed size on the screen (8295 x 3975 twips at 96 dpi).
const QSize kTamanoArbol(553, 265);

Sesion::Configuracion Sqlite(const char* archivo)
{
    Sesion::Configuracion c;
    c.motor = Sesion::Configuracion::SQLite;
    c.archivo = QString::fromLocal8Bit(archivo);
    return c;
}

int Nodos(const QTreeWidget& arbol)
{
    int nodos = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&arbol)); *it; ++it)
        ++nodos;
    return nodos;
}

int Informar(const QTreeWidget& arbol)
{
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::printf("pico_kb=%ld nodos=%d\n", uso.ru_maxrss, Nodos(arbol));
    return 0;
}

int Generar(const char* archivo, int grupos)
{
    if (QFile::exists(QString::fromLocal8Bit(archivo))) {
        std::fprintf(stderr, "%s ya existe\n", archivo);
        return 1;
    }
    Sesion::Configurar(Sqlite(archivo));
    GeneradorCatalogo(grupos).Escribir(*Sesion::Conexion());
    Sesion::Cerrar();
    return 0;
}

int Pantalla(const char* archivo)
{
    Sesion::RegistrarMensajes(true);
    Sesion::Configurar(Sqlite(archivo));
    Publico::Main();
    frmTQ614& pantalla = frmTQ614::Instancia();
    pantalla.Show();  // its load fills the tree
    QCoreApplication::processEvents();
    if (!Sesion::MensajesRegistrados().isEmpty()) {
        const auto& mensaje = Sesion::MensajesRegistrados().first();
        std::fprintf(stderr, "%s: %s\n", qPrintable(mensaje.titulo), qPrintable(mensaje.texto));
        return 1;
    }
    return Informar(*pantalla.tvCuentas());
}

int LineaBase(const char* archivo)
{
    sqlite3* base = nullptr;
    if (sqlite3_open_v2(archivo, &base, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "no se pudo abrir %s\n", archivo);
        return 1;
    }
    const CatalogoEnMemoria::Iconos iconos{
        QIcon(QStringLiteral(":/iconos/generico.png")), QIcon(QStringLiteral(":/iconos/grupo.png")),
        QIcon(QStringLiteral(":/iconos/titulo.png")), QIcon(QStringLiteral(":/iconos/subgrupo.png"))};
    QTreeWidget arbol;
    arbol.setHeaderHidden(true);
    arbol.setUniformRowHeights(true);
    arbol.resize(kTamanoArbol);
    CatalogoEnMemoria::Leer(base).LlenarArbol(arbol, iconos);
    sqlite3_close(base);
    arbol.show();
    QCoreApplication::processEvents();
    return Informar(arbol);
}

int Uso()
{
    std::fprintf(stderr, "uso: memoria_pico generar ARCHIVO GRUPOS | pantalla ARCHIVO | linea-base ARCHIVO\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Uso();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    try {
        if (std::strcmp(argv[1], "generar") == 0 && argc == 4)
            return Generar(argv[2], std::atoi(argv[3]));
        if (std::strcmp(argv[1], "pantalla") == 0)
            return Pantalla(argv[2]);
        if (std::strcmp(argv[1], "linea-base") == 0)
            return LineaBase(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return Uso();
}
