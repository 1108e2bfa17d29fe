// The key rule of the catalogue, which keeps its tree loadable whatever writes to it: no group
// has the root's key "0" or an empty key, and no group is its own ancestor. The database
// refuses such a write itself, with a message the user can act on; rows that broke the rule
// before it existed stay, and GruposFueraDeRegla names them so that they can be repaired.
#include "Esquema.h"

#include "Ado.h"

namespace Esquema {

namespace {

const QString kSinClave = QStringLiteral("La clave de un grupo de cuenta contable no puede quedar vacía");
const QString kClaveRaiz =
    QStringLiteral("La clave 0 es la de la raíz del catálogo: ningún grupo de cuenta contable puede tenerla");
const QString kCiclo = QStringLiteral("El grupo de cuenta contable quedaría como su propio antecesor");

// SQLite: the keys above NEW's parent, the parent included, as far as the chain goes.
QString antecesoresSqlite()
{
    return QStringLiteral("WITH RECURSIVE Sube(Clave) AS (SELECT NEW.Gcc_Padre"
                          " UNION SELECT g.Gcc_Padre FROM Grupo_Cuenta_Contable g"
                          " JOIN Sube ON g.Gcc_Cve_Grupo_Cuenta_Contable = Sube.Clave)"
                          " SELECT 1 FROM Sube WHERE Clave = NEW.Gcc_Cve_Grupo_Cuenta_Contable");
}

QStringList sqlite()
{
    const QString cuerpo =
        QStringLiteral(" BEGIN"
                       " SELECT RAISE(ABORT, '%1') WHERE trim(NEW.Gcc_Cve_Grupo_Cuenta_Contable) = '';"
                       " SELECT RAISE(ABORT, '%2') WHERE NEW.Gcc_Cve_Grupo_Cuenta_Contable = '0';"
                       " SELECT RAISE(ABORT, '%3') WHERE EXISTS (%4);"
                       " END")
            .arg(kSinClave, kClaveRaiz, kCiclo, antecesoresSqlite());
    return {
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Gcc_Alta_Regla_Claves BEFORE INSERT ON Grupo_Cuenta_Contable")
            + cuerpo,
        // Only a change of the key or the parent: a row of an older base that broke the rule
        // can still be edited in its other columns, and repaired.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Gcc_Cambio_Regla_Claves"
                       " BEFORE UPDATE OF Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Padre ON Grupo_Cuenta_Contable"
                       " WHEN NEW.Gcc_Cve_Grupo_Cuenta_Contable IS NOT OLD.Gcc_Cve_Grupo_Cuenta_Contable"
                       " OR NEW.Gcc_Padre IS NOT OLD.Gcc_Padre")
            + cuerpo,
    };
}

// PostgreSQL runs writers side by side: two moves could each close half of a loop without
// seeing the other. Changes of a parent therefore wait for one another (an advisory lock
// held to the end of the transaction) and read the chain after that wait.
QStringList postgres()
{
    return {
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION gcc_regla_de_claves() RETURNS trigger LANGUAGE plpgsql AS $$\n"
            "DECLARE\n"
            "  actual TEXT := NEW.Gcc_Padre;\n"
            "  pasos INTEGER := 0;\n"
            "BEGIN\n"
            "  IF btrim(NEW.Gcc_Cve_Grupo_Cuenta_Contable) = '' THEN\n"
            "    RAISE EXCEPTION '%1' USING ERRCODE = 'check_violation';\n"
            "  END IF;\n"
            "  IF NEW.Gcc_Cve_Grupo_Cuenta_Contable = '0' THEN\n"
            "    RAISE EXCEPTION '%2' USING ERRCODE = 'check_violation';\n"
            "  END IF;\n"
            "  IF TG_OP = 'UPDATE' THEN\n"
            "    PERFORM pg_advisory_xact_lock(614002);\n"
            "  END IF;\n"
            // A loop above that does not pass through NEW is not NEW's: the walk stops.
            "  WHILE actual IS NOT NULL AND actual <> '0' AND pasos < 1000 LOOP\n"
            "    IF actual = NEW.Gcc_Cve_Grupo_Cuenta_Contable THEN\n"
            "      RAISE EXCEPTION '%3: %', NEW.Gcc_Cve_Grupo_Cuenta_Contable USING ERRCODE = 'check_violation';\n"
            "    END IF;\n"
            "    actual := (SELECT Gcc_Padre FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = actual);\n"
            "    pasos := pasos + 1;\n"
            "  END LOOP;\n"
            "  RETURN NEW;\n"
            "END $$")
            .arg(kSinClave, kClaveRaiz, kCiclo),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_alta_regla_claves BEFORE INSERT ON Grupo_Cuenta_Contable"
                       " FOR EACH ROW EXECUTE FUNCTION gcc_regla_de_claves()"),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_cambio_regla_claves"
                       " BEFORE UPDATE OF Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Padre ON Grupo_Cuenta_Contable"
                       " FOR EACH ROW WHEN (NEW.Gcc_Cve_Grupo_Cuenta_Contable IS DISTINCT FROM"
                       " OLD.Gcc_Cve_Grupo_Cuenta_Contable OR NEW.Gcc_Padre IS DISTINCT FROM OLD.Gcc_Padre)"
                       " EXECUTE FUNCTION gcc_regla_de_claves()"),
    };
}

}  // namespace

