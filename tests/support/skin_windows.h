// Windows for the skin's tests: a stand-in main window at the screen's
// top-left corner, and the name entry request as the commands make it.
#pragma once

#include <windows.h>

#include "shell/name_entry_window.h"

class TestMainWindow {
public:
    // A top-level pop-up whose client area is width x height at (0, 0);
    // app.clientWidth/Height follow it.
    TestMainWindow(int width, int height);
    ~TestMainWindow();

    HWND Handle() const { return window; }
    // The quit code posted when the window is destroyed; none when negative.
    void QuitOnDestroy(int code);

private:
    HWND window;
};

// One request of the commands: construct, point activeNameEntry at it, set
// the initial text, Create centred on the client size, CreateButtons.
class NameEntryRequest {
public:
    NameEntryRequest(HWND parent, const wchar_t* caption, const wchar_t* initialText,
                     int okBitmap);
    ~NameEntryRequest();

    NameEntryWindow& Entry() { return entry; }
    bool Created() const { return created; }
    HWND Field() const;

private:
    NameEntryWindow entry;
    bool created;
};

// Runs the thread's pending messages (not WM_QUIT).
void PumpSkinMessages();
