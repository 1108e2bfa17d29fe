// The printed listing: its exact text, its statements and the viewer call.

#include "BaseDePrueba.h"
#include "PantallaDePrueba.h"
#include "TreeView.h"
#include "frmTQ614.h"

#include <QJsonArray>
#include <QtTest>

namespace {

const QString kCRLF = QStringLiteral("\r\n");
// An empty code, not a missing one.
const QString kSinCodigo = QStringLiteral("");

QString sentenciaDeHijos(const QString& padre)
{
    return QStringLiteral("SELECT * FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = '%1' ORDER BY Gcc_Padre").arg(padre);
}

QStringList listadosMostrados(const BaseDePrueba& base)
{
    QStringList listados;
    for (const QJsonObject& llamada : base.TrazaDe(QStringLiteral("MostrarReporte")))
        listados << llamada.value(QStringLiteral("listado")).toString();
    return listados;
}

} // namespace

class PruebaImprimir : public QObject
{
    Q_OBJECT

private slots:
    void tablaVaciaMuestraListadoVacio();
    void formatoConSangriasCodigosYFinesDeLinea();
    void claveConComillaListaSusHijos();
    void filaConClaveCeroNoRecursaSinFin();
};

void PruebaImprimir::tablaVaciaMuestraListadoVacio()
{
    BaseDePrueba base;
    PantallaDePrueba pantalla(base);
    base.LimpiarTraza();

    pantalla.Forma().Controles_Imprimir();

    QCOMPARE(listadosMostrados(base), QStringList{QString()});
    QCOMPARE(base.Sentencias(), QStringList{sentenciaDeHijos(QStringLiteral("0"))});
    QVERIFY(base.Mensajes().isEmpty());
}

void PruebaImprimir::formatoConSangriasCodigosYFinesDeLinea()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("1"), QStringLiteral("ACTIVO"), QStringLiteral("1"));
    base.InsertarGrupo(QStringLiteral("CIRC"), QStringLiteral("CIRCULANTE"), kSinCodigo, QStringLiteral("1"), 2);
    // A missing code (NULL) still writes its separator; an empty one writes nothing.
    base.Ejecutar(QStringLiteral(
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, Gcc_Padre,"
        " Gcc_Nivel) VALUES ('110', 'CAJA', NULL, 'CIRC', 3)"));
    base.Ejecutar(QStringLiteral(
        "INSERT INTO Grupo_Cuenta_Contable (Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Descripcion, Gcc_Codigo, Gcc_Padre,"
        " Gcc_Nivel) VALUES ('111', NULL, '1.1.1.1', '110', 4)"));
    PantallaDePrueba pantalla(base);  // the tree refuses the missing description; the listing does not
    base.LimpiarMensajes();
    base.LimpiarTraza();

    pantalla.Forma().Controles_Imprimir();

    const QString esperado = QStringLiteral("1 - ACTIVO") + kCRLF
        + QStringLiteral("\tCIRCULANTE") + kCRLF
        + QStringLiteral("\t\t - CAJA") + kCRLF
        + QStringLiteral("\t\t\t1.1.1.1 - ") + kCRLF;
    QCOMPARE(listadosMostrados(base), QStringList{esperado});
    QCOMPARE(pantalla.Forma().sListado, esperado);
    // One statement per group walked, each for the children of the group just written.
    QCOMPARE(base.Sentencias(),
             (QStringList{sentenciaDeHijos(QStringLiteral("0")), sentenciaDeHijos(QStringLiteral("1")),
                          sentenciaDeHijos(QStringLiteral("CIRC")), sentenciaDeHijos(QStringLiteral("110")),
                          sentenciaDeHijos(QStringLiteral("111"))}));
    QCOMPARE(pantalla.Forma().iNivel, short(-1));
    QVERIFY(base.Mensajes().isEmpty());

    // The viewer is called once, last, with the listing complete and its fixed arguments.
    const QList<QJsonObject> visor = base.TrazaDe(QStringLiteral("MostrarReporte"));
    QCOMPARE(visor[0].value(QStringLiteral("titulo")).toString(), QString());
    QCOMPARE(visor[0].value(QStringLiteral("numeros")).toArray(), (QJsonArray{0, 0, -1, -1, 7, -1}));
    QCOMPARE(base.Traza().last().value(QStringLiteral("llamada")).toString(), QStringLiteral("MostrarReporte"));
    QCOMPARE(base.Reportes(), QStringList{esperado});

    // The listing comes from the database, not from what the tree shows.
    pantalla.Seleccionar(QStringLiteral("CIRC"));
    pantalla.Arbol().collapseAll();
    pantalla.Forma().Controles_Imprimir();
    QCOMPARE(listadosMostrados(base), (QStringList{esperado, esperado}));
}

void PruebaImprimir::claveConComillaListaSusHijos()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("O'K"), QStringLiteral("CON COMILLA"), kSinCodigo);
    base.InsertarGrupo(QStringLiteral("H"), QStringLiteral("HIJO"), kSinCodigo, QStringLiteral("O'K"), 2);
    PantallaDePrueba pantalla(base);
    base.LimpiarTraza();

    pantalla.Forma().Controles_Imprimir();

    QCOMPARE(listadosMostrados(base), QStringList{QStringLiteral("CON COMILLA\r\n\tHIJO\r\n")});
    QVERIFY(base.Sentencias().contains(sentenciaDeHijos(QStringLiteral("O''K"))));
    QVERIFY(base.Mensajes().isEmpty());
}

// A row keyed "0" hangs from the root and is the root again: its level is reported and
// left out, the rest of the listing still reaches the viewer.
void PruebaImprimir::filaConClaveCeroNoRecursaSinFin()
{
    BaseDePrueba base;
    base.InsertarGrupo(QStringLiteral("0"), QStringLiteral("CERO"), kSinCodigo);
    PantallaDePrueba pantalla(base);
    base.LimpiarMensajes();

    pantalla.Forma().Controles_Imprimir();

    QCOMPARE(listadosMostrados(base), QStringList{QStringLiteral("CERO\r\n")});
    const auto mensajes = base.Mensajes();
    QCOMPARE(mensajes.size(), 1);
    QCOMPARE(mensajes[0].titulo, QStringLiteral("Imprimir_CeCo()"));
    QCOMPARE(mensajes[0].estilo, 16L);
    QCOMPARE(mensajes[0].proyecto, QStringLiteral("TQ614"));
    QCOMPARE(mensajes[0].idError, QStringLiteral("ERR-ID:7500006"));
    QCOMPARE(pantalla.Forma().iNivel, short(-1));
}

QTEST_MAIN(PruebaImprimir)
#include "tst_Imprimir.moc"
