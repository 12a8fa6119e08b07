#include "shell/main_window.h"

#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "shell/settings.h"
#include "editor/note_editor.h"
#include "notes/notes_folder.h"
#include "tree/folder_watch.h"
#include "tree/note_tree.h"

namespace {

LRESULT OnCreate(HWND window)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = window;
    info.nToolBarId = IDMB_MAIN;
    info.hInstRes = app.instance;
    app.menuBar = SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
    app.activateInfo = SHACTIVATEINFO{};
    app.activateInfo.cbSize = sizeof(SHACTIVATEINFO);
    return 0;
}

// Set once the open note has been saved on the way out, so that a save that
// failed there is not tried, and reported, a second time.
bool savedOnClose = false;

// Closing saves the open note first and only then takes the window down:
// hiding and destroying windows may take a while (under Wine without a
// window manager about two seconds), and an edit the user asked to keep must
// not wait for it.
// When that save fails, the one box has said so and the program stays with
// the text in the editor; a second exit after that ends it.
LRESULT OnClose(HWND window)
{
    if (!app.exitRefusedForNote && !SaveOpenNote()) {
        app.exitRefusedForNote = true;
        return 0;
    }
    savedOnClose = true;
    DestroyWindow(window);
    return 0;
}

// The end of a session saves the open note as an exit does; a note that
// cannot be saved asks the system to let the session go on.
bool sessionSaveFailed = false;

LRESULT OnQueryEndSession()
{
    sessionSaveFailed = !SaveOpenNote();
    return sessionSaveFailed ? FALSE : TRUE;
}

LRESULT OnEndSession(HWND window, WPARAM ending)
{
    if (ending) {
        if (!sessionSaveFailed)
            SaveOpenNote();
        SaveSettings();
#ifndef _WIN32_WCE
        KeepMainWindowPlacement(window);
#endif
    }
    sessionSaveFailed = false;
    return 0;
}

LRESULT OnDestroy(HWND window)
{
    folderWatch.Stop();
    SaveSettings();
#ifndef _WIN32_WCE
    KeepMainWindowPlacement(window);
#else
    (void)window;
#endif
    if (!savedOnClose)
        SaveOpenNote();
    savedOnClose = false;
    if (app.menuBar)
        DestroyWindow(app.menuBar);
    app.menuBar = nullptr;
    PostQuitMessage(0);
    return 0;
}

// Coming back to the front (after a box, the About window or another
// program) gives the keyboard back to the view's control, so typing goes on
// where it was without a tap first.
LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM lParam)
{
    SHHandleWMActivate(window, wParam, lParam, &app.activateInfo, 0);
    if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
        ReloadOpenNoteIfChanged();
        HWND control = app.editorView ? noteEditor.control : noteTree.controlWindow;
        if (control && IsWindowVisible(control))
            SetFocus(control);
    }
    return 0;
}

LRESULT OnPaint(HWND window)
{
    PaintMainWindow(window);
    return 0;
}

// How deep the window procedure is in calls of itself: 1 while it handles a
// message of the top-level loop, more while a box, a menu or the name entry
// window runs its own loop inside a handler.
int dispatchDepth = 0;
// A refresh came while the tree could not change; it runs once the window
// is back at its top level.
bool refreshDeferred = false;

