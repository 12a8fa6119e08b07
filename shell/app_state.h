// The process-wide state of the program, filled at start-up and read and
// written by every subsystem on the one user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/outcome.h"
#include "base/resource_text.h"
#include "base/shell_services.h"

#include <string>

class NameEntryWindow;

struct AppState {
    bool isPocketPc = true;            // false only on a "SmartPhone"
    UINT_PTR animationTimer = 0;       // non-zero while the toolbar animates
    int32_t clientHeight = 0;
    int32_t clientWidth = 0;
    HWND mainWindow = nullptr;
    HWND menuBar = nullptr;            // null when it could not be created
    HINSTANCE instance = nullptr;      // every resource is loaded from it
    bool editorView = false;           // false: tree view; true: editor view
    int32_t animationTicks = 0;
    HMENU popupMenu = nullptr;         // the tap-and-hold menu while it is open
    NameEntryWindow* activeNameEntry = nullptr;
    SHACTIVATEINFO activateInfo = {};
    // An exit found the open note could not be saved and was refused so the
    // text stays; the next exit ends the program all the same.
    bool exitRefusedForNote = false;
    // Likewise for choosing another item while such an edit is pending.
    bool selectionRefusedForNote = false;
    // InitContent has made the content: from then on a desktop's size
    // changes lay it out.
    bool contentMade = false;
    // The main window could not be made (under Wine: no display to show it
    // on); the start ends with a status that says so.
    bool windowRefused = false;
};

extern AppState app;

// Shows the system's text for the calling thread's last error in a message
// box captioned "Error". Call it before anything else can change that error.
void ReportLastError();
// Shows a refusal of the program's own, its text from the string table, in
// the same box: what the program will not do, and that nothing changed.
void ReportRefusal(UINT textId);
// Shows what an operation came to unless it was done: a refusal by its
// text, a failure by the system's text for its code.
void ReportOutcome(const Outcome& outcome);
