#pragma once

#include "Servicios.h"

#include <memory>

// The utility service: lookups, dates, automatic numbers, the audit log of changes and the
// tree search. Its messages go through the AccesoDatos it is given, so they are shown,
// recorded and traced like the component's own.
//
// Dates: FormatoFecha gives "dd/MM/yyyy" (25/03/2024), FormatoFechaRegistro gives
// "yyyy-MM-dd HH:mm:ss" (2024-03-25 14:05:09), which sorts as text; FechaActual is the
// local time to the second.
class UtileriasKes : public Utilerias
{
public:
    explicit UtileriasKes(std::unique_ptr<AccesoDatos> mensajes);
    ~UtileriasKes() override;

    // The result field of the row whose key field equals the key value (bound as a
    // parameter), as text; the empty text when there is no such row or the field is NULL.
    // Table and field names must be plain identifiers. To tell a missing row from a row
    // whose field is empty, ask for the key field itself as the result field (a row that
    // exists gives back its key), or call ExisteRegistro.
    QString BuscarValor(const QString& tabla, const QString& campoClave, const QString& valorClave,
                        const QString& campoResultado, long numero, const QString& texto1, const QString& texto2,
                        const QString& texto3) override;
    QDateTime FechaActual() override;
    QString FormatoFecha(const QDateTime& fecha) override;
    QString FormatoFechaRegistro(const QDateTime& fecha) override;
    // 1 + the largest key made only of digits ("000042" counts as 42; "ABC", "1.2" and ""
    // do not count); 1 for a table without such keys. Throws when the next number does not
    // fit in 32 bits.
    long SiguienteNumero(const QString& tabla, const QString& campo, const QString& texto1, const QString& texto2,
                         const QString& texto3, const QString& texto4, const QString& texto5, const QString& texto6,
                         const QString& texto7) override;
    // Writes one audit row (table, key, operator, the database's time and login, transaction
    // text, session) inside the caller's open transaction and returns True. Returns False, with the reason in
    // UltimoError, when no transaction is open or when Kes_Permiso denies the operator writing
    // to the table (an operator without a row there may write).
    bool RegistrarCambio(const QString& tabla, const QString& clave, const QString& texto) override;
    // The same for many changes of one table made in the open transaction (an import): one
    // permission check, one audit row per key.
    bool RegistrarCambios(const QString& tabla, const QStringList& claves, const QString& texto);
    QString UltimoError() override;
    // Selects the next node containing the text (see BusquedaEnArbol); when none does, says
    // so with a message (style 48, title "Buscar").
    void BuscarEnArbol(QTreeWidget* arbol, const QString& texto) override;
    // A form's transaction code: its parent's code when there is one, otherwise the
    // application's name.
    QString ObtenerTransaccion(const QString& transaccionPadre, const QString& aplicacion) override;

    bool ExisteRegistro(const QString& tabla, const QString& campoClave, const QString& valorClave);

private:
    // SQLite: whether Kes_Permiso lets `operador` change `tabla` (else the reason in m_ultimoError).
    bool permitido(Connection& conexion, const QString& operador, const QString& tabla);
    std::unique_ptr<AccesoDatos> m_mensajes;
    QString m_ultimoError;
};
