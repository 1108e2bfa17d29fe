#pragma once

#include "Ado.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class QTreeWidget;

// The host's services, as the component calls them. They live in the host's own library
// (outside the component); the start-up routine of Publico obtains them through one factory
// seam. Failures are thrown as ErrorEjecucion.

class AccesoDatos
{
public:
    virtual ~AccesoDatos() = default;

    // The styles of Mensaje: the icon of the message box.
    enum EstiloMensaje : long { vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64 };

    // Every call returns the same open connection.
    virtual Connection* Conexion() = 0;
    virtual QString Operador() = 0;
    virtual QVariant ObtenerParametro(const QString& nombre, long numero, const QString& tipo,
                                      const QVariant& predeterminado) = 0;
    // The component shows errors (vbCritical) and warnings (vbExclamation); it never reads
    // the result.
    virtual void Mensaje(const QString& texto, long estilo, const QString& titulo, qintptr ventana,
                         const QString& proyecto, const QString& idError) = 0;
};

class Utilerias
{
public:
    virtual ~Utilerias() = default;

    virtual QString BuscarValor(const QString& tabla, const QString& campoClave, const QString& valorClave,
                                const QString& campoResultado, long numero, const QString& texto1,
                                const QString& texto2, const QString& texto3) = 0;
    virtual QDateTime FechaActual() = 0;
    virtual QString FormatoFecha(const QDateTime& fecha) = 0;
    virtual QString FormatoFechaRegistro(const QDateTime& fecha) = 0;
    virtual long SiguienteNumero(const QString& tabla, const QString& campo, const QString& texto1,
                                 const QString& texto2, const QString& texto3, const QString& texto4,
                                 const QString& texto5, const QString& texto6, const QString& texto7) = 0;
    // Called inside the caller's open transaction, after the change ran.
    virtual bool RegistrarCambio(const QString& tabla, const QString& clave, const QString& texto) = 0;
    virtual QString UltimoError() = 0;
    virtual void BuscarEnArbol(QTreeWidget* arbol, const QString& texto) = 0;
    virtual QString ObtenerTransaccion(const QString& transaccionPadre, const QString& aplicacion) = 0;
};

class VisorReporte
{
public:
    virtual ~VisorReporte() = default;

    virtual void MostrarReporte(const QString& listado, const QString& titulo, long n1, long n2, long n3, long n4,
                                long n5, long n6) = 0;
};

// Creates the host's service objects by class name ("AccesoDatos", "Utilerias",
// "VisorReporte"), or returns nullptr for a name it does not know. The services library
// exports one with C linkage under the name KesCrearObjeto.
using KesCrearObjetoFn = void* (*)(const char* clase);
