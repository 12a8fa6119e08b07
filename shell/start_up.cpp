#include "shell/start_up.h"

#include "base/shell_services.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "editor/note_editor.h"
#include "skin/skin_strip.h"
#include "tree/note_tree.h"

#include <cwchar>

bool IsPocketPc()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version))
        return true;
    wchar_t platform[130] = {0};
    if (!GetPlatformType(platform, sizeof(platform)))
        return true;
    return wcscmp(platform, L"SmartPhone") != 0;
}

ATOM RegisterMainClass(HINSTANCE instance, const wchar_t* className)
{
    WNDCLASSW wc = {};
    // The whole window is repainted on every size change; it paints every
    // pixel itself, so it has no background brush.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZEPHNOTES));
    wc.lpszClassName = className;
    return RegisterClassW(&wc);
}

bool StartInstance(HINSTANCE instance, int showCommand)
{
    app.instance = instance;
    app.isPocketPc = IsPocketPc();
    SHInitExtraControls();

    wchar_t title[100] = {0};
    wchar_t className[100] = {0};
    LoadStringW(instance, IDS_TITLE, title, 100);
    LoadStringW(instance, IDS_CLASS_NAME, className, 100);

    // One instance only: a second start raises the first and ends.
    HWND running = FindWindowW(className, title);
    if (running) {
#ifdef _WIN32_WCE
        // The handheld's form of the handle also brings the window's owned
        // pop-ups forward.
        SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | 1));
#else
        // A desktop knows no such form: raise the window by its own handle.
        if (IsIconic(running))
            ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
#endif
        return false;
    }

    if (!RegisterMainClass(instance, className))
        return false;

    app.mainWindow = CreateWindowExW(0, className, title, MainWindowStyle(), CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                     nullptr, instance, nullptr);
    if (!app.mainWindow) {
        app.windowRefused = true;
        return false;
    }

#ifdef _WIN32_WCE
    // The shell sized the window to the work area, bar included: the
    // window ends above the bar. (A desktop window, its bar inside it, is
    // placed next; one move of it is enough.)
    if (app.menuBar) {
        RECT window;
        RECT bar;
        GetWindowRect(app.mainWindow, &window);
        GetWindowRect(app.menuBar, &bar);
        if (app.isPocketPc)
            window.bottom -= bar.bottom - bar.top;
        app.clientHeight = window.bottom - window.top;
        app.clientWidth = window.right - window.left;
        MoveWindow(app.mainWindow, window.left, window.top, window.right - window.left,
                   window.bottom - window.top, FALSE);
    }
#else
    // A desktop window has a frame the user resizes: it opens at the size
    // and place kept from the last run, or at the size of a first start. Its
    // client area is smaller than its rectangle, and the content is laid
    // out for the client area.
    PlaceMainWindowAtStart(app.mainWindow, &showCommand);
    const RECT client = ClientAboveBar(app.mainWindow);
    app.clientHeight = client.bottom - client.top;
    app.clientWidth = client.right - client.left;
#endif

    InitContent();

    ShowWindow(app.mainWindow, showCommand);
    UpdateWindow(app.mainWindow);
    return true;
}

namespace {

void LoadStrip(SkinStrip& strip, UINT id, int frameWidth, int frameHeight, int frames)
{
    ReportOutcome(strip.Load(app.instance, id, 0, 0, frameWidth, frameHeight, frames, 0));
    strip.Rescale(app.clientWidth, app.clientHeight);
}

}  // namespace

void InitContent()
{
    // Without a menu bar nothing measured the window yet; its own client
    // size is the natural one for the first layout.
    if (app.clientWidth == 0 || app.clientHeight == 0) {
        const RECT client = ClientAboveBar(app.mainWindow);
        app.clientWidth = client.right - client.left;
        app.clientHeight = client.bottom - client.top;
    }
    noteTree.sortOrder = ReadRegistryDword(kSettingsKey, kSortOrderValue, noteTree.sortOrder);

    LoadStrip(sideStrip, IDB_SIDE, 30, 268, 2);
    LoadStrip(toolbarStrip, IDB_TOOLBAR, 210, 40, 7);
    LoadStrip(editBackgroundStrip, IDB_PAPER, 207, 221, 1);

    noteEditor.Create(sideStrip.frameWidth, 0, editBackgroundStrip.frameWidth,
                      editBackgroundStrip.frameHeight, app.mainWindow, IDC_EDITOR, app.instance,
                      L"");
    editControl.menuWindow = app.mainWindow;
    editControl.showOutcome = ReportOutcome;
    if (noteEditor.control)
        editControl.defaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            noteEditor.control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditControlProc)));
    // The rules of the page are 17 pixels apart, the first at row 16; the
    // margin line is at column 30.
    noteEditor.SetPageLines(17, 16, 34, 4);
    noteEditor.Show(app.editorView ? 1 : 0);

    LoadStrip(folderIconStrip, IDB_FOLDER, 24, 24, 1);
    LoadStrip(folderSelectedIconStrip, IDB_FOLDER_SELECTED, 24, 24, 1);
    LoadStrip(noteIconStrip, IDB_NOTE, 24, 24, 1);
    LoadStrip(noteSelectedIconStrip, IDB_NOTE_SELECTED, 24, 24, 1);
    if (!iconList.Create(folderIconStrip.frameWidth, folderIconStrip.frameHeight, 0, 4, 0))
        ReportLastError();
    iconList.AddIcon(folderIconStrip.bitmap, nullptr);
    iconList.AddIcon(folderSelectedIconStrip.bitmap, nullptr);
    iconList.AddIcon(noteIconStrip.bitmap, nullptr);
    iconList.AddIcon(noteSelectedIconStrip.bitmap, nullptr);

    if (!noteTree.Create(5, 5, 230 - sideStrip.frameWidth, 258, app.mainWindow, IDC_TREE,
                         app.instance))
        ReportLastError();
    noteTree.AttachIcons(iconList.list);
    if (noteTree.controlWindow)
        treeDefaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            noteTree.controlWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeControlProc)));
    app.contentMade = true;
    LayOutContent();

    ReportOutcome(EnsureNotesFolder());
    // Filled out of sight: a control on screen brings every item it shows
    // up to date as it goes in. It is shown below.
    noteTree.Show(0);
    noteTree.ScanFolder(nullptr);
    ReportTreeFailures();
    noteTree.ApplySortOrder();
    PostMessageW(app.mainWindow, kWatchFolderMessage, 0, 0);

    noteTree.Show(app.editorView ? 0 : 1);
    noteTree.Focus();
    noteTree.SelectItem(noteTree.GetRootItem());
}

int RunMessageLoop()
{
    HACCEL accelerators = LoadAcceleratorsW(app.instance, MAKEINTRESOURCEW(IDA_MAIN));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(app.mainWindow, accelerators, &msg) || TranslateViewKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
