#include "support/shell_program.h"

#include "base/registry.h"
#include "editor/note_editor.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "shell/name_entry_window.h"
#include "shell/start_up.h"
#include "tree/note_tree.h"

#include <commctrl.h>

namespace {

const UINT kAnswerNameEntry = WM_APP + 77;

bool holdNext = false;
OpenedMenu* openedMenu = nullptr;
std::wstring entryText;
int entryButton = IDOK;
bool entryKeepText = false;
ProgramUnderTest* current = nullptr;

DWORD DecideGesture(const SHRGINFO*)
{
    return holdNext ? GN_CONTEXTMENU : 0;
}

// Records every command item of the menu and its sub-menus: their states
// were all set before the menu opened.
void RecordPopup(HMENU menu)
{
    if (!openedMenu)
        return;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            RecordPopup(sub);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue;
        openedMenu->ids.push_back(id);
        openedMenu->greyed.push_back((GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0);
    }
}

void AnswerOpenNameEntry()
{
    NameEntryWindow* entry = app.activeNameEntry;
    if (!entry || !entry->window)
        return;
    if (current) {
        current->nameEntryCaptions.push_back(entry->caption ? entry->caption : L"");
        current->nameEntryTexts.push_back(entry->text.Text());
        RECT place = {0, 0, 0, 0};
        GetWindowRect(entry->window, &place);
        current->nameEntryPlaces.push_back(place);
    }
    if (!entryKeepText && entry->editor && entry->editor->control) {
        SendMessageW(entry->editor->control, EM_SETSEL, 0, -1);
        SendMessageW(entry->editor->control, EM_REPLACESEL, TRUE,
                     reinterpret_cast<LPARAM>(entryText.c_str()));
    }
    if (entryButton == IDOK)
        SendMessageW(entry->window, WM_COMMAND, MAKEWPARAM(402, BN_CLICKED), 0);
    else if (entryButton == IDCANCEL)
        SendMessageW(entry->window, WM_COMMAND, MAKEWPARAM(403, BN_CLICKED), 0);
    else
        SendMessageW(entry->window, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_INITMENUPOPUP:
        if (openedMenu && openedMenu->ids.empty())
            RecordPopup(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_ENTERIDLE:
        // The menu is open and waits for the user: the test has seen it.
        if (wParam == MSGF_MENU)
            EndMenu();
        break;
    case kAnswerNameEntry:
        AnswerOpenNameEntry();
        return 0;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The pop-up may be activated more than once while it opens; it is
// answered once.
HWND answeredEntry = nullptr;

void OnNameEntryCreated(HWND window)
{
    wchar_t className[64] = {0};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, L"MyDirNameClass") == 0 && app.mainWindow &&
        window != answeredEntry) {
        answeredEntry = window;
        PostMessageW(app.mainWindow, kAnswerNameEntry, 0, 0);
    }
}

}  // namespace

bool OpenedMenu::IsGreyed(UINT id) const
{
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i] == id)
            return greyed[i];
    return false;
}

bool OpenedMenu::Has(UINT id) const
{
    for (UINT each : ids)
        if (each == id)
            return true;
    return false;
}

ProgramUnderTest::ProgramUnderTest() : started(false)
{
    current = this;
    SettingsKeyGuard::DeleteSettingsKey();
    SetGestureDecider(DecideGesture);
    boxes.OnOtherWindow(OnNameEntryCreated);
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (started && app.mainWindow && IsWindow(app.mainWindow)) {
        DestroyWindow(app.mainWindow);
        Pump();
    }
    UnregisterClassW(L"ZEPHNOTES", GetModuleHandleW(nullptr));
    SetGestureDecider(nullptr);
    app = AppState();
    editControl = EditControlLinks();
    current = nullptr;
}