// Whether the tree's items may be removed now: no handler below holds an
// item (a command, a box, a menu, the name entry window), no label is being
// edited and the control is not tracking a press.
bool TreeMayChangeNow(int depth)
{
    return depth <= 1 && !app.popupMenu && !app.activeNameEntry && !GetCapture() &&
           !(noteTree.controlWindow && TreeView_GetEditControl(noteTree.controlWindow));
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_CLOSE:
        return OnClose(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_QUERYENDSESSION:
        return OnQueryEndSession();
    case WM_ENDSESSION:
        return OnEndSession(window, wParam);
#ifndef _WIN32_WCE
    // A desktop window has a frame the user can resize.
    case WM_SIZE:
        return OnSize(window, wParam);
    case WM_ENTERSIZEMOVE:
        BeginFrameDrag(window);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_SIZING:
        FollowFrameDrag(window, wParam, reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_EXITSIZEMOVE:
        EndFrameDrag(window);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_WINDOWPOSCHANGING:
        if (app.contentMade && FollowManagerSizing(window, reinterpret_cast<WINDOWPOS*>(lParam)))
            SetTimer(window, kManagerSizingTimerId, kManagerSettleDelay, nullptr);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_GETMINMAXINFO:
        LimitTrackSize(window, reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_DISPLAYCHANGE:
        FollowScreenChange(window);
        SetTimer(window, kManagerSizingTimerId, kManagerSettleDelay, nullptr);
        return DefWindowProcW(window, message, wParam, lParam);
#endif
    case WM_ACTIVATE:
        return OnActivate(window, wParam, lParam);
    case WM_PAINT:
        return OnPaint(window);
    case WM_SETTINGCHANGE:
        return OnSettingChange(window, wParam, lParam);
    case WM_NOTIFY:
        return OnNotify(window, wParam, lParam);
    case WM_COMMAND:
        return OnCommand(window, wParam, lParam);
    case WM_CONTEXTMENU:
        return OnContextMenu(window, lParam);
    case WM_TIMER:
        if (wParam == kFolderTimerId)
            return OnFolderTimer(window);
        if (wParam == kFolderCheckTimerId)
            return OnFolderCheck(window);
        if (wParam == kNameKeysTimerId)
            return OnNameKeys(window);
#ifndef _WIN32_WCE
        if (wParam == kManagerSizingTimerId) {
            KillTimer(window, kManagerSizingTimerId);
            ApplyManagerSizing(window);
            return 0;
        }
#endif
        return OnAnimationTick(window);
    case kNotesChangedMessage:
        return OnNotesChanged(window, wParam);
    case kWatchFolderMessage:
        WatchNotesFolder(window);
        return 0;
    case WM_CTLCOLOREDIT:
        return OnEditorColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORSTATIC:
        // A note opened read-only asks with this message: keep its page look.
        if (reinterpret_cast<HWND>(lParam) == noteEditor.control && noteEditor.control)
            return OnEditorColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        return OnButtonDown(window, wParam, lParam);
    case WM_LBUTTONUP:
        return OnRelease(window, LOWORD(lParam), HIWORD(lParam));
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++dispatchDepth;
    const LRESULT result = HandleMessage(window, message, wParam, lParam);
    --dispatchDepth;
    if (dispatchDepth == 0 && refreshDeferred && TreeMayChangeNow(0)) {
        refreshDeferred = false;
        PostMessageW(window, kNotesChangedMessage, kRefreshNow, 0);
    }
    return result;
}

void WatchNotesFolder(HWND window)
{
    // A new watch follows the notes folder as it is now.
    const std::wstring notesFolder = NotesFolderAnew();
    std::vector<std::wstring> subfolders;
    for (HTREEITEM item : noteTree.FolderItems()) {
        if (item != noteTree.rootItem)
            subfolders.push_back(NotesHostPath(noteTree.EntryOf(item)));
    }
    folderWatch.selectionUnsaved = [] {
        const HTREEITEM selected = noteTree.GetSelected();
        return noteEditor.modified && !noteEditor.readOnlyNote && selected &&
               noteTree.GetKind(selected) == kKindNote;
    };
    folderWatch.Start(notesFolder, subfolders, window, kNotesChangedMessage);
    SetTimer(window, kFolderCheckTimerId, kFolderCheckInterval, nullptr);
}

// A watch that ended, or that follows a notes folder no longer there, is
// started again; once it listens, everything is listed once.
LRESULT OnFolderCheck(HWND window)
{
    if (folderWatch.NeedsRestart(true))
        WatchNotesFolder(window);
    return OnNameKeys(window);
}

// Labels new or renamed since the last look get their keys: the first sort
// by name of a large tree then costs a comparison of keys, not a collation
// call per label.
LRESULT OnNameKeys(HWND window)
{
    KillTimer(window, kNameKeysTimerId);
    if (noteTree.MakeNameKeys(kNameKeySlice))
        SetTimer(window, kNameKeysTimerId, 1, nullptr);
    return 0;
}

LRESULT OnNotesChanged(HWND window, WPARAM when)
{
    if (when == kRefreshNow)
        return OnFolderTimer(window);
    SetTimer(window, kFolderTimerId, kFolderSettleDelay, nullptr);
    return 0;
}

// A burst of changes (a sync writing thousands of files) is taken a slice
// at a time, so the window keeps answering in between. The tree changes
// only here, at the window's top level: an item a handler holds is never
// removed under it.
LRESULT OnFolderTimer(HWND window)
{
    KillTimer(window, kFolderTimerId);
    if (!TreeMayChangeNow(dispatchDepth)) {
        refreshDeferred = true;
        // A label edit ends without a message of the window's own: it is
        // looked at again shortly.
        SetTimer(window, kFolderTimerId, kDeferredRefreshDelay, nullptr);
        return 0;
    }
    refreshDeferred = false;
    // After a folder renamed by another program, only a new watch reports
    // what changes in it under its new name.
    if (folderWatch.NeedsRestart(false))
        WatchNotesFolder(window);
    const bool more = folderWatch.RefreshChangedFolders(kRefreshSlice);
    ReportTreeFailures();
    if (more)
        SetTimer(window, kFolderTimerId, 1, nullptr);
    return 0;
}
