// The window class of the progress window, by which other programs can find it.
#pragma once

#include <windows.h>

const char SETUP_WINDOW_CLASS[] = "NorvaneSetup";

// Registers SETUP_WINDOW_CLASS for instance as a copy of the system dialog class
// "#32770"; true when it is registered, also when it already was.
bool RegisterSetupWindowClass(HINSTANCE instance);
