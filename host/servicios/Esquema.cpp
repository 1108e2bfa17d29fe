#include "Esquema.h"

#include "Ado.h"
#include "ErrorEjecucion.h"
#include "EsquemaServidor.h"
#include "HistorialSqlite.h"

#include <QDateTime>
#include <QStringList>

namespace Esquema {

namespace {

const QString kComponente = QStringLiteral("KesServicios");
constexpr int kVersionDeLosSellos = 5;

// %T stands for the text type, %ID for the audit log's generated key.
QStringList sentencias()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS Grupo_Cuenta_Contable ("
                       " Gcc_Cve_Grupo_Cuenta_Contable %T NOT NULL,"
                       " Gcc_Descripcion %T DEFAULT '',"
                       " Gcc_Codigo %T DEFAULT '',"
                       " Gcc_Padre %T NOT NULL DEFAULT '0',"
                       " Gcc_Nivel INTEGER DEFAULT 0,"
                       " Gcc_UserDef_1 %T DEFAULT '',"
                       " Gcc_UserDef_2 %T DEFAULT '',"
                       " Gcc_UserDef_3 DOUBLE PRECISION DEFAULT 0,"
                       " Gcc_UserDef_4 DOUBLE PRECISION DEFAULT 0,"
                       " Gcc_UserDef_5 %T DEFAULT '',"
                       " Gcc_UserDef_6 %T DEFAULT '',"
                       " Oper_Alta %T DEFAULT '',"
                       " Oper_Ult_Modif %T DEFAULT '',"
                       " Fecha_Alta %T DEFAULT '',"
                       " Fecha_Ult_Modif %T DEFAULT '',"
                       " Es_Cve_Estado %T DEFAULT 'AC',"
                       " CONSTRAINT Gcc_Clave_Unica PRIMARY KEY (Gcc_Cve_Grupo_Cuenta_Contable),"
                       " CONSTRAINT Gcc_Clave_Largo CHECK (length(Gcc_Cve_Grupo_Cuenta_Contable) BETWEEN 1 AND 30),"
                       " CONSTRAINT Gcc_Descripcion_Largo CHECK (length(Gcc_Descripcion) <= 200),"
                       " CONSTRAINT Gcc_Codigo_Largo CHECK (length(Gcc_Codigo) <= 30),"
                       " CONSTRAINT Gcc_Padre_Largo CHECK (length(Gcc_Padre) <= 30))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS Gcc_Padre_Indice"
                       " ON Grupo_Cuenta_Contable (Gcc_Padre, Gcc_Cve_Grupo_Cuenta_Contable)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Kes_Version ("
                       " Ver_Componente %T NOT NULL PRIMARY KEY,"
                       " Ver_Numero INTEGER NOT NULL,"
                       " Ver_Fecha %T)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Kes_Parametro ("
                       " Par_Nombre %T NOT NULL,"
                       " Par_Numero INTEGER NOT NULL DEFAULT 0,"
                       " Par_Tipo %T NOT NULL DEFAULT 'T',"
                       " Par_Valor %T,"
                       " PRIMARY KEY (Par_Nombre, Par_Numero))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Kes_Permiso ("
                       " Per_Operador %T NOT NULL,"
                       " Per_Tabla %T NOT NULL,"
                       " Per_Escritura INTEGER NOT NULL DEFAULT 1,"
                       " PRIMARY KEY (Per_Operador, Per_Tabla))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Kes_Bitacora ("
                       " Bit_Id %ID,"
                       " Bit_Tabla %T NOT NULL,"
                       " Bit_Clave %T NOT NULL,"
                       " Bit_Operador %T NOT NULL,"
                       " Bit_Fecha %T NOT NULL,"
                       " Bit_Transaccion %T,"
                       " Bit_Sesion %T,"
                       " Bit_Usuario_Base %T)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS Bit_Tabla_Clave_Indice ON Kes_Bitacora (Bit_Tabla, Bit_Clave)"),
        // Written by triggers (see HistorialSqlite, EsquemaServidor); read newest first, by key.
        QStringLiteral("CREATE TABLE IF NOT EXISTS Kes_Historial ("
                       " His_Id %ID,"
                       " His_Tabla %T NOT NULL,"
                       " His_Operacion %T NOT NULL,"
                       " His_Clave %T NOT NULL,"
                       " His_Clave_Anterior %T,"
                       " His_Antes %T,"
                       " His_Despues %T,"
                       " His_Operador %T NOT NULL,"
                       " His_Usuario_Base %T NOT NULL,"
                       " His_Fecha %T NOT NULL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS His_Clave_Indice ON Kes_Historial (His_Clave, His_Id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS His_Clave_Anterior_Indice"
                       " ON Kes_Historial (His_Clave_Anterior, His_Id)"),
        // Keys that were deleted or replaced by a key change (see guardaDePadres).
        QStringLiteral("CREATE TABLE IF NOT EXISTS Kes_Clave_Retirada ("
                       " Ret_Tabla %T NOT NULL,"
                       " Ret_Clave %T NOT NULL,"
                       " PRIMARY KEY (Ret_Tabla, Ret_Clave))"),
    };
}

