// Groups moved under another parent, deletions restored and changes undone: the library on both engines, and the menu
// and the history window driven with keys and clicks over the real screen.
#include "AccesoDatosKes.h"
#include "BaseDePrueba.h"
#include "Esquema.h"
#include "LoginDePrueba.h"
#include "MenuCatalogo.h"
#include "PantallaDePrueba.h"
#include "Reorganizacion.h"
#include "UtileriasKes.h"
#include "VerificacionHistorial.h"
#include "VigiaModal.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using Motor = BaseDePrueba::Motor;

namespace {

// The catalogue the scenes start from: a chain of four levels under A (A111's level typed by hand), and B with one
// subgroup.
const QStringList kArbol{u"A|Activo|1|0|1"_s,       u"A1|Caja|1.1|A|2"_s, u"A11|Caja chica|1.1.1|A1|3"_s,
                         u"A111|Fondo|000|A11|7"_s, u"B|Pasivo|2|0|1"_s,  u"B1|Proveedores|2.1|B|2"_s};

qint64 ultimoCambio(BaseDePrueba& base, const QString& operacion = u"%"_s)
{
    return base.Valor(u"SELECT MAX(His_Id) FROM Kes_Historial WHERE His_Operacion LIKE ?"_s, {operacion}).toLongLong();
}

// `asignaciones` written to one group, or the group deleted, outside the library; the change's id.
qint64 cambiar(BaseDePrueba& base, const QString& clave, const QString& asignaciones)
{
    base.Ejecutar(
        u"UPDATE Grupo_Cuenta_Contable SET %1 WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%2'"_s.arg(asignaciones, clave));
    return ultimoCambio(base);
}
qint64 borrar(BaseDePrueba& base, const QString& clave)
{
    base.Ejecutar(u"DELETE FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = '%1'"_s.arg(clave));
    return ultimoCambio(base);
}

// Every column of one group exactly as stored (SQLite's quote() tells 0 from 0.0, NULL from '').
QString crudo(BaseDePrueba& base, Motor motor, const QString& clave)
{
    QStringList columnas;
    for (const QString& c : Esquema::ColumnasDeGrupo())
        columnas << (motor == Motor::SQLite ? u"quote(%1)"_s : u"quote_nullable(%1)"_s).arg(c);
    return base.Fila(clave, columnas.join(u", "));
}

// What a login that may not write gets: on SQLite the operator's permission, on PostgreSQL the server's refusal of the
// reader login.
void comprobarSoloLectura(BaseDePrueba& base, Motor motor, const std::function<bool(QString*)>& cambio)
{
    const QStringList antes = base.Estado();
    QString error;
    if (motor == Motor::SQLite) {
        base.PermitirEscritura(u"PRUEBA"_s, u"Grupo_Cuenta_Contable"_s, false);
        QVERIFY(!cambio(&error));
        QCOMPARE(error, u"El operador PRUEBA no tiene permiso para modificar la tabla Grupo_Cuenta_Contable"_s);
        base.PermitirEscritura(u"PRUEBA"_s, u"Grupo_Cuenta_Contable"_s, true);
    } else {
        const Sesion::Configuracion propia = base.Configuracion();
        const LoginDePrueba lector(u"GRANT tq614_lectura TO %1"_s);
        lector.Usar(base);
        QVERIFY(!cambio(&error));
        QVERIFY2(error.contains(u"permis"_s), qPrintable(error));
        base.Reconfigurar([&](Sesion::Configuracion& c) { c = propia; });
    }
    QCOMPARE(base.Estado(), antes);
}

}  // namespace

