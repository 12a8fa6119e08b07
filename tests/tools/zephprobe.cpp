// Looks at a running ZephNotes through its windows, for the scripts that
// drive the program from outside:
//   zephprobe wait-root SECONDS   waits until the tree is shown, its root is
//                                 the selected item and nothing is left to
//                                 paint; prints when that was first seen
//                                 (seconds since 1970) and exits 0, or exits
//                                 1 when time ran out
//   zephprobe client-size W H     gives the main window a client area of
//                                 W x H from outside, as another program
//                                 may (a plain size change, nothing else)
//   zephprobe layout              prints where the program's windows are,
//                                 one name=value a line for a shell's eval:
//                                 the main window's frame and client area
//                                 and the menu bar in screen coordinates,
//                                 the tree and the editor controls in the
//                                 main window's client coordinates, the
//                                 tree's selected item and the editor's
//                                 selection
//   zephprobe editor-text         prints the editor control's text (UTF-8)
//   zephprobe labels              prints the tree's labels in UTF-8, one a
//                                 line, each level indented by two blanks
//   zephprobe selected            prints the tree's selected item: the
//                                 rectangle of its label in the tree's
//                                 client coordinates ("x y width height"),
//                                 the tree's client height and 1 while its
//                                 label is being edited, else 0, on the
//                                 first line; its labels from the root
//                                 joined with "/" on the second
//   zephprobe answers SECONDS     exits 0 when the main window answers a
//                                 message within that time, else 1
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr int kTreeId = 401;
constexpr int kEditorId = 400;

HWND MainWindow()
{
    return FindWindowW(L"ZEPHNOTES", L"ZephNotes");
}

bool RootSelectedAndPainted()
{
    HWND main = MainWindow();
    if (!main)
        return false;
    HWND tree = GetDlgItem(main, kTreeId);
    if (!tree || !IsWindowVisible(tree))
        return false;
    const LRESULT root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    const LRESULT caret = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (!root || root != caret)
        return false;
    return !GetUpdateRect(main, nullptr, FALSE) && !GetUpdateRect(tree, nullptr, FALSE);
}

int WaitRoot(double seconds)
{
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    do {
        if (RootSelectedAndPainted()) {
            FILETIME now;
            GetSystemTimeAsFileTime(&now);
            const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                                    now.dwLowDateTime;
            const ULONGLONG sinceUnixEpoch = ticks - 116444736000000000ULL;
            std::printf("%llu.%03llu\n", sinceUnixEpoch / 10000000ULL,
                        sinceUnixEpoch / 10000ULL % 1000ULL);
            return 0;
        }
        Sleep(10);
    } while (GetTickCount64() < until);
    std::fprintf(stderr, "zephprobe: the tree did not show its root selected\n");
    return 1;
}

int ClientSize(int width, int height)
{
    HWND main = MainWindow();
    if (!main || width <= 0 || height <= 0)
        return 1;
    // The menu bar lies along the bottom of the window's client area and
    // grows with it: the size is given again until the bar it ends with is
    // the one it was reckoned with.
    HWND barWindow = FindWindowExW(main, nullptr, L"ZephMenuBar", nullptr);
    int barHeight = 0;
    RECT client = {0, 0, 0, 0};
    for (int round = 0; round < 4; ++round) {
        RECT bar = {0, 0, 0, 0};
        if (barWindow)
            GetWindowRect(barWindow, &bar);
        barHeight = bar.bottom - bar.top;
        GetClientRect(main, &client);
        if (client.right == width && client.bottom - barHeight == height)
            break;
        RECT frame = {0, 0, width, height + barHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE)),
                           FALSE, static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE)));
        SetWindowPos(main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    std::printf("%ld %ld\n", client.right, client.bottom - barHeight);
    return client.right == width && client.bottom - barHeight == height ? 0 : 1;
}