// The rule in SQLite: triggers that refuse at once.
QStringList guardaDePadresSqlite()
{
    const QString padreRetirado =
        QStringLiteral(" NEW.Gcc_Padre <> '0'"
                       " AND NOT EXISTS (SELECT 1 FROM Grupo_Cuenta_Contable"
                       " WHERE Gcc_Cve_Grupo_Cuenta_Contable = NEW.Gcc_Padre)"
                       " AND EXISTS (SELECT 1 FROM Kes_Clave_Retirada"
                       " WHERE Ret_Tabla = 'Grupo_Cuenta_Contable' AND Ret_Clave = NEW.Gcc_Padre)");
    const QString rechazo =
        QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'El grupo de cuenta contable padre ya no existe: "
                       "fue eliminado o cambió de clave'); END");
    const QString retirar = QStringLiteral(" INSERT OR IGNORE INTO Kes_Clave_Retirada (Ret_Tabla, Ret_Clave)"
                                           " VALUES ('Grupo_Cuenta_Contable', OLD.Gcc_Cve_Grupo_Cuenta_Contable);");
    return {
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Gcc_Alta_Padre_Vigente BEFORE INSERT ON Grupo_Cuenta_Contable"
                       " WHEN")
            + padreRetirado + rechazo,
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Gcc_Cambio_Padre_Vigente"
                       " BEFORE UPDATE OF Gcc_Padre ON Grupo_Cuenta_Contable"
                       " WHEN NEW.Gcc_Padre IS NOT OLD.Gcc_Padre AND")
            + padreRetirado + rechazo,
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Gcc_Baja_Sin_Subgrupos AFTER DELETE ON Grupo_Cuenta_Contable"
                       " BEGIN"
                       " SELECT RAISE(ABORT, 'El grupo de cuenta contable tiene subgrupos y no se puede eliminar')"
                       " WHERE EXISTS (SELECT 1 FROM Grupo_Cuenta_Contable"
                       " WHERE Gcc_Padre = OLD.Gcc_Cve_Grupo_Cuenta_Contable);")
            + retirar + QStringLiteral(" END"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Gcc_Cambio_Clave_Retira"
                       " AFTER UPDATE OF Gcc_Cve_Grupo_Cuenta_Contable ON Grupo_Cuenta_Contable"
                       " WHEN NEW.Gcc_Cve_Grupo_Cuenta_Contable IS NOT OLD.Gcc_Cve_Grupo_Cuenta_Contable"
                       " BEGIN")
            + retirar + QStringLiteral(" END"),
    };
}

