#pragma once

#include <Qt>

class QKeyEvent;

// Key codes and shift states as the component's handlers test them: virtual-key codes
// (F2 = 113, F5 = 116, B = 66, Escape = 27) and a shift mask (1 Shift, 2 Ctrl, 4 Alt).
namespace Teclado {

enum Codigo {
    vbKeyReturn = 13,
    vbKeyEscape = 27,
    vbKeyB = 66,
    vbKeyF2 = 113,
    vbKeyF3 = 114,
    vbKeyF5 = 116,
};
enum Mascara { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

// The virtual-key code of a Qt key, or 0 for a key without one.
int CodigoTecla(int teclaQt);
int CodigoTecla(const QKeyEvent* evento);
int Mayusculas(Qt::KeyboardModifiers modificadores);

}  // namespace Teclado
