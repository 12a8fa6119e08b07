// Runs the whole program in the test's process: start-up on a temporary
// documents folder and a guarded settings key, gestures decided by the test,
// the tap-and-hold menus and name entry window answered as a user would.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "support/message_boxes.h"
#include "support/temp_folder.h"
#include "support/tree_settings_key.h"

struct OpenedMenu {
    std::vector<UINT> ids;       // every command item of every pop-up that opened
    std::vector<bool> greyed;    // in the same order
    bool IsGreyed(UINT id) const;
    bool Has(UINT id) const;
};

class ProgramUnderTest {
public:
    ProgramUnderTest();
    ~ProgramUnderTest();

    // Starts the program (StartInstance); false when it did not start. Unless
    // startAtDesignSize was cleared, the window's kept placement is first
    // stored as a client area of the design's 240 x 268 near the screen's
    // top-left corner, as a user who kept that size would have it.
    bool Start();
    bool startAtDesignSize = true;
    // Ends it as the Exit command does and runs the loop to its quit; false
    // when the program refused to end and is still running.
    bool Exit();

    // A press that is (hold true) or is not a tap-and-hold, at client x, y.
    void Press(int x, int y, bool hold);
    void Release(int x, int y);
    void Tap(int x, int y) { Press(x, y, false); Release(x, y); }

    // Opens the tap-and-hold menu, records what it offers, closes it and, when
    // command is not 0 and the menu offers it enabled, chooses it.
    OpenedMenu HoldAndChoose(UINT command);

    // How the next name entry window is answered: the text typed into its
    // field (replacing what is there, unless keepText) and the button.
    void AnswerNameEntry(const std::wstring& text, int button, bool keepText = false);

    void Command(UINT id) { SendMessageW(window(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    static void Pump();
    // Runs the program's messages for a while, its timers too.
    void PumpFor(DWORD milliseconds);
    HWND window() const;

    // Host path under the notes folder.
    std::wstring NotesPath(const std::wstring& relative) const;

    TempDocuments docs;
    SettingsKeyGuard settings;
    MessageBoxAnswerer boxes;
    std::vector<std::wstring> nameEntryCaptions;  // of every name entry window shown
    std::vector<std::wstring> nameEntryTexts;     // the initial text each showed
    std::vector<RECT> nameEntryPlaces;            // and its screen rectangle

private:
    bool started;
};

// Stores the window's kept placement as the program reads it: the client
// area's left, top, width and height and the maximised flag, REG_DWORDs.
void StoreClientPlacement(int left, int top, int width, int height, int maximized);
// The work area of the main screen.
RECT MainWorkArea();

// SetWindowPos as another program calls it: from another thread, while
// this one runs the window's messages.
void SetWindowPosFromOutside(HWND window, int x, int y, int width, int height, UINT flags);
// Gives the main window a client area of width x height above its menu bar
// that way: a plain size change and nothing else.
void SetClientSizeFromOutside(HWND window, int width, int height);

// Labels of an item's children in the control's order.
std::vector<std::wstring> ItemLabels(HTREEITEM parent);
// The child of parent with this label, or null.
HTREEITEM ItemNamed(HTREEITEM parent, const std::wstring& label);
