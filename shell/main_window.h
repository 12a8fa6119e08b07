// The MainWindow procedure: a thin dispatcher to the handlers of each concern.
#pragma once

#include <windows.h>

#include "skin/about_window.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Views, layout and painting.
void PaintMainWindow(HWND window);
LRESULT OnPress(HWND window, int x, int y);
LRESULT OnRelease(HWND window, int x, int y);
LRESULT OnAnimationTick(HWND window);
LRESULT OnSettingChange(HWND window, WPARAM wParam, LPARAM lParam);
// A desktop's size change, whoever made it: the content is laid out for the
// new client size as for a setting change, and the window is repainted.
LRESULT OnSize(HWND window, WPARAM kind);
LRESULT OnEditorColours(HDC dc, HWND control);
// Flips between the tree view and the editor view, as a tap on the ring
// binding does (also the F6 key).
void SwitchView(HWND window);
// Lays the content out for the current client size: the editor, the tree
// and the lined page behind the editor's text, scaled as the skin is.
void LayOutContent();
bool InsideToggleArea(int x, int y);

// Tap-and-hold menus, commands and tree notifications.
LRESULT OnButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam);
// WM_CONTEXTMENU: the view's menu from the keyboard.
LRESULT OnContextMenu(HWND window, LPARAM lParam);
// The keys that move between the tree and the page, taken in the message
// loop before the controls see them: true when the key was used.
bool TranslateViewKey(const MSG& message);

// Saves the open note when the selected item is a note; used on leaving
// the editor view, by the Save command and at exit. False when an edit is
// still pending because its save failed (the failure was shown).
bool SaveOpenNote();
// After a save that found the open note changed or deleted by another
// program: a new note joins the tree, and one box says where the text went.
void ReportSaveDetour();
// What the About window takes from the program: its module, the device,
// and the main window's client size, which it covers.
AboutWindow::Host AboutHost();
// Shows what the tree's scans and refreshes could not do since the last
// time, one box each.
void ReportTreeFailures();
// Shows the open note again when another program changed it while nothing
// was typed here: on entering the editor view and on coming to the front.
void ReloadOpenNoteIfChanged();

// Toolbar animation timer.
constexpr UINT_PTR kAnimationTimerId = 200;
constexpr UINT kAnimationInterval = 100;

// Changes other programs make in the notes folder: the watch posts the
// message, and the tree follows them once they have settled for a moment.
constexpr UINT kNotesChangedMessage = WM_APP + 1;
// Posted by start-up: the watch begins once the window is up and answering.
constexpr UINT kWatchFolderMessage = WM_APP + 2;
constexpr UINT_PTR kFolderTimerId = 201;
// A desktop's window manager sized the window: it is put in proportion once
// the manager is quiet (desktop_window.h).
constexpr UINT_PTR kManagerSizingTimerId = 202;
constexpr UINT kFolderSettleDelay = 150;
// How often the watch is looked at: the platform's never says it failed,
// nor that the notes folder was replaced.
constexpr UINT_PTR kFolderCheckTimerId = 203;
constexpr UINT kFolderCheckInterval = 1000;
// kNotesChangedMessage's wParam when the tree is to follow at once (a
// command found an entry gone), not after the changes settle.
constexpr WPARAM kRefreshNow = 1;
// A refresh waiting for a label edit to end looks again after this long.
constexpr UINT kDeferredRefreshDelay = 100;
// The time the window gives the tree's refresh at a turn, in ms: the last
// step may run over it by a few, and the window waits 50 ms at most.
constexpr DWORD kRefreshSlice = 45;
// The labels' sort keys are made in slices of this many ms when the window
// has nothing else to do (a timer's message comes only then).
constexpr UINT_PTR kNameKeysTimerId = 204;
constexpr DWORD kNameKeySlice = 10;
// Starts following the notes folder (after the scan), and stops.
void WatchNotesFolder(HWND window);
LRESULT OnNotesChanged(HWND window, WPARAM when);
LRESULT OnFolderTimer(HWND window);
LRESULT OnFolderCheck(HWND window);
LRESULT OnNameKeys(HWND window);