// The rule in PostgreSQL: trigger functions, and a key change's subgroups checked at commit.
QStringList guardaDePadresServidor()
{
    return {
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION gcc_padre_vigente() RETURNS trigger LANGUAGE plpgsql AS $$\n"
            "BEGIN\n"
            "  PERFORM 1 FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = NEW.Gcc_Padre FOR KEY "
            "SHARE;\n"
            "  IF NOT FOUND AND EXISTS (SELECT 1 FROM Kes_Clave_Retirada\n"
            "                           WHERE Ret_Tabla = 'Grupo_Cuenta_Contable' AND Ret_Clave = NEW.Gcc_Padre) THEN\n"
            "    RAISE EXCEPTION 'El grupo de cuenta contable padre % ya no existe: fue eliminado o cambió de clave',\n"
            "      NEW.Gcc_Padre USING ERRCODE = 'foreign_key_violation';\n"
            "  END IF;\n"
            "  RETURN NEW;\n"
            "END $$"),
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION gcc_retirar_clave() RETURNS trigger LANGUAGE plpgsql AS $$\n"
            "BEGIN\n"
            "  IF TG_OP = 'DELETE' AND EXISTS (SELECT 1 FROM Grupo_Cuenta_Contable\n"
            "                                  WHERE Gcc_Padre = OLD.Gcc_Cve_Grupo_Cuenta_Contable) THEN\n"
            "    RAISE EXCEPTION 'El grupo de cuenta contable % tiene subgrupos y no se puede eliminar',\n"
            "      OLD.Gcc_Cve_Grupo_Cuenta_Contable USING ERRCODE = 'foreign_key_violation';\n"
            "  END IF;\n"
            "  INSERT INTO Kes_Clave_Retirada (Ret_Tabla, Ret_Clave)\n"
            "    VALUES ('Grupo_Cuenta_Contable', OLD.Gcc_Cve_Grupo_Cuenta_Contable) ON CONFLICT DO NOTHING;\n"
            "  RETURN NULL;\n"
            "END $$"),
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION gcc_sin_subgrupos_huerfanos() RETURNS trigger LANGUAGE plpgsql AS $$\n"
            "BEGIN\n"
            "  IF NOT EXISTS (SELECT 1 FROM Grupo_Cuenta_Contable\n"
            "                 WHERE Gcc_Cve_Grupo_Cuenta_Contable = OLD.Gcc_Cve_Grupo_Cuenta_Contable)\n"
            "     AND EXISTS (SELECT 1 FROM Grupo_Cuenta_Contable WHERE Gcc_Padre = OLD.Gcc_Cve_Grupo_Cuenta_Contable) "
            "THEN\n"
            "    RAISE EXCEPTION 'La clave % cambió y dejó subgrupos sin su grupo padre',\n"
            "      OLD.Gcc_Cve_Grupo_Cuenta_Contable USING ERRCODE = 'foreign_key_violation';\n"
            "  END IF;\n"
            "  RETURN NULL;\n"
            "END $$"),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_alta_padre_vigente BEFORE INSERT ON Grupo_Cuenta_Contable"
                       " FOR EACH ROW WHEN (NEW.Gcc_Padre <> '0') EXECUTE FUNCTION gcc_padre_vigente()"),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_cambio_padre_vigente BEFORE UPDATE OF Gcc_Padre"
                       " ON Grupo_Cuenta_Contable FOR EACH ROW"
                       " WHEN (NEW.Gcc_Padre <> '0' AND NEW.Gcc_Padre IS DISTINCT FROM OLD.Gcc_Padre)"
                       " EXECUTE FUNCTION gcc_padre_vigente()"),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_baja_sin_subgrupos AFTER DELETE ON Grupo_Cuenta_Contable"
                       " FOR EACH ROW EXECUTE FUNCTION gcc_retirar_clave()"),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_cambio_clave_retira"
                       " AFTER UPDATE OF Gcc_Cve_Grupo_Cuenta_Contable ON Grupo_Cuenta_Contable FOR EACH ROW"
                       " WHEN (OLD.Gcc_Cve_Grupo_Cuenta_Contable IS DISTINCT FROM NEW.Gcc_Cve_Grupo_Cuenta_Contable)"
                       " EXECUTE FUNCTION gcc_retirar_clave()"),
        QStringLiteral("DROP TRIGGER IF EXISTS gcc_cambio_clave_sin_huerfanos ON Grupo_Cuenta_Contable"),
        QStringLiteral("CREATE CONSTRAINT TRIGGER gcc_cambio_clave_sin_huerfanos"
                       " AFTER UPDATE OF Gcc_Cve_Grupo_Cuenta_Contable ON Grupo_Cuenta_Contable"
                       " DEFERRABLE INITIALLY DEFERRED FOR EACH ROW"
                       " WHEN (OLD.Gcc_Cve_Grupo_Cuenta_Contable IS DISTINCT FROM NEW.Gcc_Cve_Grupo_Cuenta_Contable)"
                       " EXECUTE FUNCTION gcc_sin_subgrupos_huerfanos()"),
    };
}