// The tree lives in the program's process: its labels are read through a
// buffer made there.
class RemoteItemReader {
public:
    explicit RemoteItemReader(HWND tree) : tree_(tree)
    {
        DWORD processId = 0;
        GetWindowThreadProcessId(tree, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                               FALSE, processId);
        if (process_)
            remote_ = static_cast<BYTE*>(VirtualAllocEx(process_, nullptr, kSize,
                                                        MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteItemReader()
    {
        if (remote_)
            VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    bool Ready() const { return remote_ != nullptr; }

    bool Label(LPARAM item, std::wstring* label)
    {
        TVITEMW query = {};
        query.mask = TVIF_TEXT;
        query.hItem = reinterpret_cast<HTREEITEM>(item);
        query.pszText = reinterpret_cast<wchar_t*>(remote_ + sizeof(TVITEMW));
        query.cchTextMax = kTextUnits;
        wchar_t text[kTextUnits] = {};
        if (!WriteProcessMemory(process_, remote_, &query, sizeof(query), nullptr) ||
            !SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote_)) ||
            !ReadProcessMemory(process_, remote_ + sizeof(TVITEMW), text, sizeof(text), nullptr))
            return false;
        text[kTextUnits - 1] = 0;
        *label = text;
        return true;
    }

    // The rectangle of the item's label, in the tree's client coordinates.
    bool LabelRect(LPARAM item, RECT* rect)
    {
        // The control reads the item from the rectangle it is given.
        std::memcpy(rect, &item, sizeof(item));
        return WriteProcessMemory(process_, remote_, rect, sizeof(*rect), nullptr) &&
               SendMessageW(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote_)) &&
               ReadProcessMemory(process_, remote_, rect, sizeof(*rect), nullptr);
    }

private:
    static constexpr int kTextUnits = 1024;
    static constexpr SIZE_T kSize = sizeof(TVITEMW) + kTextUnits * sizeof(wchar_t);
    HWND tree_;
    HANDLE process_ = nullptr;
    BYTE* remote_ = nullptr;
};

std::string Utf8(const std::wstring& text)
{
    char utf8[4 * 1024];
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof(utf8),
                                           nullptr, nullptr);
    return length ? utf8 : "?";
}

bool PrintLabels(HWND tree, RemoteItemReader* reader, LPARAM item, int depth)
{
    for (; item; item = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        std::wstring label;
        if (!reader->Label(item, &label))
            return false;
        std::printf("%*s%s\n", 2 * depth, "", Utf8(label).c_str());
        const LRESULT child = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, item);
        if (child && !PrintLabels(tree, reader, child, depth + 1))
            return false;
    }
    return true;
}

int Labels()
{
    HWND main = MainWindow();
    HWND tree = main ? GetDlgItem(main, kTreeId) : nullptr;
    if (!tree)
        return 1;
    RemoteItemReader reader(tree);
    if (!reader.Ready())
        return 1;
    const LRESULT root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    return PrintLabels(tree, &reader, root, 0) ? 0 : 1;
}

int Selected()
{
    HWND main = MainWindow();
    HWND tree = main ? GetDlgItem(main, kTreeId) : nullptr;
    if (!tree)
        return 1;
    RemoteItemReader reader(tree);
    const LRESULT selected = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    RECT rect = {};
    if (!reader.Ready() || !selected || !reader.LabelRect(selected, &rect))
        return 1;
    std::string path;
    for (LPARAM item = selected; item;
         item = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, item)) {
        std::wstring label;
        if (!reader.Label(item, &label))
            return 1;
        path = path.empty() ? Utf8(label) : Utf8(label) + "/" + path;
    }
    RECT client;
    GetClientRect(tree, &client);
    const bool editing = SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0) != 0;
    std::printf("%ld %ld %ld %ld %ld %d\n%s\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, client.bottom, editing ? 1 : 0, path.c_str());
    return 0;
}

int Answers(double seconds)
{
    HWND main = MainWindow();
    DWORD_PTR result = 0;
    return main && SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL,
                                       static_cast<UINT>(seconds * 1000), &result)
               ? 0
               : 1;
}

