#pragma once

class QCoreApplication;

namespace Traducciones {

// Installs Qt's own Spanish texts (standard buttons, the print, preview and file dialogs, the
// command line's help) from Qt's translations folder: the variant of the user's locale when
// it is Spanish, plain Spanish otherwise, for every text of the program is Spanish. False
// when Qt's translations are not installed: Qt's texts then stay in English.
bool InstalarEspanol(QCoreApplication& aplicacion);

}  // namespace Traducciones
