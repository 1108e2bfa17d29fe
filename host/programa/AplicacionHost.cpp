#include "AplicacionHost.h"

#include "ErrorEjecucion.h"
#include "Servicios.h"
#include "Traducciones.h"

#include <memory>

extern "C" void* KesCrearObjeto(const char* clase);

AplicacionHost::AplicacionHost(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Kestrima"));
    setOrganizationName(QStringLiteral("Kestrima"));
    setApplicationVersion(QStringLiteral("6.00.0048"));
    if (!Traducciones::InstalarEspanol(*this))
        qWarning("Faltan las traducciones de Qt al español (paquete qt6-translations-l10n): "
                 "los diálogos estándar se muestran en inglés.");
}

bool AplicacionHost::notify(QObject* receptor, QEvent* evento)
{
    try {
        return QApplication::notify(receptor, evento);
    } catch (const ErrorEjecucion& error) {
        reportar(error.Description());
    } catch (const std::exception& error) {
        reportar(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        reportar(QStringLiteral("Error desconocido"));
    }
    return false;
}

void AplicacionHost::reportar(const QString& descripcion)
{
    try {
        std::unique_ptr<AccesoDatos> datos(static_cast<AccesoDatos*>(KesCrearObjeto("AccesoDatos")));
        if (datos) {
            datos->Mensaje(descripcion, AccesoDatos::vbCritical, QStringLiteral("Kestrima"), 0,
                           QStringLiteral("Kestrima"), QString());
            return;
        }
    } catch (...) {
    }
    qCritical("Error no controlado: %s", qPrintable(descripcion));
}