QStringList ReglaDeClaves(Sesion::Configuracion::Motor motor)
{
    return motor == Sesion::Configuracion::PostgreSQL ? postgres() : sqlite();
}

QStringList GruposFueraDeRegla(Connection& conexion)
{
    QStringList lineas;
    const auto descrita = [](Recordset& rs) {
        return QStringLiteral("«%1» (%2)").arg(rs.Fields(QStringLiteral("Clave")).toString(),
                                              rs.Fields(QStringLiteral("Descripcion")).toString());
    };
    for (auto rs = conexion.Execute(QStringLiteral(
             "SELECT Gcc_Cve_Grupo_Cuenta_Contable AS Clave, Gcc_Descripcion AS Descripcion FROM Grupo_Cuenta_Contable"
             " WHERE Gcc_Cve_Grupo_Cuenta_Contable = '0' OR trim(Gcc_Cve_Grupo_Cuenta_Contable) = ''"
             " ORDER BY Gcc_Cve_Grupo_Cuenta_Contable"));
         !rs->Eof(); rs->MoveNext())
        lineas << QStringLiteral("El grupo %1 tiene una clave que ningún grupo puede tener (vacía o la de la raíz, "
                                 "0): cámbiela")
                      .arg(descrita(*rs));
    // Each group's chain of parents, followed until it comes back to the group or ends; a
    // group below a loop but outside it stops at the step limit.
    for (auto rs = conexion.Execute(QStringLiteral(
             "WITH RECURSIVE Sube(Origen, Actual, Pasos) AS ("
             " SELECT Gcc_Cve_Grupo_Cuenta_Contable, Gcc_Padre, 1 FROM Grupo_Cuenta_Contable"
             " UNION ALL SELECT Sube.Origen, g.Gcc_Padre, Sube.Pasos + 1 FROM Sube"
             " JOIN Grupo_Cuenta_Contable g ON g.Gcc_Cve_Grupo_Cuenta_Contable = Sube.Actual"
             " WHERE Sube.Actual <> Sube.Origen AND Sube.Pasos < 1000)"
             " SELECT g.Gcc_Cve_Grupo_Cuenta_Contable AS Clave, g.Gcc_Descripcion AS Descripcion"
             " FROM Grupo_Cuenta_Contable g WHERE g.Gcc_Cve_Grupo_Cuenta_Contable IN"
             " (SELECT Origen FROM Sube WHERE Actual = Origen)"
             " ORDER BY g.Gcc_Cve_Grupo_Cuenta_Contable"));
         !rs->Eof(); rs->MoveNext())
        lineas << QStringLiteral("El grupo %1 es su propio antecesor: cambie su grupo padre").arg(descrita(*rs));
    return lineas;
}

}  // namespace Esquema
