#pragma once

#include "Servicios.h"

#include <memory>

// The utility service with every call written to the trace when it is on.
class TrazaUtilerias : public Utilerias
{
public:
    explicit TrazaUtilerias(std::unique_ptr<Utilerias> interior);

    QString BuscarValor(const QString& tabla, const QString& campoClave, const QString& valorClave,
                        const QString& campoResultado, long numero, const QString& texto1, const QString& texto2,
                        const QString& texto3) override;
    QDateTime FechaActual() override;
    QString FormatoFecha(const QDateTime& fecha) override;
    QString FormatoFechaRegistro(const QDateTime& fecha) override;
    long SiguienteNumero(const QString& tabla, const QString& campo, const QString& texto1, const QString& texto2,
                         const QString& texto3, const QString& texto4, const QString& texto5, const QString& texto6,
                         const QString& texto7) override;
    bool RegistrarCambio(const QString& tabla, const QString& clave, const QString& texto) override;
    QString UltimoError() override;
    void BuscarEnArbol(QTreeWidget* arbol, const QString& texto) override;
    QString ObtenerTransaccion(const QString& transaccionPadre, const QString& aplicacion) override;

private:
    std::unique_ptr<Utilerias> m_interior;
};
