// The change history and its window, CSV export and import, and the host window's menu.
#include "AccesoDatosKes.h"
#include "Archivos.h"
#include "BaseDePrueba.h"
#include "Cantidades.h"
#include "CatalogoCsv.h"
#include "ConexionPostgres.h"
#include "ConexionSqlite.h"
#include "Csv.h"
#include "GeneradorCatalogo.h"
#include "Historial.h"
#include "MenuCatalogo.h"
#include "PantallaDePrueba.h"
#include "UtileriasKes.h"
#include "VentanaHistorial.h"
#include "VigiaModal.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <csignal>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

const QString kTabla = u"Grupo_Cuenta_Contable"_s;
const QByteArray kEncabezado = "Gcc_Cve_Grupo_Cuenta_Contable,Gcc_Descripcion,Gcc_Codigo,Gcc_Padre,Gcc_Nivel\n";

// Each change of the history as "operation key: field lines", newest first.
QStringList Cambios(const Historial::Filtro& filtro = {})
{
    QStringList cambios;
    for (const auto& c : Historial::Leer(*Sesion::Conexion(), filtro, 0, 1000))
        cambios << u"%1 %2: %3"_s.arg(c.operacion, c.clave, c.campos.join(u"; "));
    return cambios;
}

}  // namespace

class tst_CatalogoHost : public QObject
{
    Q_OBJECT