class tst_Reorganizacion : public QObject
{
    Q_OBJECT

private slots:
    // A subtree of four levels moves whole, codes and levels unchanged, one registered change in the history. Then a
    // deletion comes back with every column as it was; a change and a key change are undone; a creation is undone by
    // deleting the group. Every refusal says why and leaves all as it was.
    void moverRestaurarYDeshacer_data() { BaseDePrueba::AgregarMotores(); }
    void moverRestaurarYDeshacer()
    {
        ABRIR_BASE(motor, base);
        base.InsertarGrupos(kArbol);
        UtileriasKes util(std::make_unique<AccesoDatosKes>());
        const auto mover = [&](const QString& clave, const QString& padre, QString* error) {
            return Reorganizacion::Mover(*Sesion::Conexion(), util, clave, padre, error);
        };
        QStringList esperado = base.Estado();
        QString error;
        QVERIFY2(mover(u"A1"_s, u"B1"_s, &error), qPrintable(error));
        esperado[1].replace(u"|A|2|"_s, u"|B1|2|"_s);  // A1's parent, and nothing else
        esperado.last() = u"Kes_Bitacora 1, Kes_Historial 7"_s;
        QCOMPARE(base.Estado(), esperado);
        const std::tuple<QString, QString, QString> sinMover[] = {
            {u"0"_s, u"A"_s, u"La raíz del catálogo no se puede mover"_s},
            {u"B"_s, u"B"_s, u"El grupo B no se puede mover debajo de sí mismo"_s},
            {u"B"_s, u"A111"_s, u"El grupo B no se puede mover debajo de A111, que es uno de sus subgrupos"_s},
            {u"A1"_s, u"B1"_s, u"El grupo A1 ya está bajo el grupo B1"_s},
            {u"B"_s, u"0"_s, u"El grupo B ya está bajo la raíz del catálogo"_s},
            {u"Z"_s, u"A"_s, u"El grupo Z no existe"_s},
            {u"A"_s, u"Z"_s, u"El grupo padre Z no existe"_s},
        };
        for (const auto& [clave, padre, razon] : sinMover) {
            QCOMPARE(mover(clave, padre, &error) ? u"movido"_s : error, razon);
            QCOMPARE(base.Estado(), esperado);
        }
        comprobarSoloLectura(base, motor, [&](QString* e) { return mover(u"A11"_s, u"A"_s, e); });
        QVERIFY2(mover(u"A1"_s, u"0"_s, &error), qPrintable(error));  // and to the root
        QCOMPARE(base.Fila(u"A1"_s), u"Caja|1.1|0|2"_s);

        Connection& c = *base.Conexion();  // read after the reader's check, which may reopen the session
        QString clave;
        // Change `id` undone (a deletion brought back, `restaurar`): the error or empty; `clave` the group shown.
        const auto revertir = [&](qint64 id, bool restaurar = false) {
            const auto hacer = restaurar ? &Reorganizacion::Restaurar : &Reorganizacion::Deshacer;
            return hacer(c, util, id, &error, &clave) ? QString() : error;
        };
        // A leaf with values of every kind: a quote, accents, NULL, decimals, a hand-typed level.
        base.InsertarGrupo(u"G"_s, u"D'Arcy — año"_s, u"000"_s, u"B1"_s, 9);
        cambiar(base, u"G"_s,
                u"Gcc_UserDef_1 = NULL, Gcc_UserDef_2 = ' x ', Gcc_UserDef_3 = 1.5, Gcc_UserDef_4 = -2"_s);
        const QString g = crudo(base, motor, u"G"_s);
        const qint64 bajaG = borrar(base, u"G"_s);
        QCOMPARE(revertir(bajaG, true), QString());
        QCOMPARE(clave + u' ' + crudo(base, motor, u"G"_s), u"G "_s + g);

        // A change undone; the undo is a change too, undone in turn.
        const qint64 cambioG =
            cambiar(base, u"G"_s, u"Gcc_Descripcion = 'Nueva', Gcc_Codigo = '2.1.1', Gcc_Nivel = 3"_s);
        QCOMPARE(revertir(cambioG), QString());
        QCOMPARE(crudo(base, motor, u"G"_s), g);
        QCOMPARE(revertir(ultimoCambio(base)), QString());
        QCOMPARE(base.Fila(u"G"_s), u"Nueva|2.1.1|B1|3"_s);
        QCOMPARE(revertir(ultimoCambio(base)), QString());

        // A key change undone takes the subgroups back with the key.
        base.InsertarGrupo(u"G1"_s, u"Hijo"_s, u"000"_s, u"G"_s, 10);
        QVERIFY(PantallaDePrueba(base).CambiarClave(u"G"_s, u"K"_s));  // as the screen's command changes it
        QCOMPARE(revertir(ultimoCambio(base, u"CLAVE"_s)), QString());
        QCOMPARE(clave + u' ' + crudo(base, motor, u"G"_s), u"G "_s + g);
        QCOMPARE(base.Fila(u"G1"_s, u"Gcc_Padre"_s), u"G"_s);

        // A creation undone: the group deleted; its parent is the one to show.
        base.InsertarGrupo(u"N"_s, u"Nuevo"_s, u"3"_s);
        QCOMPARE(revertir(ultimoCambio(base)), QString());
        QVERIFY(!base.Claves().contains(u"N"_s) && clave == u"0"_s);

        // Refusals. M gets a subgroup after its creation, then a change that changes nothing; G is changed twice; H is
        // deleted and so is its parent P, and another group takes its key.
        base.InsertarGrupos({u"M|Con hijos|4|0|1"_s});
        const qint64 altaM = ultimoCambio(base);
        base.InsertarGrupos({u"M1|Hijo|4.1|M|2"_s, u"P|Padre|5|0|1"_s, u"H|Hoja|5.1|P|2"_s});
        const qint64 bajaH = borrar(base, u"H"_s);
        borrar(base, u"P"_s);
        base.InsertarGrupos({u"H|Otra H|6|0|1"_s});
        const qint64 primeroG = cambiar(base, u"G"_s, u"Gcc_Descripcion = 'Una'"_s);
        const qint64 otraG =
            cambiar(base, u"G"_s, u"Gcc_Descripcion = 'Otra', Gcc_UserDef_1 = 'u'"_s);  // a reader may not undo it
        const qint64 nadaM = cambiar(base, u"M"_s, u"Gcc_Nivel = Gcc_Nivel"_s);
        const QStringList antes = base.Estado();
        const std::tuple<bool, qint64, QString> rechazos[] = {
            // whether a restore, the change, the reason
            {false, altaM, u"El grupo M tiene subgrupos y no se puede eliminar"_s},
            {false, nadaM, u"El cambio %1 no cambió ningún valor del grupo M: no hay nada que deshacer"_s.arg(nadaM)},
            {false, primeroG,
             u"El grupo G cambió después del cambio %1, que ya no se puede deshacer: Descripción: el cambio lo dejó en "
             "«Una» y ahora es «Otra»; Dato libre 1: el cambio lo dejó en nulo y ahora es «u»"_s.arg(primeroG)},
            {true, bajaH,
             u"El grupo H no se puede restaurar: la clave H ya la usa otro grupo y su grupo padre P no "
             "existe"_s},
            {true, bajaG, u"El grupo G no se puede restaurar: la clave G ya la usa otro grupo"_s},
            {true, cambioG, u"El cambio %1 no es una baja: se deshace con Deshacer"_s.arg(cambioG)},
            {false, bajaH, u"El cambio %1 es la baja del grupo H: se restaura con Restaurar"_s.arg(bajaH)},
            {false, 999999, u"No hay un cambio 999999 en el historial del catálogo"_s},
        };
        for (const auto& [esRestaurar, id, razon] : rechazos) {
            QCOMPARE(revertir(id, esRestaurar), razon);
            QCOMPARE(base.Estado(), antes);
        }
        comprobarSoloLectura(base, motor,
                             [&](QString* e) { return Reorganizacion::Deshacer(*Sesion::Conexion(), util, otraG, e); });
        // Every move, restore and undo is an ordinary change: the sealed history still verifies.
        QVERIFY(VerificacionHistorial::Verificar(*base.Conexion(), base.Configuracion().motor).integro);
    }

