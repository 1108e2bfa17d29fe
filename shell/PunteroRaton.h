#pragma once

// The application-wide mouse pointer: 11 shows the hourglass, 0 the default pointer.
namespace PunteroRaton {

enum { vbDefault = 0, vbHourglass = 11 };

void Establecer(int puntero);
int Actual();

}  // namespace PunteroRaton