    QTemporaryDir m_carpeta;
    UtileriasKes m_utilerias{std::make_unique<AccesoDatosKes>()};

private slots:
    // Every change leaves one row with who, when and what changed, whoever makes it.
    void historialDeCadaCambio_data() { BaseDePrueba::AgregarMotores(); }
    void historialDeCadaCambio()
    {
        ABRIR_BASE(motor, base);
        base.InsertarGrupos({u"A|Activo"_s, u"B|Caja||A|2"_s});
        const QStringList fechas = base.Fila(u"B"_s, u"Gcc_UserDef_5, Fecha_Alta"_s).split(u'|');  // B's own dates
        base.Ejecutar(
            u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = 'Activo circulante' WHERE Gcc_Padre = '0'"_s);
        QVERIFY(PantallaDePrueba(base).CambiarClave(u"A"_s, u"X"_s));
        base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = 'B'"_s);
        const QString fila =
            u"Clave: B; Descripción: Caja; Grupo padre: %3; Nivel: 2; Dato libre 3: 0; Dato libre 4: 0; "
            "Dato libre 5: %1; Dato libre 6: %1; Operador del alta: PRUEBA; Operador del último cambio: "
            "PRUEBA; Fecha del alta: %2; Fecha del último cambio: %2; Estado: AC"_s.arg(fechas[0], fechas[1]);
        QCOMPARE(Cambios().mid(0, 5),
                 (QStringList{u"BAJA B: "_s + fila.arg(u"X"_s), u"CAMBIO B: Grupo padre: A → X"_s,
                              u"CLAVE X: Clave: A → X"_s, u"CAMBIO A: Descripción: Activo → Activo circulante"_s,
                              u"ALTA B: "_s + fila.arg(u"A"_s)}));
        QCOMPARE(Cambios({u"A"_s}).size(), 3);  // its insert, its change and its key change
        // Another connection's operator, with a quote: SQLite records it; a server, the login whatever is configured.
        Sesion::Configuracion otra = base.Configuracion();
        otra.operador = u"D'ARCY"_s;
        const QString sql = u"UPDATE Grupo_Cuenta_Contable SET Gcc_Nivel = Gcc_Nivel + 1"_s;
        motor == Motor::PostgreSQL ? ConexionPostgres(otra).Execute(sql) : ConexionSqlite(otra).Execute(sql);
        const QString login = motor == Motor::PostgreSQL ? otra.usuario : Sesion::UsuarioDelSistema();
        const Historial::Cambio ultimo = Historial::Leer(*base.Conexion(), {}, 0, 1).value(0);
        QCOMPARE(ultimo.operador + u' ' + ultimo.usuarioBase + u' ' + ultimo.fecha.left(10),
                 u"%1 %2 %3"_s.arg(motor == Motor::PostgreSQL ? login : otra.operador, login,
                                   QDate::currentDate().toString(Qt::ISODate)));
    }

    // From the screen with the keyboard: Ctrl+H opens the history on the selected group, with its
    // code and description; the key filters by its start in any case; F5 reads it again, a second
    // Ctrl+H in the one window. The window pages, filters by operator and dates, details a change
    // and exports all it shows.
    void ventanaDelHistorial()
    {
        BaseDePrueba base;
        base.InsertarGrupos({u"ACT|Activo|1"_s, u"ACT1|Caja|1.1|ACT|2"_s, u"PAS|Pasivo|2"_s});
        PantallaDePrueba pantalla(base);
        QVERIFY(pantalla.Seleccionar(u"ACT"_s));
        QMainWindow ventana;
        ventana.menuBar()->addMenu(new MenuCatalogo(
            &ventana, [&] { return MenuCatalogo::ClaveSeleccionadaEn(pantalla.Forma().Ventana()); }, {}));
        const auto pulsar = [](QWidget* w, Qt::Key tecla, Qt::KeyboardModifiers modificadores = {}) {
            w->show();
            w->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), w);
            QTest::keyClick(w, tecla, modificadores);
        };
        pulsar(&ventana, Qt::Key_H, Qt::ControlModifier);
        auto* historial = ventana.findChild<VentanaHistorial*>();
        QVERIFY(historial && historial->isVisible());
        QAbstractItemModel* tabla = historial->findChild<QTableView*>(u"tblCambios"_s)->model();
        const auto filas = [&] {
            QStringList filas;
            for (int f = 0; f < tabla->rowCount(); ++f)
                filas << u"%1 %2 %3"_s.arg(tabla->index(f, 2).data().toString(), tabla->index(f, 3).data().toString(),
                                           tabla->index(f, 4).data().toString());
            return filas;
        };
        QCOMPARE(historial->Filtro().clave, u"ACT"_s);
        QCOMPARE(filas(), (QStringList{u"ACT1 1.1 Caja"_s, u"ACT 1 Activo"_s}));
        auto* clave = historial->findChild<QLineEdit*>(u"txtClave"_s);
        clave->selectAll();
        QTest::keyClicks(clave, u"pa"_s);
        QTRY_COMPARE(filas(), QStringList{u"PAS 2 Pasivo"_s});
        base.InsertarGrupo(u"PAS1"_s, u"Cajón"_s, u"2.1"_s, u"PAS"_s, 2);
        Connection* c = base.Conexion();
        c->BeginTrans();
        for (int i = 1; i <= 450; ++i)
            c->Execute(u"UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = ? WHERE Gcc_Padre = 'PAS'"_s,
                       {u"Cajón %1"_s.arg(i)});
        c->CommitTrans();
        // The first changes by other operators on other days (50%_ looks for itself, not for a pattern).
        base.Ejecutar(u"UPDATE Kes_Historial SET His_Operador = 'Ana 50%_', His_Fecha = '2024-02-29 10:00:00'"
                      " WHERE His_Id <= 3"_s);
        base.Ejecutar(
            u"UPDATE Kes_Historial SET His_Operador = 'ANA 500', His_Fecha = '2024-03-01 00:00:00' WHERE His_Id = 4"_s);
        // An operator's name that a spreadsheet would run as a formula.
        base.Ejecutar(u"UPDATE Kes_Historial SET His_Operador = '@SUM(1)+cmd' WHERE His_Id = 5"_s);
        pulsar(historial, Qt::Key_F5);
        QCOMPARE(filas().value(0), u"PAS1 2.1 Cajón 450"_s);
        QCOMPARE(tabla->rowCount(), 200);
        pulsar(&ventana, Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(ventana.findChildren<VentanaHistorial*>().size(), 1);
        // The export holds every change the filter passes, pages not yet read included.
        const QString archivo = m_carpeta.filePath(u"h.csv"_s);
        QString error;
        QVERIFY2(historial->Exportar(archivo, ';', &error), qPrintable(error));
        const QByteArray datos = LeerArchivo(archivo);
        QVERIFY(datos.startsWith("\xEF\xBB\xBF"
                                 "Fecha;Operación;Clave;Operador;Usuario de la base;Cambios\r\n"));
        QCOMPARE(Csv::Leer(QString::fromUtf8(datos.mid(3)), ';').registros.size(), 1 + 452);
        QVERIFY(datos.contains(";'@SUM(1)+cmd;") && !datos.contains(";@"));
        while (tabla->canFetchMore({}))
            tabla->fetchMore({});
        QCOMPARE(tabla->rowCount(), 452);
        QCOMPARE(historial->findChild<QPlainTextEdit*>(u"txtDetalle"_s)->toPlainText(),
                 u"Descripción: Cajón 449 → Cajón 450"_s);
        clave->clear();
        historial->findChild<QLineEdit*>(u"txtOperador"_s)->setText(u"ana 50%_"_s);
        historial->Buscar();
        QCOMPARE(tabla->rowCount(), 3);
        QCOMPARE(Cambios({{}, u"ANA"_s, QDate(2024, 3, 1), QDate(2024, 3, 1)}).size(), 1);
    }