// The parent rule of the catalogue: no group is left under a parent that another user is
// deleting or whose key is being changed, however their transactions meet.
//
// - A group that still has subgroups cannot be deleted (checked at once: the delete command
//   looks for subgroups before its transaction, and another user may add one in between).
// - A key that is deleted or changed is recorded in Kes_Clave_Retirada; a group may not be
//   written under a parent key that no longer exists and was retired. Keys that never
//   existed are let through: they are data of other origins, which the screens cope with.
// - PostgreSQL runs the two users side by side: the write of a child locks its parent's row
//   (FOR KEY SHARE) before it looks, so it waits for a delete or key change of that parent
//   and then sees its outcome; a key change leaves its old key's subgroups behind only
//   between its own two statements, so that rule is checked when it commits.
// - SQLite runs one writer at a time, so a child written after the delete or key change
//   finds the key retired, and the key change's second statement always follows its first.
QStringList guardaDePadres(Sesion::Configuracion::Motor motor)
{
    return motor == Sesion::Configuracion::SQLite ? guardaDePadresSqlite() : guardaDePadresServidor();
}

// Columns that later versions added to tables an older version created.
struct ColumnaAgregada
{
    const char* tabla;
    const char* columna;
    const char* tipo;
};
constexpr ColumnaAgregada kColumnasAgregadas[] = {
    {"Kes_Bitacora", "Bit_Usuario_Base", "%T"},
    {"Kes_Historial", "His_Sello", "%T"},
};

// The schema the session works in, quoted, for the statements that must name it.
QString esquemaActual(Connection& conexion)
{
    const QString esquema = conexion.Execute(QStringLiteral("SELECT quote_ident(current_schema()) AS Esquema"))
                                ->Fields(QStringLiteral("Esquema"))
                                .toString();
    if (esquema.isEmpty() || esquema.contains(QLatin1Char('\'')))
        throw ErrorEjecucion(QStringLiteral("No hay un esquema donde preparar la base de datos (search_path)"));
    return esquema;
}

QString paraMotor(QString sentencia, Sesion::Configuracion::Motor motor)
{
    const bool postgres = motor == Sesion::Configuracion::PostgreSQL;
    sentencia.replace(QStringLiteral("%ID"), postgres
                                                 ? QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                                                 : QStringLiteral("INTEGER PRIMARY KEY"));
    sentencia.replace(QStringLiteral("%T"), postgres ? QStringLiteral("TEXT COLLATE \"C\"") : QStringLiteral("TEXT"));
    return sentencia;
}

int versionRegistrada(Connection& conexion)
{
    auto rs = conexion.Execute(QStringLiteral("SELECT Ver_Numero FROM Kes_Version WHERE Ver_Componente = ?"),
                               QVariantList{kComponente});
    return rs->Eof() ? 0 : rs->Fields(QStringLiteral("Ver_Numero")).toInt();
}

