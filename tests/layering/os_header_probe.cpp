// Compiled with the settings of the portable core by the layering test, which passes only when
// this file fails to compile with the guard's message.
#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif
