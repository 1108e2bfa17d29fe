#include "EsquemaServidor.h"

namespace EsquemaServidor {

namespace {

// The seal of a history row: SHA-256 of the previous row's seal and the row's fields, each
// as its length in bytes, ':' and its text, or '-' when null (Esquema::Sello does the same).
QString selloSql(const QStringList& campos)
{
    QStringList partes;
    for (const QString& campo : campos)
        partes << QStringLiteral("COALESCE(octet_length(%1)::text || ':' || %1, '-')").arg(campo);
    return QStringLiteral("encode(sha256(convert_to(COALESCE(previo, '') || '|' || %1, 'UTF8')), 'hex')")
        .arg(partes.join(QStringLiteral(" || ")));
}

}  // namespace

QStringList HistorialSellado(const QString& esquema)
{
    const QString columnas =
        QStringLiteral("His_Tabla, His_Operacion, His_Clave, His_Clave_Anterior, His_Antes, His_Despues, His_Operador, "
                       "His_Usuario_Base, His_Fecha");
    const QStringList campos{QStringLiteral("'Grupo_Cuenta_Contable'"),
                             QStringLiteral("operacion"),
                             QStringLiteral("clave"),
                             QStringLiteral("anterior"),
                             QStringLiteral("antes"),
                             QStringLiteral("despues"),
                             QStringLiteral("session_user::text"),
                             QStringLiteral("session_user::text"),
                             QStringLiteral("fecha")};
    // Writers wait for one another so the chain has one order: the statement takes the turn
    // before it locks any row, so two writers never wait for each other's rows and turn.
    const QString turno = QStringLiteral("pg_advisory_xact_lock(614002, hashtext('%1'))").arg(esquema);
    const QString cabecera = QStringLiteral("RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER"
                                            " SET search_path = %1, pg_temp AS $$\n")
                                 .arg(esquema);
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION %1.gcc_historial_turno() ").arg(esquema) + cabecera
            + QStringLiteral("BEGIN\n  PERFORM %1;\n  RETURN NULL;\nEND $$").arg(turno),
        QStringLiteral("CREATE OR REPLACE FUNCTION %1.gcc_historial() ").arg(esquema) + cabecera
            + QStringLiteral(
                  "DECLARE\n"
                  "  antes TEXT := CASE WHEN TG_OP <> 'INSERT' THEN row_to_json(OLD)::text END;\n"
                  "  despues TEXT := CASE WHEN TG_OP <> 'DELETE' THEN row_to_json(NEW)::text END;\n"
                  "  clave TEXT := CASE WHEN TG_OP = 'DELETE' THEN OLD.Gcc_Cve_Grupo_Cuenta_Contable\n"
                  "                     ELSE NEW.Gcc_Cve_Grupo_Cuenta_Contable END;\n"
                  "  anterior TEXT := CASE WHEN TG_OP <> 'INSERT' THEN OLD.Gcc_Cve_Grupo_Cuenta_Contable END;\n"
                  "  operacion TEXT := CASE TG_OP WHEN 'INSERT' THEN 'ALTA' WHEN 'DELETE' THEN 'BAJA'\n"
                  "    ELSE CASE WHEN clave = anterior THEN 'CAMBIO' ELSE 'CLAVE' END END;\n"
                  // The server's clock in UTC, whatever the session's time zone.
                  "  fecha TEXT := to_char(statement_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS') || "
                  "'Z';\n"
                  "  previo TEXT;\n"
                  "BEGIN\n"
                  "  PERFORM %1;\n"
                  "  SELECT His_Sello INTO previo FROM %2.Kes_Historial ORDER BY His_Id DESC LIMIT 1;\n"
                  "  INSERT INTO %2.Kes_Historial (%3, His_Sello)\n"
                  "    VALUES (%4, %5);\n"
                  "  RETURN NULL;\n"
                  "END $$")
                  .arg(turno, esquema, columnas, campos.join(QStringLiteral(", ")), selloSql(campos)),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_historial_turno BEFORE INSERT OR UPDATE OR DELETE"
                       " ON %1.Grupo_Cuenta_Contable FOR EACH STATEMENT EXECUTE FUNCTION %1.gcc_historial_turno()")
            .arg(esquema),
        QStringLiteral("CREATE OR REPLACE TRIGGER gcc_historial AFTER INSERT OR UPDATE OR DELETE"
                       " ON %1.Grupo_Cuenta_Contable FOR EACH ROW EXECUTE FUNCTION %1.gcc_historial()")
            .arg(esquema),
    };
}

QStringList FuncionesProtegidas(const QString& esquema)
{
    QStringList sentencias;
    for (const char* funcion : {"gcc_padre_vigente", "gcc_retirar_clave", "gcc_sin_subgrupos_huerfanos"})
        sentencias << QStringLiteral("ALTER FUNCTION %1.%2() SECURITY DEFINER SET search_path = %1, pg_temp")
                          .arg(esquema, QLatin1String(funcion));
    return sentencias;
}

QStringList RolesYPermisos(const QString& esquema)
{
    const QString lectura = QLatin1String(kRolLectura), edicion = QLatin1String(kRolEdicion);
    // Roles belong to the whole server: another database's preparation may create them at the
    // same time, which the second one finds as a duplicate and lets be.
    QString roles = QStringLiteral("DO $$\nBEGIN\n");
    for (const QString& rol : {lectura, edicion})
        roles += QStringLiteral("  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') THEN\n"
                                "    BEGIN\n"
                                "      CREATE ROLE %1 NOLOGIN;\n"
                                "    EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;\n"
                                "      WHEN insufficient_privilege THEN\n"
                                "        RAISE EXCEPTION 'El usuario % no puede crear el rol %1: un superusuario debe "
                                "crearlo (CREATE ROLE %1 NOLOGIN) o darle el atributo CREATEROLE', session_user\n"
                                "          USING ERRCODE = 'P0001';\n"
                                "    END;\n"
                                "  END IF;\n")
                     .arg(rol);
    roles += QStringLiteral("END $$");
    const QString ambos = lectura + QStringLiteral(", ") + edicion;
    return {
        roles,
        QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM PUBLIC").arg(esquema),
        QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM PUBLIC").arg(esquema),
        QStringLiteral("REVOKE ALL ON ALL SEQUENCES IN SCHEMA %1 FROM PUBLIC").arg(esquema),
        QStringLiteral("REVOKE ALL ON ALL FUNCTIONS IN SCHEMA %1 FROM PUBLIC").arg(esquema),
        QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(esquema, ambos),
        QStringLiteral("GRANT SELECT ON %1.Grupo_Cuenta_Contable, %1.Kes_Parametro, %1.Kes_Historial,"
                       " %1.Kes_Version TO %2")
            .arg(esquema, ambos),
        QStringLiteral("GRANT INSERT, UPDATE, DELETE ON %1.Grupo_Cuenta_Contable TO %2").arg(esquema, edicion),
        QStringLiteral("GRANT INSERT ON %1.Kes_Bitacora TO %2").arg(esquema, edicion),
    };
}

}  // namespace EsquemaServidor