void exigirConocida(int version)
{
    if (version > kVersion)
        throw ErrorEjecucion(QStringLiteral("La base de datos es de una versión más reciente (%1) que la de esta "
                                            "librería de servicios (%2); actualice la aplicación")
                                 .arg(version)
                                 .arg(kVersion));
}

void agregarColumnas(Connection& conexion, Sesion::Configuracion::Motor motor)
{
    for (const ColumnaAgregada& c : kColumnasAgregadas) {
        const QString tabla = QLatin1String(c.tabla), columna = QLatin1String(c.columna);
        if (motor == Sesion::Configuracion::SQLite
            && !conexion
                    .Execute(QStringLiteral("SELECT 1 AS Hay FROM pragma_table_info(?) WHERE lower(name) = lower(?)"),
                             QVariantList{tabla, columna})
                    ->Eof())
            continue;
        const QString existe =
            motor == Sesion::Configuracion::PostgreSQL ? QStringLiteral("IF NOT EXISTS ") : QString();
        conexion.Execute(paraMotor(
            QStringLiteral("ALTER TABLE %1 ADD COLUMN %2%3 %4").arg(tabla, existe, columna, QLatin1String(c.tipo)),
            motor));
    }
}

// Groups written before the history was sealed have no change to start from, and would look
// like groups added behind the history's back: each gets one sealed change, without a field
// changed, by whoever upgrades the database.
void sellarPuntoDePartida(Connection& conexion)
{
    conexion.Execute(QStringLiteral("UPDATE Grupo_Cuenta_Contable SET Gcc_Descripcion = Gcc_Descripcion"
                                    " WHERE NOT EXISTS (SELECT 1 FROM Kes_Historial"
                                    " WHERE His_Tabla = 'Grupo_Cuenta_Contable'"
                                    " AND His_Clave = Grupo_Cuenta_Contable.Gcc_Cve_Grupo_Cuenta_Contable)"));
}

void crear(Connection& conexion, Sesion::Configuracion::Motor motor)
{
    // Two programs opening a new database at once must not both create it.
    if (motor == Sesion::Configuracion::PostgreSQL)
        conexion.Execute(QStringLiteral("SELECT pg_advisory_xact_lock(614001)"));
    for (const QString& sentencia : sentencias())
        conexion.Execute(paraMotor(sentencia, motor));
    agregarColumnas(conexion, motor);
    for (const QString& sentencia : guardaDePadres(motor) + ReglaDeClaves(motor))
        conexion.Execute(sentencia);
    if (motor == Sesion::Configuracion::PostgreSQL) {
        const QString esquema = esquemaActual(conexion);
        // The history's function of older versions, run with its caller's rights, goes.
        for (const QString& sentencia : EsquemaServidor::HistorialSellado(esquema)
                                            + EsquemaServidor::FuncionesProtegidas(esquema)
                                            + EsquemaServidor::RolesYPermisos(esquema))
            conexion.Execute(sentencia);
    } else {
        // Older versions' triggers wrote no seal: made anew.
        for (const QString& sentencia : HistorialSqlite::Borrar())
            conexion.Execute(sentencia);
        for (const QString& sentencia : HistorialSqlite::Disparadores(conexion))
            conexion.Execute(sentencia);
    }
    const int version = versionRegistrada(conexion);
    exigirConocida(version);
    if (version < kVersionDeLosSellos)
        sellarPuntoDePartida(conexion);
    const QString ahora = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (version == 0)
        conexion.Execute(
            QStringLiteral("INSERT INTO Kes_Version (Ver_Componente, Ver_Numero, Ver_Fecha) VALUES (?, ?, ?)"),
            QVariantList{kComponente, kVersion, ahora});
    else if (version < kVersion)  // later versions add their changes above, guarded by version
        conexion.Execute(
            QStringLiteral("UPDATE Kes_Version SET Ver_Numero = ?, Ver_Fecha = ? WHERE Ver_Componente = ?"),
            QVariantList{kVersion, ahora, kComponente});
}