    void idaYVuelta_data() { BaseDePrueba::AgregarMotores(); }
    // 10,000 groups with texts a CSV must quote or a spreadsheet would run, out and into an empty
    // database, come back the same; the file has Spanish headings, no cell a spreadsheet runs as
    // a formula, each parent before its children and its days year first.
    void idaYVuelta()
    {
        QFETCH(Motor, motor);
        REQUIERE_MOTOR(motor);
        const char separador = motor == Motor::SQLite ? ',' : ';';
        const QString archivo = m_carpeta.filePath(u"catalogo.csv"_s);
        QStringList original;
        {
            BaseDePrueba base;
            GeneradorCatalogo(10000).Escribir(*base.Conexion());
            base.InsertarGrupo(u"Q\"1"_s, u"Comillas \", comas, punto; y coma\r\nsalto — ñandú"_s, u""_s, u"ACT"_s, 0);
            // Formulas in descriptions, a child whose key sorts before its parent's, 150 emoji.
            base.InsertarGrupos({u"ZZ|=HYPERLINK(\"http://x\";\"y\")"_s, u"AA|+1||ZZ"_s, u"F1|-2+3||AA"_s,
                                 u"F2|@SUM(A1)"_s, u"F3|\tcmd"_s, u"F4|\r=1"_s, u"F5|'texto"_s, u"F6|'=dos"_s,
                                 u"F7|-5"_s, u"F8|"_s + QString(u"😀"_s).repeated(150)});
            base.Ejecutar(u"UPDATE Grupo_Cuenta_Contable SET Gcc_UserDef_3 = -1.5, Gcc_UserDef_2 = ' x ',"
                          " Gcc_UserDef_5 = '29/02/2024'"_s);
            original = base.Estado();
            original.removeLast();
            QCOMPARE(CatalogoCsv::Exportar(*base.Conexion(), archivo, separador, nullptr), 10011);
        }
        const QList<Csv::Registro> registros =
            Csv::Leer(QString::fromUtf8(LeerArchivo(archivo).mid(3)), separador).registros;
        QCOMPARE(registros.value(0).campos, CatalogoCsv::Encabezados());
        QSet<QString> vistas{u"0"_s};
        for (const Csv::Registro& r : registros.mid(1)) {
            for (const QString& campo : r.campos)
                QVERIFY2(campo.isEmpty() || !u"=+-@\t\r"_s.contains(campo.front()), qPrintable(campo));
            QVERIFY2(vistas.contains(r.campos[3]), qPrintable(r.campos.join(u'|')));  // its parent came before
            QCOMPARE(r.campos[9], u"2024-02-29"_s);
            vistas.insert(r.campos[0]);
        }
        BaseDePrueba base(motor);
        CatalogoCsv::Importacion importacion;
        QVERIFY2(importacion.Revisar(archivo, *base.Conexion()), qPrintable(importacion.TextosDeError().join(u'\n')));
        // Cancelled in the middle, nothing stays; then all of it goes in.
        int avances = 0;
        QVERIFY(!importacion.Escribir(*base.Conexion(), m_utilerias, [&](int hechos, int) {
            ++avances;
            return hechos < 5000;
        }));
        QVERIFY(avances >= 5000 / 64);  // the progress moves as it goes
        QCOMPARE(importacion.TextosDeError(), QStringList{u"No se importó ningún grupo: la importación se canceló"_s});
        QVERIFY(importacion.Revisar(archivo, *base.Conexion()));  // not if the cancelled part stayed
        QVERIFY(importacion.Escribir(*base.Conexion(), m_utilerias));
        QCOMPARE(base.Estado(), original << u"Kes_Bitacora 10011, Kes_Historial 10011"_s);
    }