    // The menu's Ctrl+M on the group selected with a click, the dialog used from the keyboard (a refused parent keeps
    // it open), the screen showing the group in its new place.
    void pantallaYVentanas()
    {
        BaseDePrueba base;
        base.InsertarGrupos(kArbol);
        PantallaDePrueba pantalla(base);
        frmTQ614& forma = pantalla.Forma();
        QMainWindow ventana;
        // The screen stays a window of its own, as the test opens it.
        ventana.menuBar()->addMenu(new MenuCatalogo(
            &ventana, [&] { return forma.txtClave()->text(); },
            [&](const QString& clave) { MenuCatalogo::MostrarGrupo(&forma, forma.Ventana(), clave); }));
        ventana.show();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        QVERIFY(pantalla.Seleccionar(u"A1"_s));  // the message below names it
        VigiaModal vigia([&](QWidget* dialogo) {
            auto* buscar = dialogo->findChild<QLineEdit*>(u"txtBuscar"_s);
            auto* arbol = dialogo->findChild<QTreeWidget*>(u"tvDestino"_s);
            QTest::keyClicks(buscar, u"chica"_s);  // A11, under the group itself
            QTest::keyClick(arbol, Qt::Key_Return);
            QTest::keyClick(buscar, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(buscar, u"prov"_s);  // "p" finds B (Pasivo), "pr" B1 (Proveedores)
            QTest::mouseClick(dialogo->findChild<QPushButton*>(u"cmdAceptar"_s), Qt::LeftButton);
        });
        QTest::keyClick(&ventana, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(vigia.Abiertas(), 1);
        QCOMPARE(base.MensajesEnTexto(),
                 QStringList{u"48 | Mover grupo |  | El grupo A1 no se puede mover debajo de A11, que es uno de sus "
                             "subgrupos"_s});
        QCOMPARE(base.Fila(u"A1"_s, u"Gcc_Padre"_s), u"B1"_s);
        QTreeWidgetItem* actual = pantalla.Arbol().currentItem();
        QVERIFY(actual && actual == pantalla.Nodo(u"A1"_s) && actual->parent() == pantalla.Nodo(u"B1"_s));
        QVERIFY(actual->parent()->isExpanded() && !pantalla.Arbol().visualItemRect(actual).isEmpty());
        QCOMPARE(forma.txtClave()->text(), u"A1"_s);
    }
};

QTEST_MAIN(tst_Reorganizacion)
#include "tst_Reorganizacion.moc"