// The menu bar lies in the main window, along the bottom of its client area.
HWND MenuBarOf(HWND main)
{
    return FindWindowExW(main, nullptr, L"ZephMenuBar", nullptr);
}

void PrintRect(const char* name, const RECT& rect)
{
    std::printf("%s_x=%ld\n%s_y=%ld\n%s_width=%ld\n%s_height=%ld\n", name, rect.left, name,
                rect.top, name, rect.right - rect.left, name, rect.bottom - rect.top);
}

// A child control's rectangle in its parent's client coordinates.
void PrintChild(const char* name, HWND parent, HWND child)
{
    RECT rect = {0, 0, 0, 0};
    if (child) {
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    }
    PrintRect(name, rect);
    std::printf("%s_visible=%d\n", name, child && IsWindowVisible(child) ? 1 : 0);
}

int Layout()
{
    HWND main = MainWindow();
    if (!main)
        return 1;
    RECT frame;
    GetWindowRect(main, &frame);
    PrintRect("window", frame);
    // The program's client area: what lies above the menu bar.
    HWND bar = MenuBarOf(main);
    RECT barRect = {0, 0, 0, 0};
    if (bar)
        GetWindowRect(bar, &barRect);
    RECT client;
    GetClientRect(main, &client);
    client.bottom -= barRect.bottom - barRect.top;
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintRect("client", client);
    std::printf("maximized=%d\nminimized=%d\n", IsZoomed(main) ? 1 : 0, IsIconic(main) ? 1 : 0);
    HWND tree = GetDlgItem(main, kTreeId);
    PrintChild("tree", main, tree);
    std::printf("tree_selected=%lld\n",
                tree ? static_cast<long long>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0))
                     : 0LL);
    HWND editor = GetDlgItem(main, kEditorId);
    PrintChild("editor", main, editor);
    // Asked without pointers, which would not reach another process: the
    // answer packs both ends (a note holds at most 1023 units).
    const LRESULT selection = editor ? SendMessageW(editor, EM_GETSEL, 0, 0) : 0;
    std::printf("editor_selection_start=%u\neditor_selection_end=%u\n",
                static_cast<unsigned>(LOWORD(selection)), static_cast<unsigned>(HIWORD(selection)));
    PrintRect("bar", barRect);
    std::printf("bar_visible=%d\n", bar && IsWindowVisible(bar) ? 1 : 0);
    return 0;
}

int EditorText()
{
    HWND main = MainWindow();
    HWND editor = main ? GetDlgItem(main, kEditorId) : nullptr;
    if (!editor)
        return 1;
    // Asked of the control itself: GetWindowTextW reads only the title that
    // the system keeps for windows of another process.
    wchar_t text[4096] = {0};
    SendMessageW(editor, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
    char utf8[16384] = {0};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
    std::fwrite(utf8, 1, std::strlen(utf8), stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wcscmp(argv[1], L"wait-root") == 0)
        return WaitRoot(_wtof(argv[2]));
    if (argc == 4 && std::wcscmp(argv[1], L"client-size") == 0)
        return ClientSize(_wtoi(argv[2]), _wtoi(argv[3]));
    if (argc == 2 && std::wcscmp(argv[1], L"labels") == 0)
        return Labels();
    if (argc == 2 && std::wcscmp(argv[1], L"selected") == 0)
        return Selected();
    if (argc == 3 && std::wcscmp(argv[1], L"answers") == 0)
        return Answers(_wtof(argv[2]));
    if (argc == 2 && std::wcscmp(argv[1], L"layout") == 0)
        return Layout();
    if (argc == 2 && std::wcscmp(argv[1], L"editor-text") == 0)
        return EditorText();
    std::fprintf(stderr, "usage: zephprobe wait-root SECONDS | client-size WIDTH HEIGHT | labels"
                         " | selected | answers SECONDS | layout | editor-text\n");
    return 2;
}
