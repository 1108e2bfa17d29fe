#include "Teclado.h"

#include <QKeyEvent>

namespace Teclado {

int CodigoTecla(int tecla)
{
    if ((tecla >= Qt::Key_A && tecla <= Qt::Key_Z) || (tecla >= Qt::Key_0 && tecla <= Qt::Key_9))
        return tecla;  // letters and digits share their codes with ASCII
    if (tecla >= Qt::Key_F1 && tecla <= Qt::Key_F24)
        return 112 + (tecla - Qt::Key_F1);
    switch (tecla) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

int CodigoTecla(const QKeyEvent* evento)
{
    return CodigoTecla(evento->key());
}

int Mayusculas(Qt::KeyboardModifiers modificadores)
{
    int mascara = 0;
    if (modificadores & Qt::ShiftModifier)
        mascara |= vbShiftMask;
    if (modificadores & Qt::ControlModifier)
        mascara |= vbCtrlMask;
    if (modificadores & Qt::AltModifier)
        mascara |= vbAltMask;
    return mascara;
}

}  // namespace Teclado
