// The MainWindow procedure: a thin dispatcher to the handlers of each concern.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
