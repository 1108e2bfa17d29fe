#include "ReporteError.h"

#include "ApoyoFormas.h"
#include "ErrorEjecucion.h"
#include "Publico.h"

#include <exception>

namespace ReporteError {

void Reportar(const QString& descripcion, const QString& procedimiento, qintptr ventana, const QString& idError)
{
    if (!Publico::oDatos)
        throw ErrorEjecucion(descripcion);
    Publico::oDatos->Mensaje(descripcion, AccesoDatos::vbCritical, procedimiento + QStringLiteral("()"), ventana,
                             kProyecto, idError);
}

QString DescripcionDelError()
{
    try {
        throw;
    } catch (const ErrorEjecucion& error) {
        return error.Description();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Memoria insuficiente");
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Error desconocido");
    }
}

}  // namespace ReporteError