    // A file in the user's words: Spanish headings, keys in lower case (stored upper-cased),
    // lengths in characters. Nothing of a file with an error is written, and every bad line is
    // told with its reason as the user needs it, no more (a text ending in "…" is the start of one).
    void importacion_data()
    {
        QTest::addColumn<QByteArray>("contenido");  // empty: a file of 50 MB
        QTest::addColumn<QStringList>("errores");  // none: imported
        QTest::addColumn<QStringList>("claves");  // "key>parent" added
        const QByteArray e = "Clave,Descripción,Código,Padre,Nivel\n", g = kEncabezado;
        const auto rechazo = [](const char* nombre, const QByteArray& contenido, const QStringList& errores) {
            QTest::newRow(nombre) << contenido << errores << QStringList();
        };
        // 150 emoji are 150 characters (201 are too many, below); a column named as in the table.
        const QByteArray emoji = QString(u"😀"_s).repeated(150).toUtf8();
        QTest::newRow("minusculas y 150 emoji")
            << "Gcc_Cve_Grupo_Cuenta_Contable;Descripción;Código;Padre;Nivel\na;" + emoji + ";;;\na1;Caja;;a;\n"
            << QStringList() << QStringList{u"A>0"_s, u"A1>A"_s};
        rechazo("hijo de una linea con errores y separadores mezclados",
                QByteArray(e).replace(',', ';') + "B;;;0;\nb1;Hijo;;b;\nB2;Nieto;;B1;\nC,Otra,,0,\n",
                {u"Línea 2: falta la descripción"_s,
                 u"Línea 3: el grupo padre B viene en la línea 2, que tiene errores"_s,
                 u"Línea 5: tiene 1 campo y la primera línea, 5"_s});
        rechazo("claves que ya existen",
                e + "x1,Uno,,0,\nX2,Dos,,0,\nX3,Tres,,0,\nX4,Cuatro,,0,\nX5,Cinco,,0,\nN,Nueva,,,x\n",
                {u"Línea 2: la clave X1 ya existe en el catálogo"_s, u"Línea 3: la clave X2 ya existe en el catálogo"_s,
                 u"Línea 4: la clave X3 ya existe en el catálogo"_s,
                 u"Línea 7: el nivel «x» no es un número entero de 0 en adelante"_s,
                 u"y 2 líneas más con claves que ya existen"_s});
        QStringList mil;
        for (int linea = 2; linea <= 1001; ++linea)
            mil << u"Línea %1: tiene 1 campo y la primera línea, 5"_s.arg(Cantidades::Numero(linea));
        rechazo("mas de mil errores", e + QByteArray("x\n").repeated(1002), mil << u"y 2 errores más"_s);
        rechazo("vacio", "\xEF\xBB\xBF\r\n", {u"El archivo está vacío: su primera línea debe nombrar…"_s});
        rechazo("tabuladores", QByteArray(g).replace(',', '\t') + "1\tA\t1\t0\t1\r\n",
                {u"Línea 1: no tiene columnas separadas por comas ni por punto y coma…"_s});
        rechazo("columnas", "Gcc_Cve_Grupo_Cuenta_Contable,Descripcion,Gcc_Codigo,Gcc_Padre\n1,A,1,0\n",
                {u"Línea 1: la columna «Descripcion» no es del catálogo…"_s,
                 u"Línea 1: falta la columna Gcc_Descripcion"_s, u"Línea 1: falta la columna Gcc_Nivel"_s});
        rechazo("lineas malas",
                g
                    + "000002,Caja,1,0,\n000002,Otra,2,0,\n000001,Ya está,1,0,\n0000003,Larga,3,0,\n0,Raíz,,0,\n"
                      "000012,,1,0,\n000013,Sin código,,0,\n000014,Manual,000,0,\n000015,Nivel,1.2,0,3\n"
                      "000016,Nivel,1,0,x\nX,Equis,,Y,\nY,Ye,,X,\nZ,Zeta,,W,\nV,Uve,,V,\n000020,Bajo Z,1.1,Z,\n000017,"
                    + emoji + QByteArray(51, 'x') + ",1,0,\n\"000018\",\"Comillas sin cerrar,1,0,\n",
                {u"Línea 3: la clave 000002 ya viene en la línea 2"_s,
                 u"Línea 4: la clave 000001 ya existe en el catálogo"_s,
                 u"Línea 5: la clave 0000003 tiene más caracteres que el formato de clave 000000"_s,
                 u"Línea 6: la clave 0 es la de la raíz del catálogo"_s, u"Línea 7: falta la descripción"_s,
                 u"Línea 8: la clave 000013 es numérica y le falta el código"_s,
                 u"Línea 9: con el código 000 hay que indicar el nivel"_s,
                 u"Línea 10: el nivel 3 no corresponde al código 1.2, que es de nivel 2"_s,
                 u"Línea 11: el nivel «x» no es un número entero de 0 en adelante"_s,
                 u"Línea 12: el grupo X es su propio antecesor: X → Y → X"_s,
                 u"Línea 13: el grupo Y es su propio antecesor: X → Y → X"_s,
                 u"Línea 14: el grupo padre W no existe en el catálogo ni viene en el archivo"_s,
                 u"Línea 15: el grupo V es su propio antecesor: V → V"_s,
                 u"Línea 17: la descripción tiene más de 200 caracteres"_s,
                 u"Línea 18: unas comillas abren un campo que no se cierra"_s});
        rechazo("latin1", g + "000002,Compa\xF1\xED\x61,1,0,\n000003,Bien,2,0,\n", {u"Línea 2: no está en UTF-8…"_s});
        rechazo("50 MB", {}, {u"El archivo mide 50.0 MB: un catálogo de grupos no pasa de 32 MB…"_s});
    }
    void importacion()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, errores);
        QFETCH(QStringList, claves);
        BaseDePrueba base;
        base.InsertarGrupos(
            {u"000001|Activo|1"_s, u"X1|Uno"_s, u"X2|Dos"_s, u"X3|Tres"_s, u"X4|Cuatro"_s, u"X5|Cinco"_s});
        const QString sql =
            u"SELECT Gcc_Cve_Grupo_Cuenta_Contable || '>' || Gcc_Padre FROM Grupo_Cuenta_Contable ORDER BY 1"_s;
        const QStringList antes = base.Columna(sql), estado = base.Estado();
        const QString archivo = EscribirArchivo(m_carpeta.filePath(u"grupos.csv"_s), contenido);
        QVERIFY(!contenido.isEmpty() || QFile::resize(archivo, 50 * 1024 * 1024));
        CatalogoCsv::Importacion importacion;
        const auto textos = [&] {
            QStringList textos = importacion.TextosDeError();
            for (int i = 0; i < textos.size(); ++i)
                if (errores.value(i).endsWith(u'…'))
                    textos[i] = textos[i].left(errores[i].size() - 1) + u'…';
            return textos;
        };
        QCOMPARE(importacion.Revisar(archivo, *base.Conexion()), errores.isEmpty());
        QCOMPARE(textos(), errores);
        QCOMPARE(importacion.Escribir(*base.Conexion(), m_utilerias), errores.isEmpty());
        QCOMPARE(textos(), errores);
        QStringList despues = antes + claves;
        despues.sort();
        QCOMPARE(base.Columna(sql), despues);
        if (!errores.isEmpty())
            QCOMPARE(base.Estado(), estado);
    }

    // The server falls silent on the COMMIT of an import: one message says that only the history can tell
    // whether the groups are in, never "none imported" beside it.
    void importacionEnDuda()
    {
        REQUIERE_MOTOR(Motor::PostgreSQL);
        BaseDePrueba base(Motor::PostgreSQL);
        base.Reconfigurar([](Sesion::Configuracion& c) { c.esperaServidorMs = 1500; });
        const QString archivo =
            EscribirArchivo(m_carpeta.filePath(u"grupos.csv"_s), kEncabezado + "000002,Caja,1,0,\n");
        CatalogoCsv::Importacion importacion;
        QVERIFY(importacion.Revisar(archivo, *base.Conexion()));
        const int proceso = base.Valor(u"SELECT pg_backend_pid()"_s).toInt();
        const auto continuar = qScopeGuard([&] {
            if (::kill(proceso, SIGCONT) == 0)
                BaseDePrueba::TerminarSesion(proceso);
        });
        // All written, the next request is the COMMIT.
        QVERIFY(!importacion.Escribir(*base.Conexion(), m_utilerias,
                                      [&](int, int) { return ::kill(proceso, SIGSTOP) == 0; }));
        const QStringList errores = importacion.TextosDeError();
        QVERIFY2(errores.size() == 1
                     && errores[0].startsWith(u"El servidor de la base de datos no respondió en 1.5 s al guardar el "
                                              "cambio y no se puede saber si se guardó"_s),
                 qPrintable(errores.join(u'\n')));
    }

    // What the system cannot size beforehand is cut by the bytes actually read; the count
    // imported is told with the thousands as the user writes them.
    void lectorAcotadoYCuentaImportada()
    {
        QByteArray datos = QByteArray("a,b\n").repeated(100);
        QBuffer bufer(&datos);
        QVERIFY(bufer.open(QIODevice::ReadOnly));
        Csv::Lector lector(bufer, 64);
        int registros = 0;
        for (Csv::Registro registro; lector.Siguiente(registro);)
            ++registros;
        QVERIFY(lector.Excedido() && registros <= 16 && lector.BytesLeidos() == 65);
        QCOMPARE(CatalogoCsv::Importados(1, u"a.csv"_s), u"Se importó 1 grupo de a.csv"_s);
        QCOMPARE(CatalogoCsv::Importados(150001, u"a.csv"_s), u"Se importaron 150\u00A0001 grupos de a.csv"_s);
    }

    // A vetoed import writes nothing, a good one reloads the screen. The export's dialog starts on
    // "catalogo-AAAA-MM-DD.csv" in the user's documents, adds ".csv" to a name typed without it, and
    // asks before it replaces a file.
    void menuDelHost()
    {
        BaseDePrueba base;
        base.InsertarGrupo(u"000001"_s, u"Activo"_s, u"1"_s);
        QTemporaryDir casa;
        const QByteArray antes = qgetenv("HOME");
        const auto restaurar = qScopeGuard([&] { qputenv("HOME", antes); });
        qputenv("HOME", casa.path().toLocal8Bit());
        QVERIFY(QDir(casa.path()).mkpath(u"Documents"_s));
        QMainWindow ventana;
        int recargas = 0;
        auto* menu = new MenuCatalogo(
            &ventana, [] { return u"000001"_s; }, [&](const QString&) { ++recargas; });
        QString listado;
        const auto importar = [&](const QByteArray& contenido) {
            VigiaModal vigia([&](QWidget* w) {
                if (auto* errores = w->findChild<QPlainTextEdit*>(u"txtErrores"_s)) {  // not the progress bar
                    listado = w->objectName() + u'|' + errores->toPlainText();
                    w->close();
                }
            });
            return menu->Importar(EscribirArchivo(casa.filePath(u"grupos.csv"_s), contenido));
        };
        const QByteArray buena =
            QByteArray(kEncabezado).replace(',', ';') + "000002;Caja;1.1;000001;\n000003;Bancos;1.2;000001;\n";
        base.PermitirEscritura(u"PRUEBA"_s, kTabla, false);
        QVERIFY(!importar(buena));
        QCOMPARE(listado,
                 u"VentanaErroresImportacion|No se importó ningún grupo: El operador PRUEBA no tiene permiso para "
                 "modificar la tabla Grupo_Cuenta_Contable"_s);
        QCOMPARE(base.Claves(), QStringList{u"000001"_s});
        base.PermitirEscritura(u"PRUEBA"_s, kTabla, true);
        QVERIFY(importar(buena));
        QCOMPARE(recargas, 1);
        QCOMPARE(base.Claves(), (QStringList{u"000001"_s, u"000002"_s, u"000003"_s}));
        QCOMPARE(base.Mensajes().value(0).texto, u"Se importaron 2 grupos de %1"_s.arg(casa.filePath(u"grupos.csv"_s)));

        const QString existente = EscribirArchivo(casa.filePath(u"viejo.csv"_s), "no lo toque");
        QStringList visto;
        // The name to type the first time the file dialog shows, and whether to replace the file.
        const auto exportarComo = [&](const QString& nombre, QMessageBox::StandardButton respuesta) {
            bool escrito = false;
            VigiaModal vigia([&](QWidget* w) {
                if (auto* caja = qobject_cast<QMessageBox*>(w)) {
                    visto << caja->text().simplified();
                    caja->button(respuesta)->click();
                } else if (auto* dialogo = qobject_cast<QFileDialog*>(w)) {
                    visto << dialogo->selectedFiles().value(0);
                    if (std::exchange(escrito, true))
                        return dialogo->reject();
                    // Typed once the watch has returned: it must see the question that Enter may open.
                    auto* campo = dialogo->findChild<QLineEdit*>(u"fileNameEdit"_s);
                    campo->setText(nombre);
                    QTimer::singleShot(0, campo, [campo] { QTest::keyClick(campo, Qt::Key_Return); });
                }
            });
            menu->findChild<QAction*>(u"accExportar"_s)->trigger();
        };
        exportarComo(casa.filePath(u"viejo"_s), QMessageBox::No);
        QCOMPARE(visto.value(0),
                 casa.filePath(u"Documents/catalogo-%1.csv"_s.arg(QDate::currentDate().toString(Qt::ISODate))));
        QVERIFY2(visto.value(1).contains(u"viejo.csv"_s), qPrintable(visto.join(u'\n')));
        QCOMPARE(LeerArchivo(existente), "no lo toque");
        exportarComo(casa.filePath(u"viejo"_s), QMessageBox::Yes);
        QVERIFY(LeerArchivo(existente).contains("Clave,Descripción"));
    }
};

QTEST_MAIN(tst_CatalogoHost)
#include "tst_CatalogoHost.moc"