// The schema's changes in one transaction, rolled back unless confirmed.
class GuardaEsquema
{
public:
    explicit GuardaEsquema(Connection& conexion)
        : m_conexion(conexion)
    {
        m_conexion.BeginTrans();
    }
    ~GuardaEsquema()
    {
        if (m_confirmada || !m_conexion.EnTransaccion())
            return;
        try {
            m_conexion.RollbackTrans();
        } catch (const ErrorEjecucion&) {
            // the first error is the one worth reporting
        }
    }
    Q_DISABLE_COPY(GuardaEsquema)
    void Confirmar()
    {
        m_conexion.CommitTrans();
        m_confirmada = true;
    }

private:
    Connection& m_conexion;
    bool m_confirmada = false;
};

}  // namespace

const QStringList& ColumnasDeGrupo()
{
    static const QStringList columnas =
        QStringLiteral(
            "Gcc_Cve_Grupo_Cuenta_Contable Gcc_Descripcion Gcc_Codigo Gcc_Padre Gcc_Nivel Gcc_UserDef_1 Gcc_UserDef_2 "
            "Gcc_UserDef_3 Gcc_UserDef_4 Gcc_UserDef_5 Gcc_UserDef_6 Oper_Alta Oper_Ult_Modif Fecha_Alta "
            "Fecha_Ult_Modif "
            "Es_Cve_Estado")
            .split(QLatin1Char(' '));
    return columnas;
}

QString AhoraDelServidor(Sesion::Configuracion::Motor motor)
{
    return motor == Sesion::Configuracion::PostgreSQL
               ? QStringLiteral("to_char(statement_timestamp(), 'YYYY-MM-DD HH24:MI:SS')")
               : QStringLiteral("strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')");
}

QString UsuarioDeLaBase(Sesion::Configuracion::Motor motor)
{
    return motor == Sesion::Configuracion::PostgreSQL ? QStringLiteral("session_user")
                                                      : QStringLiteral("kes_usuario_base()");
}

int Version(Connection& conexion)
{
    try {
        return versionRegistrada(conexion);
    } catch (const ErrorEjecucion&) {
        return 0;  // no version table yet
    }
}

namespace {

// Rows written before the key rule existed are kept, and named when the rule arrives.
QString avisoDeGruposFueraDeRegla(Connection& conexion)
{
    const QStringList grupos = GruposFueraDeRegla(conexion);
    if (grupos.isEmpty())
        return {};
    return QStringLiteral("El catálogo tiene grupos que ya no se admiten y que conviene reparar (el resto del "
                          "programa funciona igual):\n")
           + grupos.join(QLatin1Char('\n'));
}

}  // namespace

QString Preparar(Connection& conexion, Sesion::Configuracion::Motor motor)
{
    // The usual case, an up-to-date database, is settled by one read without a write lock.
    const int version = Version(conexion);
    exigirConocida(version);
    if (version == kVersion)
        return motor == Sesion::Configuracion::SQLite ? HistorialSqlite::Restaurar(conexion) : QString();
    GuardaEsquema guarda(conexion);
    crear(conexion, motor);
    guarda.Confirmar();
    return version > 0 ? avisoDeGruposFueraDeRegla(conexion) : QString();
}

QString PrepararServidor(Connection& conexion)
{
    const int version = Version(conexion);
    exigirConocida(version);
    GuardaEsquema guarda(conexion);
    crear(conexion, Sesion::Configuracion::PostgreSQL);
    guarda.Confirmar();
    return avisoDeGruposFueraDeRegla(conexion);
}

void ExigirPreparada(Connection& conexion)
{
    const int version = Version(conexion);
    exigirConocida(version);
    if (version < kVersion)
        throw ErrorEjecucion(QStringLiteral("La base de datos no está preparada para esta versión del programa (tiene "
                                            "la %1, se necesita la %2): pida al administrador de la base de datos que "
                                            "ejecute tq614-host --preparar-servidor")
                                 .arg(version)
                                 .arg(kVersion));
}

}  // namespace Esquema