bool ProgramUnderTest::Start()
{
    if (startAtDesignSize) {
        const RECT work = MainWorkArea();
        StoreClientPlacement(work.left + 40, work.top + 40, 240, 268, 0);
    }
    app = AppState();
    editControl = EditControlLinks();
    noteEditor.modified = false;
    noteEditor.readOnlyNote = false;
    noteTree.searchList.clear();
    noteTree.searchText.clear();
    noteTree.sortMode = 0;
    noteTree.sortOrder = 0;
    LastSearchText = WideString();
    // The quit a program before this one left in the thread's queue would
    // stop every later pump before the posted messages.
    MSG stale;
    while (PeekMessageW(&stale, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    started = StartInstance(GetModuleHandleW(nullptr), SW_SHOW);
    if (started)
        SetWindowSubclass(app.mainWindow, WatchMainWindow, 77, 0);
    Pump();
    return started;
}

bool ProgramUnderTest::Exit()
{
    Command(40000);
    MSG msg;
    DWORD until = GetTickCount() + 5000;
    while (GetTickCount() < until) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (app.mainWindow && IsWindow(app.mainWindow))
                return false;   // nothing left to do and the window stays
            Sleep(1);
            continue;
        }
        if (msg.message == WM_QUIT)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    started = false;
    return true;
}

HWND ProgramUnderTest::window() const
{
    return app.mainWindow;
}

void ProgramUnderTest::Press(int x, int y, bool hold)
{
    holdNext = hold;
    SendMessageW(window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    holdNext = false;
    Pump();
}

void ProgramUnderTest::Release(int x, int y)
{
    SendMessageW(window(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Pump();
}

OpenedMenu ProgramUnderTest::HoldAndChoose(UINT command)
{
    OpenedMenu menu;
    openedMenu = &menu;
    Press(100, 100, true);
    openedMenu = nullptr;
    // A greyed item cannot be chosen; any other arrives as the menu's command.
    if (command && menu.Has(command) && !menu.IsGreyed(command))
        Command(command);
    Pump();
    return menu;
}

void ProgramUnderTest::AnswerNameEntry(const std::wstring& text, int button, bool keepText)
{
    entryText = text;
    entryButton = button;
    entryKeepText = keepText;
}

void ProgramUnderTest::Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ProgramUnderTest::PumpFor(DWORD milliseconds)
{
    const ULONGLONG until = GetTickCount64() + milliseconds;
    do {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount64() < until);
    Pump();
}

std::wstring ProgramUnderTest::NotesPath(const std::wstring& relative) const
{
    return docs.HostPath(L"ZephNotes" + (relative.empty() ? L"" : L"\\" + relative));
}

void StoreClientPlacement(int left, int top, int width, int height, int maximized)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(RegistryRoot(), L"SOFTWARE\\Brisel\\ZephNotes", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const struct {
        const wchar_t* name;
        int value;
    } values[] = {{L"ClientLeft", left},
                  {L"ClientTop", top},
                  {L"ClientWidth", width},
                  {L"ClientHeight", height},
                  {L"Maximized", maximized}};
    for (const auto& value : values) {
        const DWORD data = static_cast<DWORD>(value.value);
        RegSetValueExW(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                       sizeof(data));
    }
    RegCloseKey(key);
}

RECT MainWorkArea()
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    const POINT origin = {0, 0};
    GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

std::vector<std::wstring> ItemLabels(HTREEITEM parent)
{
    std::vector<std::wstring> labels;
    for (HTREEITEM child = noteTree.NextItem(parent, TVGN_CHILD); child;
         child = noteTree.NextItem(child, TVGN_NEXT)) {
        noteTree.GetLabel(child);
        labels.push_back(noteTree.textBuffer);
    }
    return labels;
}

HTREEITEM ItemNamed(HTREEITEM parent, const std::wstring& label)
{
    for (HTREEITEM child = noteTree.NextItem(parent, TVGN_CHILD); child;
         child = noteTree.NextItem(child, TVGN_NEXT)) {
        noteTree.GetLabel(child);
        if (label == noteTree.textBuffer)
            return child;
    }
    return nullptr;
}

namespace {

struct OutsidePosition {
    HWND window;
    int x, y, width, height;
    UINT flags;
};

DWORD WINAPI SetPositionThread(void* data)
{
    const OutsidePosition* position = static_cast<const OutsidePosition*>(data);
    SetWindowPos(position->window, nullptr, position->x, position->y, position->width,
                 position->height, position->flags);
    return 0;
}

}  // namespace

void SetWindowPosFromOutside(HWND window, int x, int y, int width, int height, UINT flags)
{
    OutsidePosition position = {window, x, y, width, height, flags};
    HANDLE thread = CreateThread(nullptr, 0, SetPositionThread, &position, 0, nullptr);
    if (!thread)
        return;
    // The call waits for this thread to handle the messages it sends.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        ProgramUnderTest::Pump();
    }
    CloseHandle(thread);
}

void SetClientSizeFromOutside(HWND window, int width, int height)
{
    const RECT edges = NonClientEdgesFor(window, height);
    SetWindowPosFromOutside(window, 0, 0, width + edges.left + edges.right,
                            height + edges.top + edges.bottom,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
