// Start of the instance: platform check, single instance, the main window
// class and window, and the content it shows.
#pragma once

#include <windows.h>

bool IsPocketPc();
ATOM RegisterMainClass(HINSTANCE instance, const wchar_t* className);
bool StartInstance(HINSTANCE instance, int showCommand);
void InitContent();

// Runs the main message loop with accelerators 2; answers the quit code.
int RunMessageLoop();
